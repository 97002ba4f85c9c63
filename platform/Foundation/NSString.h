#pragma once
// Text helpers over UTF-8 std::string, and the one formatter of the code base:
// stringWithFormat takes Objective-C format strings as they stand (%@ %d %i %u %ld %lu %lld
// %zd %zu %x %X %o %s %c %p %f %.2f %e %g %% with flags, width, precision and positional
// %1$@). %@ prints text, C strings, optional text (nil as "(null)"), numbers, and anything
// with a description() member, directly or through a (possibly null) smart pointer.
// A format that does not fit its arguments never crashes: a missing argument prints the
// directive as written, a mismatched one prints the argument as best it can. Any thread.
#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// One argument of stringWithFormat, reduced to what a format directive can print.
struct NSFormatArg {
    enum class Kind { Signed, Unsigned, Double, Text, Pointer };
    Kind kind = Kind::Text;
    long long i = 0;
    unsigned long long u = 0;
    double d = 0;
    std::string text;
    const void* pointer = nullptr;
};

namespace NSFormatDetail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T>
struct IsSmartPointer : std::false_type {};
template <class T>
struct IsSmartPointer<std::shared_ptr<T>> : std::true_type {};
template <class T, class D>
struct IsSmartPointer<std::unique_ptr<T, D>> : std::true_type {};

template <class T>
concept HasDescription = requires(const T& v) {
    { v.description() } -> std::convertible_to<std::string>;
};
// JSON values (nlohmann::json) print as their compact text.
template <class T>
concept HasDump = requires(const T& v) {
    { v.dump() } -> std::convertible_to<std::string>;
};

inline NSFormatArg text(std::string s)
{
    NSFormatArg a;
    a.kind = NSFormatArg::Kind::Text;
    a.text = std::move(s);
    return a;
}

template <class T>
NSFormatArg make(const T& v)
{
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, bool>) {
        NSFormatArg a;
        a.kind = NSFormatArg::Kind::Signed;
        a.i = v ? 1 : 0;
        return a;
    } else if constexpr (std::is_enum_v<U>) {
        return make(static_cast<std::underlying_type_t<U>>(v));
    } else if constexpr (std::is_integral_v<U> && std::is_signed_v<U>) {
        NSFormatArg a;
        a.kind = NSFormatArg::Kind::Signed;
        a.i = static_cast<long long>(v);
        return a;
    } else if constexpr (std::is_integral_v<U>) {
        NSFormatArg a;
        a.kind = NSFormatArg::Kind::Unsigned;
        a.u = static_cast<unsigned long long>(v);
        return a;
    } else if constexpr (std::is_floating_point_v<U>) {
        NSFormatArg a;
        a.kind = NSFormatArg::Kind::Double;
        a.d = static_cast<double>(v);
        return a;
    } else if constexpr (std::is_same_v<U, std::string> || std::is_same_v<U, std::string_view>) {
        return text(std::string(v));
    } else if constexpr (std::is_array_v<U>) {
        return text(std::string(v));
    } else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>) {
        return text(v ? std::string(v) : std::string("(null)"));
    } else if constexpr (std::is_same_v<U, std::nullptr_t>) {
        return text("(null)");
    } else if constexpr (IsOptional<U>::value) {
        if (!v)
            return text("(null)");
        return make(*v);
    } else if constexpr (IsSmartPointer<U>::value) {
        if (!v)
            return text("(null)");
        return make(*v);
    } else if constexpr (HasDescription<U>) {
        return text(std::string(v.description()));
    } else if constexpr (HasDump<U>) {
        return text(std::string(v.dump()));
    } else if constexpr (std::is_pointer_v<U> && HasDescription<std::remove_cv_t<std::remove_pointer_t<U>>>) {
        if (!v)
            return text("(null)");
        return text(std::string(v->description()));
    } else if constexpr (std::is_pointer_v<U>) {
        NSFormatArg a;
        a.kind = NSFormatArg::Kind::Pointer;
        a.pointer = static_cast<const void*>(v);
        return a;
    } else {
        static_assert(sizeof(U) == 0, "stringWithFormat: this argument type has no printable form");
    }
}

} // namespace NSFormatDetail

class NSString {
public:
    template <class... A>
    static std::string stringWithFormat(const std::string& format, const A&... args)
    {
        return stringWithFormatArguments(format, std::vector<NSFormatArg>{NSFormatDetail::make(args)...});
    }
    static std::string stringWithFormatArguments(const std::string& format, const std::vector<NSFormatArg>& args);

    // Without leading and trailing whitespace and line breaks (Unicode spaces included).
    static std::string trim(const std::string& text);
    static bool hasPrefix(const std::string& text, const std::string& prefix);
    static bool hasSuffix(const std::string& text, const std::string& suffix);
    static bool containsString(const std::string& text, const std::string& part);
    static std::string stringByReplacingOccurrencesOfString_withString(const std::string& text, const std::string& target,
                                                                       const std::string& replacement);
    static std::string stringByReplacingOccurrencesOfString(const std::string& text, const std::string& target,
                                                            const std::string& replacement)
    {
        return stringByReplacingOccurrencesOfString_withString(text, target, replacement);
    }
    // An empty separator gives the whole text as one component.
    static std::vector<std::string> componentsSeparatedByString(const std::string& text, const std::string& separator);
    static std::string componentsJoinedByString(const std::vector<std::string>& components, const std::string& separator);

    // Paths ("/" separated).
    static std::string lastPathComponent(const std::string& path);
    static std::string stringByDeletingLastPathComponent(const std::string& path);
    static std::string stringByAppendingPathComponent(const std::string& path, const std::string& component);
    static std::string pathExtension(const std::string& path);
    static std::string stringByDeletingPathExtension(const std::string& path);

    // Case, by Unicode rules (ICU).
    static std::string lowercaseString(const std::string& text);
    static std::string uppercaseString(const std::string& text);
    // The length the platform reports: UTF-16 code units.
    static size_t length(const std::string& text);

    // Numbers read the platform's way: the leading decimal number after blanks and an
    // optional sign (0 when there is none; clamped on overflow).
    static int intValue(const std::string& text);
    static long integerValue(const std::string& text);
    static long long longLongValue(const std::string& text);
    static double doubleValue(const std::string& text);
    // YES when, after blanks, an optional sign and leading zeros, the text starts with
    // Y, y, T, t or a digit 1 to 9.
    static bool boolValue(const std::string& text);
};
