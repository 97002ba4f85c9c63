#pragma once
// Typed reads from JSON objects answered by the identification service and its event
// channel. A value of a kind that a read does not expect counts as missing, and a receiver
// that is not a JSON object has no keys at all, so bad service data never throws.
// Numbers and texts convert the platform's way:
//   integer value: a number truncated toward zero (true 1, false 0); a text's leading decimal
//     number after blanks and an optional sign ("12abc" 12, "abc" 0), out-of-range clamped;
//   truth value: a number is true when not zero; a text is true when, after blanks, an
//     optional sign and zeros, it starts with Y, y, T, t or a digit 1 to 9.
// Pure functions; any thread.
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"

namespace KVNExtensions {

// A value (of any kind, null included) is present under the key.
bool keyExists(const JSONValue& object, const std::string& key);
// The value when it is a text, else nullopt.
std::optional<std::string> stringForKey(const JSONValue& object, const std::string& key);
// The value's truth value; false when missing.
bool boolForKey(const JSONValue& object, const std::string& key);
// The value's truth value when there is one, else `defaultValue`.
bool boolForKey_withDefault(const JSONValue& object, const std::string& key, bool defaultValue);
// When the value has a truth value (a number, boolean or text): stores it in `value` and
// answers true; else answers false and leaves `value` alone.
bool boolForKey_boolvalue(const JSONValue& object, const std::string& key, bool& value);
// The value's integer value; 0 when missing.
long intForKey(const JSONValue& object, const std::string& key);
// As boolForKey_boolvalue, with the integer value.
bool intForKey_integer(const JSONValue& object, const std::string& key, long& value);

} // namespace KVNExtensions
