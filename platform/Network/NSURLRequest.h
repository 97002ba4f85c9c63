#pragma once
// One HTTP request as the client sends it: URL text, method, header fields, body, time-out and
// cache policy. Made by a request serializer or by hand (the image upload builds its own), then
// handed to HTTPSessionManager::dataTaskWithRequest_completionHandler. The task copies what it
// needs when it starts, so changing the request afterwards does not change the transfer.
// Build it on one thread; it holds no lock.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSData.h"
#include "Network/HTTPHeaderFields.h"

enum NSURLRequestCachePolicy : unsigned long {
    NSURLRequestUseProtocolCachePolicy = 0,
    NSURLRequestReloadIgnoringLocalCacheData = 1,
};

class NSURLRequest {
public:
    // The default time-out of a request, in seconds.
    static constexpr double defaultTimeoutInterval = 60.0;

    static std::shared_ptr<NSURLRequest> requestWithURL(const std::string& URL);
    explicit NSURLRequest(std::string URL = {}) : m_URL(std::move(URL)) {}

    const std::string& URL() const { return m_URL; }
    void setURL(std::string URL) { m_URL = std::move(URL); }
    // "GET" unless set.
    const std::string& HTTPMethod() const { return m_method; }
    void setHTTPMethod(std::string method) { m_method = std::move(method); }

    // nullopt removes the field. Names compare without regard to case.
    void setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field);
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;
    std::map<std::string, std::string> allHTTPHeaderFields() const;
    const HTTPHeaderFields& headerFields() const { return m_headers; }

    // nullopt: no body at all (not even an empty one).
    const std::optional<NSData>& HTTPBody() const { return m_body; }
    void setHTTPBody(std::optional<NSData> body) { m_body = std::move(body); }

    // Seconds the transfer may go without progress (connecting, or waiting for bytes) before it
    // fails with NSURLErrorTimedOut.
    double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }
    // Kept for the caller's sake: the client has no cache, so every request reaches the server.
    NSURLRequestCachePolicy cachePolicy() const { return m_cachePolicy; }
    void setCachePolicy(NSURLRequestCachePolicy policy) { m_cachePolicy = policy; }

private:
    std::string m_URL;
    std::string m_method = "GET";
    HTTPHeaderFields m_headers;
    std::optional<NSData> m_body;
    double m_timeoutInterval = defaultTimeoutInterval;
    NSURLRequestCachePolicy m_cachePolicy = NSURLRequestUseProtocolCachePolicy;
};
