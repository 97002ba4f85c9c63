#include "Private/Helper/KVNParser.h"

#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNLog.h"

std::string KVNParser::textAfterLengthPrefix(const std::string& message)
{
    size_t digits = 0;
    while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9')
        ++digits;
    if (digits == 0 || digits == message.size() || message[digits] != '|')
        return message;
    return message.substr(digits + 1);
}

std::optional<JSONValue> KVNParser::JSONFromMessage(const std::string& message) const
{
    if (!KVNExtensions::isWellFilled(message)) {
        KVNLogLocated(__FILE__, __LINE__, "Parser: Empty message ignored");
        return std::nullopt;
    }
    // Invalid UTF-8 fails the parse like any other malformed text, and so does nesting too
    // deep to handle safely.
    auto json = JSONFromText(textAfterLengthPrefix(message));
    if (!json) {
        KVNLogLocated(__FILE__, __LINE__, "Parser: Message ignored, could not be parsed");
        return std::nullopt;
    }
    if (!json->is_object())
        return std::nullopt;
    return json;
}
