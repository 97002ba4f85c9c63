#pragma once
// Internal to the runtime. Conversions between the engine's values and the rest of the program:
// text, JSON (what native methods take and give) and the one-line descriptions of errors the
// console shows.
// Script thread only: every call needs the engine's context.
#include <memory>
#include <optional>
#include <string>

#include <JavaScriptCore/JavaScript.h>
#include <nlohmann/json.hpp>

class ScriptValue {
public:
    // An engine string, released with the object: made from UTF-8 text, or taken over from
    // an engine call that hands out a copy (the …Copy and …Create functions).
    class String {
    public:
        explicit String(const std::string& utf8);
        // Null when the engine gave none.
        static String adopt(JSStringRef copy) { return String(copy); }
        JSStringRef get() const { return m_string.get(); }

    private:
        struct Releaser {
            void operator()(JSStringRef string) const { JSStringRelease(string); }
        };
        explicit String(JSStringRef copy) : m_string(copy) {}
        std::unique_ptr<OpaqueJSString, Releaser> m_string;
    };

    static std::string toUTF8(JSStringRef string);
    // String(value) as the script would write it; never throws (a value whose conversion
    // throws gives a placeholder).
    static std::string toString(JSContextRef ctx, JSValueRef value);
    // The JSON form of a value: undefined and null give null, numbers that are whole give
    // integers, objects and arrays go through JSON.stringify. Functions, symbols and values
    // JSON cannot hold (cycles) give nullopt and a reason in `error`.
    static std::optional<nlohmann::json> toJSON(JSContextRef ctx, JSValueRef value, std::string* error = nullptr);
    static JSValueRef fromJSON(JSContextRef ctx, const nlohmann::json& json);
    // What the console prints for one argument: text as it is, errors as "Name: message",
    // other objects as JSON when they have a JSON form.
    static std::string describe(JSContextRef ctx, JSValueRef value);
    // "TypeError: message (file:///…/main.jsbundle:3:14)" for a thrown value.
    static std::string describeException(JSContextRef ctx, JSValueRef exception);

    static JSValueRef property(JSContextRef ctx, JSObjectRef object, const char* name);
    static void setProperty(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef value,
                            JSPropertyAttributes attributes = kJSPropertyAttributeNone);
    static JSValueRef makeString(JSContextRef ctx, const std::string& utf8);
    // A new Error (TypeError when `type` says so) with the message.
    static JSObjectRef makeError(JSContextRef ctx, const std::string& message, const char* type = "Error");
    static bool isError(JSContextRef ctx, JSValueRef value);
};
