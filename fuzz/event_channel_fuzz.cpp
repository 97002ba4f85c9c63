// What the service sends on the event channel: a long-poll answer (or one WebSocket message)
// split into its framed messages, each read as JSON, a chat message among them read into the
// chat. Properties: the split keeps the messages in the order of the answer and adds nothing;
// a chat message's date, whatever the text, describes itself; the chat stays in date order.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KVNParser.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::useThisThreadAsMain();
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const auto messages = KVNParser::messagesFromLongPollAnswer(answer);
    FUZZ_CHECK(!messages.empty());
    size_t at = 0;
    for (const auto& message : messages) {
        const size_t found = answer.find(message, at);
        FUZZ_CHECK(found != std::string::npos);
        at = found + message.size();
    }

    auto provider = std::make_shared<KVNMessageProvider>();
    provider->init();
    const KVNParser parser;
    for (const auto& message : messages) {
        const auto object = parser.JSONFromMessage(message);
        if (!object)
            continue;
        FUZZ_CHECK(object->is_object());
        const auto data = object->contains("data") ? (*object)["data"] : JSONValue();
        auto chat = std::make_shared<KVNMessage>();
        chat->initWithDictionary(data.is_object() ? data : JSONValue::object());
        chat->setRemote(true);
        FUZZ_CHECK(!chat->description().empty());
        provider->didReceiveRemoteMessage(chat);
    }
    const auto& chat = provider->messages();
    for (size_t i = 1; i < chat.size(); ++i) {
        if (chat[i - 1]->date() && chat[i]->date())
            FUZZ_CHECK(*chat[i - 1]->date() <= *chat[i]->date());
    }
    provider->invalidate();
    return 0;
}
