#pragma once
// What the library adds to the HTTP client's session manager: choosing its request and
// response serialization in one step (with the reload cache policy and the library's
// "X-CLIENT-VERSION" header), and setting or removing the service's client secret header.
// Main thread, like the session's configuration.
#include <memory>
#include <optional>
#include <string>

class HTTPSessionManager;

namespace KVNExtensions {

// Serialization types: 0 JSON; 1 form parameters (request) or raw data (response).
enum : long {
    KVNSerializationTypeJSON = 0,
    KVNSerializationTypeHTTP = 1,
};

// New request and response serializers of the given types; the request serializer ignores
// locally cached data and sends "X-CLIENT-VERSION" "de.kavoni.ios-<the host app's short
// version>".
void setRequestSerializationType_responseSerializationType(const std::shared_ptr<HTTPSessionManager>& manager,
                                                           long requestSerializationType, long responseSerializationType);
// "X-Client-Secret" on the session's request serializer; nil removes it.
void updateClientSecretHeaderWithSecret(const std::shared_ptr<HTTPSessionManager>& manager, const std::optional<std::string>& secret);

} // namespace KVNExtensions
