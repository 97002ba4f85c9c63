#pragma once
// Turns a method, a URL text and parameters into an NSURLRequest, adding the header fields,
// cache policy and time-out configured on it. This base class form-encodes the parameters:
// into the URL's query for GET and HEAD, otherwise into the body as
// "application/x-www-form-urlencoded". JSONRequestSerializer sends a JSON body instead.
//
// Parameters are a JSON value: null means none. Form encoding takes an object whose values are
// texts, numbers, flags, null, arrays ("key[]=...") or objects ("key[sub]=...").
//
// Configured and used on the main thread; the header fields are also safe to read from any
// thread.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"
#include "Foundation/NSError.h"
#include "Network/HTTPHeaderFields.h"
#include "Network/NSURLRequest.h"

class HTTPRequestSerializer {
public:
    static std::shared_ptr<HTTPRequestSerializer> serializer();
    HTTPRequestSerializer() = default;
    virtual ~HTTPRequestSerializer() = default;

    // Header fields sent with every request this serializer makes; nullopt removes one.
    void setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field);
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;
    std::map<std::string, std::string> HTTPRequestHeaders() const;

    NSURLRequestCachePolicy cachePolicy() const;
    void setCachePolicy(NSURLRequestCachePolicy policy);
    // Seconds; NSURLRequest::defaultTimeoutInterval unless set.
    double timeoutInterval() const;
    void setTimeoutInterval(double seconds);

    // The request, or nullptr with `error` set when the parameters cannot be encoded.
    std::shared_ptr<NSURLRequest> requestWithMethod_URLString_parameters_error(const std::string& method, const std::string& URLString,
                                                                               const JSONValue& parameters,
                                                                               std::shared_ptr<NSError>& error) const;

    // The form encoding of `parameters` ("a=1&b=x%20y"), keys in order; nullopt when they are
    // not a JSON object (null gives "").
    static std::optional<std::string> queryStringFromParameters(const JSONValue& parameters);

protected:
    // Puts non-null parameters of a request that carries them in its body (not GET or HEAD).
    virtual bool encodeBodyParameters_intoRequest_error(const JSONValue& parameters, NSURLRequest& request,
                                                        std::shared_ptr<NSError>& error) const;

private:
    mutable std::mutex m_mutex;
    HTTPHeaderFields m_headers;
    NSURLRequestCachePolicy m_cachePolicy = NSURLRequestUseProtocolCachePolicy;
    double m_timeoutInterval = NSURLRequest::defaultTimeoutInterval;
};
