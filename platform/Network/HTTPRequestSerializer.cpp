#include "Network/HTTPRequestSerializer.h"

#include <cstdio>

#include "Network/HTTPErrorKeys.h"
#include "Network/NSURLError.h"

namespace {

// RFC 3986 unreserved characters stay; everything else is percent-encoded (a blank as %20).
std::string percentEncoded(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string formValue(const JSONValue& value)
{
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_boolean())
        return value.get<bool>() ? "true" : "false";
    if (value.is_null())
        return "";
    return value.dump(-1, ' ', false, JSONValue::error_handler_t::replace);
}

void appendPairs(const std::string& key, const JSONValue& value, std::string& out)
{
    if (value.is_object()) {
        for (auto it = value.begin(); it != value.end(); ++it)
            appendPairs(key + "[" + it.key() + "]", it.value(), out);
        return;
    }
    if (value.is_array()) {
        for (const auto& element : value)
            appendPairs(key + "[]", element, out);
        return;
    }
    if (!out.empty())
        out += '&';
    out += percentEncoded(key) + "=" + percentEncoded(formValue(value));
}

// The URL with the query added before any fragment, after an existing query.
std::string URLWithQuery(const std::string& URLString, const std::string& query)
{
    if (query.empty())
        return URLString;
    const auto hash = URLString.find('#');
    std::string base = URLString.substr(0, hash);
    const std::string fragment = hash == std::string::npos ? "" : URLString.substr(hash);
    const auto question = base.find('?');
    if (question == std::string::npos)
        base += '?';
    else if (base.back() != '?' && base.back() != '&')
        base += '&';
    return base + query + fragment;
}

bool parametersGoInQuery(const std::string& method) { return method == "GET" || method == "HEAD"; }

std::shared_ptr<NSError> parameterError(const std::string& URLString)
{
    return NSError::errorWithDomain_code_userInfo(
        NSURLErrorDomain, NSURLErrorBadURL,
        {{NSLocalizedDescriptionKey, std::string("The request parameters cannot be form-encoded: they are not a JSON object.")},
         {NSURLErrorFailingURLStringErrorKey, URLString}});
}

} // namespace

std::shared_ptr<HTTPRequestSerializer> HTTPRequestSerializer::serializer() { return std::make_shared<HTTPRequestSerializer>(); }

void HTTPRequestSerializer::setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field)
{
    std::lock_guard lock(m_mutex);
    m_headers.setValue_forHTTPHeaderField(value, field);
}

std::optional<std::string> HTTPRequestSerializer::valueForHTTPHeaderField(const std::string& field) const
{
    std::lock_guard lock(m_mutex);
    return m_headers.valueForHTTPHeaderField(field);
}

std::map<std::string, std::string> HTTPRequestSerializer::HTTPRequestHeaders() const
{
    std::lock_guard lock(m_mutex);
    return m_headers.allHTTPHeaderFields();
}

NSURLRequestCachePolicy HTTPRequestSerializer::cachePolicy() const
{
    std::lock_guard lock(m_mutex);
    return m_cachePolicy;
}

void HTTPRequestSerializer::setCachePolicy(NSURLRequestCachePolicy policy)
{
    std::lock_guard lock(m_mutex);
    m_cachePolicy = policy;
}

double HTTPRequestSerializer::timeoutInterval() const
{
    std::lock_guard lock(m_mutex);
    return m_timeoutInterval;
}

void HTTPRequestSerializer::setTimeoutInterval(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_timeoutInterval = seconds;
}

std::optional<std::string> HTTPRequestSerializer::queryStringFromParameters(const JSONValue& parameters)
{
    if (parameters.is_null())
        return std::string();
    if (!parameters.is_object())
        return std::nullopt;
    std::string out;
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        appendPairs(it.key(), it.value(), out);
    return out;
}

std::shared_ptr<NSURLRequest> HTTPRequestSerializer::requestWithMethod_URLString_parameters_error(const std::string& method,
                                                                                                  const std::string& URLString,
                                                                                                  const JSONValue& parameters,
                                                                                                  std::shared_ptr<NSError>& error) const
{
    error = nullptr;
    auto request = NSURLRequest::requestWithURL(URLString);
    request->setHTTPMethod(method);
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [name, value] : m_headers.fields())
            request->setValue_forHTTPHeaderField(value, name);
        request->setCachePolicy(m_cachePolicy);
        request->setTimeoutInterval(m_timeoutInterval);
    }
    if (parameters.is_null())
        return request;
    if (parametersGoInQuery(method)) {
        const auto query = queryStringFromParameters(parameters);
        if (!query) {
            error = parameterError(URLString);
            return nullptr;
        }
        request->setURL(URLWithQuery(URLString, *query));
        return request;
    }
    if (!encodeBodyParameters_intoRequest_error(parameters, *request, error))
        return nullptr;
    return request;
}

bool HTTPRequestSerializer::encodeBodyParameters_intoRequest_error(const JSONValue& parameters, NSURLRequest& request,
                                                                   std::shared_ptr<NSError>& error) const
{
    const auto query = queryStringFromParameters(parameters);
    if (!query) {
        error = parameterError(request.URL());
        return false;
    }
    if (!request.valueForHTTPHeaderField("Content-Type"))
        request.setValue_forHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setHTTPBody(NSDataFromString(*query));
    return true;
}
