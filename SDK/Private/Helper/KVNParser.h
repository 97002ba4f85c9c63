#pragma once
// Reads the event channel's messages. The service frames each one as "<length>|<json>"; the
// parser takes the JSON object out of such a message (or out of a bare JSON text) and lets
// everything else go with a log line, so that the session driver sees either an object or
// nothing. Stateless; any thread.
#include <optional>
#include <string>
#include <vector>

#include "Foundation/JSONValue.h"

class KVNParser {
public:
    // The message's JSON object; nil for a blank message (or "null"), for text that does not
    // parse, and for JSON that is not an object.
    std::optional<JSONValue> JSONFromMessage(const std::string& message) const;

    // The message without its length prefix: the text after the first "|" when the message
    // starts with decimal digits followed by "|"; otherwise the message as it stands. Only the
    // prefix is cut, so a "|" inside the JSON (a chat text, a URL) stays where it is. The
    // length itself is not checked.
    static std::string textAfterLengthPrefix(const std::string& message);

    // The messages of a long-poll answer, in order, each without its length prefix. The
    // service may put several framed messages into one answer, so the answer is split by the
    // lengths, which count UTF-16 code units as the service counts them. A frame is taken by
    // its length only when that lands on the end of the answer or on the next length prefix.
    // Where a piece does not read so (no digits and "|", a length too long, too short or ending
    // inside a character, a truncated answer), the rest of the answer from there is one more
    // message, as it stands but for a leading length prefix: an unframed answer, or a single
    // frame whose length is wrong, reaches the driver as it did before answers were split, and
    // the frames before it are kept. Never empty: an empty answer is one empty message.
    static std::vector<std::string> messagesFromLongPollAnswer(const std::string& answer);
};
