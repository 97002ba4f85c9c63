#pragma once
// Checks on texts typed by the user or sent by the service: "well filled" means there is
// something besides blanks and the literal "null" that a JSON null turns into on the way.
// A nil text (nullopt) answers as nil does in the design: not well filled, no string.
// Pure functions; any thread.
#include <optional>
#include <string>

namespace KVNExtensions {

// The text trimmed of white space and line ends at both ends; nullopt when it is nil or the
// trimmed text is "null".
std::optional<std::string> wellFilledString(const std::optional<std::string>& text);
// wellFilledString exists and is not empty.
bool isWellFilled(const std::optional<std::string>& text);
// The whole text matches the pattern (ICU syntax). Nil text or an invalid pattern: false.
bool doesMatchRegExp(const std::optional<std::string>& text, const std::string& pattern);

} // namespace KVNExtensions
