#pragma once
// An HTTP session: makes requests with its request serializer, runs them on the client's one
// worker thread (libcurl), checks and reads the answers with its response serializer and
// reports on the main queue. TLS follows its security policy and the process-wide HTTPTrust.
//
// GET and POST start at once and report to exactly one of their handlers: success with the
// response object for an answer with a status from 200 to 299 that the response serializer
// accepts, failure otherwise (transfer errors in NSURLErrorDomain; an answer with another
// status as NSURLErrorBadServerResponse with the body under HTTPFailingResponseDataErrorKey and
// the status in the task's response; a cancelled task as NSURLErrorCancelled).
//
// Made and configured on the main thread; handlers run there. tasks() is safe from any thread.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Foundation/JSONValue.h"
#include "Foundation/NSError.h"
#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPRequestSerializer.h"
#include "Network/HTTPResponseObject.h"
#include "Network/HTTPResponseSerializer.h"
#include "Network/HTTPSecurityPolicy.h"
#include "Network/HTTPSessionConfiguration.h"
#include "Network/NSURLRequest.h"
#include "Network/NSURLSessionDataTask.h"

class HTTPSessionManager : public std::enable_shared_from_this<HTTPSessionManager> {
public:
    using SuccessHandler = std::function<void(const std::shared_ptr<NSURLSessionDataTask>& task, const HTTPResponseObject& responseObject)>;
    using FailureHandler = std::function<void(const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error)>;

    // A session with form request serialization, JSON response serialization and the default
    // security policy. Null configuration: the default one.
    static std::shared_ptr<HTTPSessionManager> managerWithSessionConfiguration(std::shared_ptr<HTTPSessionConfiguration> configuration = nullptr);

    std::shared_ptr<HTTPSessionConfiguration> sessionConfiguration() const { return m_configuration; }
    std::shared_ptr<HTTPRequestSerializer> requestSerializer() const;
    void setRequestSerializer(std::shared_ptr<HTTPRequestSerializer> serializer);
    std::shared_ptr<HTTPResponseSerializer> responseSerializer() const;
    void setResponseSerializer(std::shared_ptr<HTTPResponseSerializer> serializer);
    std::shared_ptr<HTTPSecurityPolicy> securityPolicy() const;
    void setSecurityPolicy(std::shared_ptr<HTTPSecurityPolicy> policy);

    // Parameters: null for none. Either handler may be empty.
    std::shared_ptr<NSURLSessionDataTask> GET(const std::string& URLString, const JSONValue& parameters, SuccessHandler success,
                                              FailureHandler failure);
    std::shared_ptr<NSURLSessionDataTask> POST(const std::string& URLString, const JSONValue& parameters, SuccessHandler success,
                                               FailureHandler failure);
    // A suspended task for a prepared request (sent as it stands: the request serializer is not
    // involved); its answer goes through the response serializer. Call resume() to start it.
    std::shared_ptr<NSURLSessionDataTask> dataTaskWithRequest_completionHandler(std::shared_ptr<NSURLRequest> request,
                                                                                NSURLSessionDataTask::CompletionHandler completion);

    // The tasks made and not yet finished (suspended, running or canceling), oldest first.
    std::vector<std::shared_ptr<NSURLSessionTask>> tasks() const;
    std::vector<std::shared_ptr<NSURLSessionDataTask>> dataTasks() const;

    explicit HTTPSessionManager(std::shared_ptr<HTTPSessionConfiguration> configuration);

private:
    friend class NSURLSessionDataTask;
    std::shared_ptr<NSURLSessionDataTask> makeTask(std::shared_ptr<NSURLRequest> request, std::shared_ptr<NSError> requestError,
                                                   NSURLSessionDataTask::CompletionHandler completion);
    std::shared_ptr<NSURLSessionDataTask> startWithMethod(const std::string& method, const std::string& URLString,
                                                          const JSONValue& parameters, SuccessHandler success, FailureHandler failure);
    void taskDidFinish(const NSURLSessionDataTask* task);

    const std::shared_ptr<HTTPSessionConfiguration> m_configuration;
    mutable std::mutex m_mutex;
    std::shared_ptr<HTTPRequestSerializer> m_requestSerializer;
    std::shared_ptr<HTTPResponseSerializer> m_responseSerializer;
    std::shared_ptr<HTTPSecurityPolicy> m_securityPolicy;
    std::vector<std::shared_ptr<NSURLSessionDataTask>> m_tasks;
};
