#include "Network/JSONResponseSerializer.h"

#include <algorithm>
#include <cctype>

#include "Foundation/JSONValue.h"
#include "Foundation/UTF8Validator.h"
#include "Network/HTTPErrorKeys.h"

std::shared_ptr<JSONResponseSerializer> JSONResponseSerializer::serializer() { return std::make_shared<JSONResponseSerializer>(); }

HTTPResponseObject JSONResponseSerializer::responseObjectForResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response,
                                                                                const NSData& data, std::shared_ptr<NSError>& error) const
{
    if (!validateResponse_data_error(response, data, error))
        return {};
    if (std::all_of(data.begin(), data.end(), [](uint8_t c) { return std::isspace(c); }))
        return {};
    std::string failureReason;
    auto json = JSONFromText(Unicode::UTF8Validator::replacingIllFormed(data), &failureReason);
    if (!json) {
        NSDictionary userInfo;
        userInfo[NSLocalizedDescriptionKey] = std::string("The data couldn’t be read because it isn’t in the correct format.");
        userInfo[NSLocalizedFailureReasonErrorKey] = failureReason;
        userInfo[HTTPFailingResponseDataErrorKey] = data;
        if (response)
            userInfo[NSURLErrorFailingURLStringErrorKey] = response->URL();
        error = NSError::errorWithDomain_code_userInfo(NSCocoaErrorDomain, NSPropertyListReadCorruptError, std::move(userInfo));
        return {};
    }
    return HTTPResponseObject(std::move(*json));
}
