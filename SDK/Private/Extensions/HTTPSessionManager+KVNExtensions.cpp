#include "Private/Extensions/HTTPSessionManager+KVNExtensions.h"

#include "Foundation/NSBundle.h"
#include "Foundation/NSString.h"
#include "Network/HTTPRequestSerializer.h"
#include "Network/HTTPResponseSerializer.h"
#include "Network/HTTPSessionManager.h"
#include "Network/JSONRequestSerializer.h"
#include "Network/JSONResponseSerializer.h"

namespace KVNExtensions {

namespace {

// The host app's short version as the bundle states it; a number prints as written, a missing
// value as "(null)".
std::optional<std::string> hostShortVersion()
{
    const auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return std::nullopt;
    const auto value = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString");
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number())
        return value.dump();
    return std::nullopt;
}

} // namespace

void setRequestSerializationType_responseSerializationType(const std::shared_ptr<HTTPSessionManager>& manager,
                                                           long requestSerializationType, long responseSerializationType)
{
    if (!manager)
        return;
    std::shared_ptr<HTTPRequestSerializer> requestSerializer;
    if (requestSerializationType == KVNSerializationTypeJSON)
        requestSerializer = JSONRequestSerializer::serializer();
    else
        requestSerializer = HTTPRequestSerializer::serializer();
    requestSerializer->setCachePolicy(NSURLRequestReloadIgnoringLocalCacheData);

    std::shared_ptr<HTTPResponseSerializer> responseSerializer;
    if (responseSerializationType == KVNSerializationTypeJSON)
        responseSerializer = JSONResponseSerializer::serializer();
    else
        responseSerializer = HTTPResponseSerializer::serializer();

    requestSerializer->setValue_forHTTPHeaderField(NSString::stringWithFormat("de.kavoni.ios-%@", hostShortVersion()), "X-CLIENT-VERSION");
    manager->setRequestSerializer(std::move(requestSerializer));
    manager->setResponseSerializer(std::move(responseSerializer));
}

void updateClientSecretHeaderWithSecret(const std::shared_ptr<HTTPSessionManager>& manager, const std::optional<std::string>& secret)
{
    if (!manager || !manager->requestSerializer())
        return;
    manager->requestSerializer()->setValue_forHTTPHeaderField(secret, "X-Client-Secret");
}

} // namespace KVNExtensions
