#include "Private/Extensions/NSString+KVNExtensions.h"

#include "Foundation/NSRegularExpression.h"
#include "Foundation/NSString.h"

namespace KVNExtensions {

std::optional<std::string> wellFilledString(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    std::string trimmed = NSString::trim(*text);
    if (trimmed == "null")
        return std::nullopt;
    return trimmed;
}

bool isWellFilled(const std::optional<std::string>& text)
{
    auto filled = wellFilledString(text);
    return filled && !filled->empty();
}

bool doesMatchRegExp(const std::optional<std::string>& text, const std::string& pattern)
{
    if (!text)
        return false;
    return NSRegularExpressionMatchesWhole(*text, pattern);
}

} // namespace KVNExtensions
