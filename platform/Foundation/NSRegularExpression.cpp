#include "Foundation/NSRegularExpression.h"

#include <memory>

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace {

// Engine steps; each is on the order of a millisecond.
constexpr int32_t kTimeLimitSteps = 2000;

std::unique_ptr<icu::RegexMatcher> matcherFor(const std::string& text, const std::string& pattern, icu::UnicodeString& input)
{
    UErrorCode status = U_ZERO_ERROR;
    auto matcher = std::make_unique<icu::RegexMatcher>(icu::UnicodeString::fromUTF8(pattern), 0, status);
    if (U_FAILURE(status))
        return nullptr;
    // A pattern that backtracks without end gives up (as no match) instead of hanging the caller.
    matcher->setTimeLimit(kTimeLimitSteps, status);
    input = icu::UnicodeString::fromUTF8(text);
    matcher->reset(input);
    return matcher;
}

} // namespace

bool NSRegularExpressionMatchesWhole(const std::string& text, const std::string& pattern)
{
    icu::UnicodeString input;
    auto matcher = matcherFor(text, pattern, input);
    if (!matcher)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    bool matches = matcher->matches(status);
    return U_SUCCESS(status) && matches;
}

bool NSRegularExpressionFindsMatch(const std::string& text, const std::string& pattern)
{
    icu::UnicodeString input;
    auto matcher = matcherFor(text, pattern, input);
    if (!matcher)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    bool found = matcher->find(0, status);
    return U_SUCCESS(status) && found;
}
