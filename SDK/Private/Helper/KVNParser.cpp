#include "Private/Helper/KVNParser.h"

#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNLog.h"

namespace {

struct LengthPrefix {
    size_t length; // UTF-16 code units
    size_t textStart;
};

// The "<digits>|" at `position`, or none.
std::optional<LengthPrefix> lengthPrefixAt(const std::string& text, size_t position)
{
    size_t end = position;
    size_t length = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        // A length beyond the text's size runs past its end whatever it is: stop counting there
        // rather than overflow.
        if (length <= text.size())
            length = length * 10 + static_cast<size_t>(text[end] - '0');
        ++end;
    }
    if (end == position || end == text.size() || text[end] != '|')
        return std::nullopt;
    return LengthPrefix{length, end + 1};
}

// Where `units` UTF-16 code units of the UTF-8 text from `start` end; none when the text ends
// first or the count ends inside a character (half of a pair outside the Basic Multilingual Plane).
std::optional<size_t> endOfUTF16Units(const std::string& text, size_t start, size_t units)
{
    size_t position = start;
    while (units > 0) {
        if (position >= text.size())
            return std::nullopt;
        const auto lead = static_cast<unsigned char>(text[position]);
        const size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const size_t width = bytes == 4 ? 2 : 1;
        if (width > units || bytes > text.size() - position)
            return std::nullopt;
        units -= width;
        position += bytes;
    }
    return position;
}

} // namespace

std::vector<std::string> KVNParser::messagesFromLongPollAnswer(const std::string& answer)
{
    std::vector<std::string> messages;
    size_t position = 0;
    do {
        const auto prefix = lengthPrefixAt(answer, position);
        auto end = prefix ? endOfUTF16Units(answer, prefix->textStart, prefix->length) : std::nullopt;
        // A length is only trusted when it lands where the answer ends or the next frame begins;
        // anywhere else it is wrong (or what follows is), and nothing from here on can be cut.
        if (end && *end != answer.size() && !lengthPrefixAt(answer, *end))
            end = std::nullopt;
        if (!end) {
            if (position > 0 || prefix)
                KVNLogLocated(__FILE__, __LINE__, "Parser: Long-poll answer framed wrongly from byte %lu",
                              static_cast<unsigned long>(position));
            messages.push_back(textAfterLengthPrefix(answer.substr(position)));
            break;
        }
        messages.push_back(answer.substr(prefix->textStart, *end - prefix->textStart));
        position = *end;
    } while (position < answer.size());
    return messages;
}

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
