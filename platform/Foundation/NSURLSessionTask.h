#pragma once
// The record of one HTTP exchange as the code above reads it: its state, the request it
// sends, the response (status code, headers) once it came, and the error if it failed. The HTTP
// layer (platform/Network) fills it in and subclasses it to run the transfer; readers on any
// thread see a consistent copy of each field.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/NSError.h"

class NSURLRequest; // platform/Network: the HTTP layer makes and reads it

class NSHTTPURLResponse {
public:
    NSHTTPURLResponse(long statusCode = 0, std::map<std::string, std::string> headers = {}, std::string url = {})
        : m_statusCode(statusCode), m_headers(std::move(headers)), m_url(std::move(url)) {}

    long statusCode() const { return m_statusCode; }
    const std::map<std::string, std::string>& allHeaderFields() const { return m_headers; }
    // Header names compare without regard to case.
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;
    const std::string& URL() const { return m_url; }

private:
    long m_statusCode;
    std::map<std::string, std::string> m_headers;
    std::string m_url;
};

enum NSURLSessionTaskState : long {
    NSURLSessionTaskStateRunning = 0,
    NSURLSessionTaskStateSuspended = 1,
    NSURLSessionTaskStateCanceling = 2,
    NSURLSessionTaskStateCompleted = 3,
};

class NSURLSessionTask {
public:
    NSURLSessionTask() = default;
    virtual ~NSURLSessionTask() = default;

    std::shared_ptr<NSHTTPURLResponse> response() const;
    void setResponse(std::shared_ptr<NSHTTPURLResponse> response);
    NSURLSessionTaskState state() const;
    void setState(NSURLSessionTaskState state);
    std::shared_ptr<NSError> error() const;
    void setError(std::shared_ptr<NSError> error);
    // The HTTP layer numbers its tasks uniquely within the process.
    unsigned long taskIdentifier() const;
    void setTaskIdentifier(unsigned long identifier);
    std::shared_ptr<NSURLRequest> currentRequest() const;
    void setCurrentRequest(std::shared_ptr<NSURLRequest> request);

    // Starts a suspended task; by default only marks it as running.
    virtual void resume();
    // Asks the layer that runs the task to stop it; by default only marks it as canceling.
    virtual void cancel();

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<NSHTTPURLResponse> m_response;
    std::shared_ptr<NSURLRequest> m_currentRequest;
    NSURLSessionTaskState m_state = NSURLSessionTaskStateSuspended;
    std::shared_ptr<NSError> m_error;
    unsigned long m_taskIdentifier = 0;
};
