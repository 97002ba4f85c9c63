#include "Network/JSONResponseSerializer.h"

#include <algorithm>
#include <cctype>

#include "Foundation/JSONValue.h"
#include "Network/HTTPErrorKeys.h"

namespace {

// The bytes with every ill-formed UTF-8 sequence replaced by U+FFFD, so that a stray byte in
// a service's text costs one character, not the whole answer.
std::string validUTF8(const NSData& data)
{
    static const char replacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(data.size());
    const size_t n = data.size();
    size_t i = 0;
    while (i < n) {
        const uint8_t c = data[i];
        size_t length = 0;
        uint8_t low = 0x80, high = 0xBF; // the allowed range of the second byte
        if (c < 0x80)
            length = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        }
        bool valid = length > 0 && i + length <= n;
        for (size_t k = 1; valid && k < length; ++k) {
            const uint8_t b = data[i + k];
            valid = k == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
        }
        if (valid) {
            out.append(reinterpret_cast<const char*>(&data[i]), length);
            i += length;
        } else {
            out += replacement;
            ++i;
        }
    }
    return out;
}

} // namespace

std::shared_ptr<JSONResponseSerializer> JSONResponseSerializer::serializer() { return std::make_shared<JSONResponseSerializer>(); }

HTTPResponseObject JSONResponseSerializer::responseObjectForResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response,
                                                                                const NSData& data, std::shared_ptr<NSError>& error) const
{
    if (!validateResponse_data_error(response, data, error))
        return {};
    if (std::all_of(data.begin(), data.end(), [](uint8_t c) { return std::isspace(c); }))
        return {};
    std::string failureReason;
    auto json = JSONFromText(validUTF8(data), &failureReason);
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
