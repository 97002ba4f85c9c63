#include "Foundation/NSString.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace {

// Widths and precisions beyond this are a broken format, not a wish for megabytes of blanks.
constexpr int kMaxWidth = 4096;

struct Directive {
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string length;
    char conversion = 0;
};

std::string printfToString(const std::string& conversion, auto value)
{
    int needed = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(out.data(), out.size(), conversion.c_str(), value);
    out.resize(static_cast<size_t>(needed));
    return out;
}

std::string numericConversion(const Directive& d, const char* length, char letter)
{
    std::string conversion = "%";
    for (char f : d.flags)
        if (f != '\'')
            conversion += f;
    if (d.width >= 0)
        conversion += std::to_string(d.width);
    if (d.precision >= 0)
        conversion += "." + std::to_string(d.precision);
    conversion += length;
    conversion += letter;
    return conversion;
}

size_t codePointCount(const std::string& s)
{
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The first `count` code points of `s`.
std::string codePointPrefix(const std::string& s, size_t count)
{
    size_t seen = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count)
                return s.substr(0, i);
            ++seen;
        }
    }
    return s;
}

std::string padded(std::string text, const Directive& d)
{
    if (d.precision >= 0)
        text = codePointPrefix(text, static_cast<size_t>(d.precision));
    size_t length = codePointCount(text);
    if (d.width > 0 && length < static_cast<size_t>(d.width)) {
        std::string fill(static_cast<size_t>(d.width) - length, ' ');
        bool left = d.flags.find('-') != std::string::npos;
        text = left ? text + fill : fill + text;
    }
    return text;
}

std::string shortestDouble(double value)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string utf8FromCodePoint(uint32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// What %@ and %s show for an argument of any kind.
std::string objectText(const NSFormatArg& a)
{
    switch (a.kind) {
    case NSFormatArg::Kind::Text:
        return a.text;
    case NSFormatArg::Kind::Signed:
        return std::to_string(a.i);
    case NSFormatArg::Kind::Unsigned:
        return std::to_string(a.u);
    case NSFormatArg::Kind::Double:
        return shortestDouble(a.d);
    case NSFormatArg::Kind::Pointer:
        return a.pointer ? printfToString("%p", a.pointer) : std::string("(null)");
    }
    return std::string();
}

// The unsigned value of an integer argument as the platform prints it: a negative value is
// seen in the width its length modifier names (%u of -1 is 4294967295, %lu of -1 is 2^64-1).
unsigned long long unsignedValue(const NSFormatArg& a, const std::string& length)
{
    if (a.kind == NSFormatArg::Kind::Unsigned)
        return a.u;
    long long v = a.kind == NSFormatArg::Kind::Double ? static_cast<long long>(a.d) : a.i;
    if (v >= 0)
        return static_cast<unsigned long long>(v);
    if (length == "hh")
        return static_cast<unsigned char>(v);
    if (length == "h")
        return static_cast<unsigned short>(v);
    if (length.empty())
        return static_cast<unsigned int>(v);
    return static_cast<unsigned long long>(v);
}

std::string render(const Directive& d, const NSFormatArg& a)
{
    using Kind = NSFormatArg::Kind;
    bool numeric = a.kind == Kind::Signed || a.kind == Kind::Unsigned || a.kind == Kind::Double;
    switch (d.conversion) {
    case '@':
    case 's':
    case 'S':
        return padded(objectText(a), d);
    case 'c':
    case 'C': {
        if (a.kind == Kind::Text) {
            std::string first = codePointPrefix(a.text, 1);
            Directive noPrecision = d;
            noPrecision.precision = -1;
            return padded(first, noPrecision);
        }
        if (!numeric)
            return padded(objectText(a), d);
        unsigned long long code = a.kind == Kind::Double ? static_cast<unsigned long long>(a.d) : unsignedValue(a, "l");
        Directive noPrecision = d;
        noPrecision.precision = -1;
        std::string ch = d.conversion == 'c' ? std::string(1, static_cast<char>(code & 0xFF)) : utf8FromCodePoint(static_cast<uint32_t>(code));
        return padded(ch, noPrecision);
    }
    case 'd':
    case 'i':
        if (a.kind == Kind::Unsigned)
            return printfToString(numericConversion(d, "ll", 'u'), a.u);
        if (a.kind == Kind::Signed)
            return printfToString(numericConversion(d, "ll", 'd'), a.i);
        if (a.kind == Kind::Double)
            return printfToString(numericConversion(d, "ll", 'd'), static_cast<long long>(a.d));
        return padded(objectText(a), d);
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        if (!numeric)
            return padded(objectText(a), d);
        return printfToString(numericConversion(d, "ll", d.conversion), unsignedValue(a, d.length));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A': {
        if (!numeric)
            return padded(objectText(a), d);
        double v = a.kind == Kind::Double ? a.d : a.kind == Kind::Signed ? static_cast<double>(a.i) : static_cast<double>(a.u);
        return printfToString(numericConversion(d, "", d.conversion), v);
    }
    case 'p':
        if (a.kind == Kind::Pointer)
            return padded(printfToString("%p", a.pointer), Directive{d.flags, d.width, -1, "", 'p'});
        if (numeric)
            return padded(printfToString("0x%llx", unsignedValue(a, "l")), Directive{d.flags, d.width, -1, "", 'p'});
        return padded(objectText(a), d);
    }
    return std::string();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at `i`; -1 when none. Stops growing at kMaxWidth.
int readNumber(const std::string& s, size_t& i)
{
    if (i >= s.size() || !isDigit(s[i]))
        return -1;
    long value = 0;
    while (i < s.size() && isDigit(s[i])) {
        value = std::min<long>(value * 10 + (s[i] - '0'), kMaxWidth);
        ++i;
    }
    return static_cast<int>(value);
}

} // namespace

std::string NSString::stringWithFormatArguments(const std::string& format, const std::vector<NSFormatArg>& args)
{
    std::string out;
    out.reserve(format.size() + 16 * args.size());
    size_t nextArg = 0;
    const NSFormatArg* none = nullptr;

    auto argumentAt = [&](int position) -> const NSFormatArg* {
        size_t index = position > 0 ? static_cast<size_t>(position - 1) : nextArg++;
        return index < args.size() ? &args[index] : none;
    };

    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Directive d;
        int position = 0;
        // Positional argument: %2$@.
        {
            size_t j = i;
            int n = readNumber(format, j);
            if (n > 0 && j < format.size() && format[j] == '$') {
                position = n;
                i = j + 1;
            }
        }
        while (i < format.size() && std::string_view("-+ #0'").find(format[i]) != std::string_view::npos)
            d.flags += format[i++];
        bool broken = false;
        auto starValue = [&]() -> int {
            // '*' or '*n$': the value comes from an integer argument.
            ++i;
            int pos = 0;
            size_t j = i;
            int n = readNumber(format, j);
            if (n > 0 && j < format.size() && format[j] == '$') {
                pos = n;
                i = j + 1;
            }
            const NSFormatArg* a = argumentAt(pos);
            if (!a) {
                broken = true;
                return -1;
            }
            long long v = a->kind == NSFormatArg::Kind::Signed     ? a->i
                          : a->kind == NSFormatArg::Kind::Unsigned ? static_cast<long long>(std::min<unsigned long long>(a->u, kMaxWidth))
                          : a->kind == NSFormatArg::Kind::Double   ? static_cast<long long>(a->d)
                                                                   : 0;
            return static_cast<int>(std::clamp<long long>(v, -kMaxWidth, kMaxWidth));
        };
        if (i < format.size() && format[i] == '*') {
            int w = starValue();
            if (w < 0 && !broken) {
                d.flags += '-';
                w = -w;
            }
            d.width = w;
        } else {
            d.width = readNumber(format, i);
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (i < format.size() && format[i] == '*') {
                int p = starValue();
                d.precision = p < 0 ? -1 : p;
            } else {
                int p = readNumber(format, i);
                d.precision = p < 0 ? 0 : p;
            }
        }
        while (i < format.size() && std::string_view("hlqLztj").find(format[i]) != std::string_view::npos)
            d.length += format[i++];
        if (i >= format.size()) {
            out.append(format, start, std::string::npos);
            break;
        }
        d.conversion = format[i++];
        if (std::string_view("@sScCdiuoxXfFeEgGaAp").find(d.conversion) == std::string_view::npos) {
            // %n writes through a pointer in C; here it, like any unknown directive, prints as written.
            out.append(format, start, i - start);
            continue;
        }
        const NSFormatArg* a = broken ? nullptr : argumentAt(position);
        if (!a) {
            out.append(format, start, i - start);
            continue;
        }
        out += render(d, *a);
    }
    return out;
}

namespace {

bool isWhitespaceOrNewline(UChar32 c)
{
    if (c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x85)
        return true;
    int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

} // namespace

std::string NSString::trim(const std::string& text)
{
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    int32_t length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c;
        U8_NEXT(s, next, length, c);
        if (c < 0 || !isWhitespaceOrNewline(c))
            break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(s, begin, previous, c);
        if (c < 0 || !isWhitespaceOrNewline(c))
            break;
        end = previous;
    }
    return text.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin));
}

bool NSString::hasPrefix(const std::string& text, const std::string& prefix)
{
    return !prefix.empty() && text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool NSString::hasSuffix(const std::string& text, const std::string& suffix)
{
    return !suffix.empty() && text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool NSString::containsString(const std::string& text, const std::string& part)
{
    return !part.empty() && text.find(part) != std::string::npos;
}

std::string NSString::stringByReplacingOccurrencesOfString_withString(const std::string& text, const std::string& target,
                                                                       const std::string& replacement)
{
    if (target.empty())
        return text;
    std::string out;
    size_t from = 0;
    for (;;) {
        size_t at = text.find(target, from);
        if (at == std::string::npos)
            break;
        out.append(text, from, at - from);
        out += replacement;
        from = at + target.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::vector<std::string> NSString::componentsSeparatedByString(const std::string& text, const std::string& separator)
{
    if (separator.empty())
        return {text};
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        size_t at = text.find(separator, from);
        if (at == std::string::npos)
            break;
        parts.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::string NSString::componentsJoinedByString(const std::vector<std::string>& components, const std::string& separator)
{
    std::string out;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i)
            out += separator;
        out += components[i];
    }
    return out;
}

namespace {
// The path without trailing slashes ("/" itself stays "/").
std::string withoutTrailingSlashes(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}
} // namespace

std::string NSString::lastPathComponent(const std::string& path)
{
    std::string p = withoutTrailingSlashes(path);
    if (p == "/")
        return p;
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string NSString::stringByDeletingLastPathComponent(const std::string& path)
{
    std::string p = withoutTrailingSlashes(path);
    size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    if (slash == 0)
        return p == "/" ? std::string("/") : std::string("/");
    return p.substr(0, slash);
}

std::string NSString::stringByAppendingPathComponent(const std::string& path, const std::string& component)
{
    if (path.empty())
        return component;
    if (component.empty())
        return withoutTrailingSlashes(path);
    std::string head = withoutTrailingSlashes(path);
    size_t skip = 0;
    while (skip < component.size() && component[skip] == '/')
        ++skip;
    return (head == "/" ? head : head + "/") + component.substr(skip);
}

std::string NSString::pathExtension(const std::string& path)
{
    std::string last = lastPathComponent(path);
    size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    return last.substr(dot + 1);
}

std::string NSString::stringByDeletingPathExtension(const std::string& path)
{
    std::string ext = pathExtension(path);
    if (ext.empty())
        return withoutTrailingSlashes(path);
    std::string p = withoutTrailingSlashes(path);
    return p.substr(0, p.size() - ext.size() - 1);
}

std::string NSString::lowercaseString(const std::string& text)
{
    std::string out;
    icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

std::string NSString::uppercaseString(const std::string& text)
{
    std::string out;
    icu::UnicodeString::fromUTF8(text).toUpper(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

size_t NSString::length(const std::string& text)
{
    return static_cast<size_t>(icu::UnicodeString::fromUTF8(text).length());
}

namespace {

// Skips leading blanks; returns the index of the first other character.
size_t skipBlanks(const std::string& s)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\f' || s[i] == '\v'))
        ++i;
    return i;
}

} // namespace

long long NSString::longLongValue(const std::string& text)
{
    size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    unsigned long long magnitude = 0;
    bool overflow = false;
    while (i < text.size() && isDigit(text[i])) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (static_cast<unsigned long long>(LLONG_MAX) + 1 - digit) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + digit;
        ++i;
    }
    if (negative) {
        if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1)
            return LLONG_MIN;
        return magnitude == static_cast<unsigned long long>(LLONG_MAX) + 1 ? LLONG_MIN : -static_cast<long long>(magnitude);
    }
    if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX))
        return LLONG_MAX;
    return static_cast<long long>(magnitude);
}

long NSString::integerValue(const std::string& text)
{
    return static_cast<long>(std::clamp<long long>(longLongValue(text), LONG_MIN, LONG_MAX));
}

int NSString::intValue(const std::string& text)
{
    return static_cast<int>(std::clamp<long long>(longLongValue(text), INT_MIN, INT_MAX));
}

bool NSString::boolValue(const std::string& text)
{
    size_t i = skipBlanks(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i >= text.size())
        return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

double NSString::doubleValue(const std::string& text)
{
    size_t i = skipBlanks(text);
    if (i < text.size() && text[i] == '+')
        ++i;
    double value = 0;
    auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return std::strtod(text.c_str() + i, nullptr); // from_chars leaves `value` alone here; strtod gives inf or 0
    return result.ec == std::errc() ? value : 0.0;
}
