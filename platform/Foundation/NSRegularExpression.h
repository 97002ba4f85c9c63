#pragma once
// Regular expressions on ICU's engine (ICU syntax, as "SELF MATCHES" predicates use).
// Any thread.
#include <string>

// True when the whole text matches the pattern. An invalid pattern matches nothing.
bool NSRegularExpressionMatchesWhole(const std::string& text, const std::string& pattern);
// True when the pattern is found anywhere in the text. An invalid pattern matches nothing.
bool NSRegularExpressionFindsMatch(const std::string& text, const std::string& pattern);
