#include "Network/HTTPResponseSerializer.h"

#include "Foundation/NSString.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/NSURLError.h"

namespace {

std::string reasonPhrase(long status)
{
    switch (status) {
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "method not allowed";
    case 409: return "conflict";
    case 410: return "no longer exists";
    case 412: return "precondition failed";
    case 413: return "request too large";
    case 415: return "unsupported media type";
    case 429: return "too many requests";
    case 500: return "internal server error";
    case 502: return "bad gateway";
    case 503: return "service unavailable";
    case 504: return "gateway timed out";
    default: break;
    }
    if (status >= 300 && status < 400)
        return "redirected";
    if (status >= 400 && status < 500)
        return "client error";
    if (status >= 500 && status < 600)
        return "server error";
    return "unexpected status";
}

} // namespace

std::shared_ptr<HTTPResponseSerializer> HTTPResponseSerializer::serializer() { return std::make_shared<HTTPResponseSerializer>(); }

HTTPResponseObject HTTPResponseSerializer::responseObjectForResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response,
                                                                                const NSData& data, std::shared_ptr<NSError>& error) const
{
    if (!validateResponse_data_error(response, data, error))
        return {};
    return HTTPResponseObject(data);
}

bool HTTPResponseSerializer::validateResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response, const NSData& data,
                                                         std::shared_ptr<NSError>& error) const
{
    error = nullptr;
    const long status = response ? response->statusCode() : 0;
    if (status >= 200 && status <= 299)
        return true;
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = NSString::stringWithFormat("Request failed: %@ (%ld)", reasonPhrase(status), status);
    userInfo[HTTPFailingResponseDataErrorKey] = data;
    if (response)
        userInfo[NSURLErrorFailingURLStringErrorKey] = response->URL();
    error = NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, NSURLErrorBadServerResponse, std::move(userInfo));
    return false;
}
