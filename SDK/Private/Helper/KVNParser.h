#pragma once
// Reads the event channel's messages. The service frames each one as "<length>|<json>"; the
// parser takes the JSON object out of such a message (or out of a bare JSON text) and lets
// everything else go with a log line, so that the session driver sees either an object or
// nothing. Stateless; any thread.
#include <optional>
#include <string>

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
};
