#include "ScriptRuntime/ScriptValue.h"

#include <cmath>
#include <vector>

#include "Foundation/JSONValue.h"

ScriptValue::String::String(const std::string& utf8) : m_string(JSStringCreateWithUTF8CString(utf8.c_str())) {}

std::string ScriptValue::toUTF8(JSStringRef string)
{
    if (!string)
        return {};
    size_t capacity = JSStringGetMaximumUTF8CStringSize(string);
    std::vector<char> buffer(capacity > 0 ? capacity : 1);
    size_t written = JSStringGetUTF8CString(string, buffer.data(), buffer.size());
    return std::string(buffer.data(), written > 0 ? written - 1 : 0);
}

std::string ScriptValue::toString(JSContextRef ctx, JSValueRef value)
{
    if (!value)
        return "undefined";
    if (JSValueIsSymbol(ctx, value))
        return "[symbol]";
    JSValueRef exception = nullptr;
    const auto string = String::adopt(JSValueToStringCopy(ctx, value, &exception));
    if (!string.get() || exception)
        return "[object]";
    return toUTF8(string.get());
}

std::optional<nlohmann::json> ScriptValue::toJSON(JSContextRef ctx, JSValueRef value, std::string* error)
{
    auto fail = [error](const std::string& why) -> std::optional<nlohmann::json> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!value)
        return nlohmann::json();
    switch (JSValueGetType(ctx, value)) {
    case kJSTypeUndefined:
    case kJSTypeNull:
        return nlohmann::json();
    case kJSTypeBoolean:
        return nlohmann::json(JSValueToBoolean(ctx, value));
    case kJSTypeNumber: {
        double number = JSValueToNumber(ctx, value, nullptr);
        if (!std::isfinite(number))
            return nlohmann::json(); // as JSON.stringify writes it
        // Whole numbers within the exactly representable range stay integers.
        if (std::trunc(number) == number && std::fabs(number) <= 9007199254740992.0)
            return nlohmann::json(static_cast<int64_t>(number));
        return nlohmann::json(number);
    }
    case kJSTypeString:
        return nlohmann::json(toString(ctx, value));
    case kJSTypeSymbol:
        return fail("a symbol has no JSON form");
    case kJSTypeObject:
        break;
    default: // BigInt and whatever later engines add
        return fail("a value of this type has no JSON form");
    }
    JSObjectRef object = JSValueToObject(ctx, value, nullptr);
    if (object && JSObjectIsFunction(ctx, object))
        return fail("a function has no JSON form");
    JSValueRef exception = nullptr;
    const auto json = String::adopt(JSValueCreateJSONString(ctx, value, 0, &exception));
    if (exception || !json.get())
        return fail(exception ? describeException(ctx, exception) : std::string("the value has no JSON form"));
    std::string text = toUTF8(json.get());
    // Lone surrogates come out escaped and are not valid UTF-8 text once decoded; the engine
    // also writes nesting deeper than a value of ours may go.
    std::string why;
    auto parsed = JSONFromText<nlohmann::json>(text, &why);
    if (!parsed)
        return fail("the value's JSON text cannot be read back: " + why);
    return parsed;
}

JSValueRef ScriptValue::fromJSON(JSContextRef ctx, const nlohmann::json& json)
{
    if (json.is_discarded())
        return JSValueMakeUndefined(ctx);
    std::string text = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    String string(text);
    JSValueRef value = JSValueMakeFromJSONString(ctx, string.get());
    return value ? value : JSValueMakeUndefined(ctx);
}

bool ScriptValue::isError(JSContextRef ctx, JSValueRef value)
{
    if (!value || !JSValueIsObject(ctx, value))
        return false;
    JSValueRef ctor = property(ctx, JSContextGetGlobalObject(ctx), "Error");
    if (!ctor || !JSValueIsObject(ctx, ctor))
        return false;
    JSObjectRef errorConstructor = JSValueToObject(ctx, ctor, nullptr);
    return errorConstructor && JSValueIsInstanceOfConstructor(ctx, value, errorConstructor, nullptr);
}

std::string ScriptValue::describe(JSContextRef ctx, JSValueRef value)
{
    if (!value)
        return "undefined";
    if (!JSValueIsObject(ctx, value))
        return toString(ctx, value);
    if (isError(ctx, value))
        return toString(ctx, value);
    JSObjectRef object = JSValueToObject(ctx, value, nullptr);
    if (object && JSObjectIsFunction(ctx, object))
        return toString(ctx, value);
    JSValueRef exception = nullptr;
    const auto json = String::adopt(JSValueCreateJSONString(ctx, value, 0, &exception));
    if (exception || !json.get())
        return toString(ctx, value);
    return toUTF8(json.get());
}

std::string ScriptValue::describeException(JSContextRef ctx, JSValueRef exception)
{
    if (!exception)
        return "unknown error";
    std::string text = toString(ctx, exception);
    if (!JSValueIsObject(ctx, exception))
        return text;
    JSObjectRef object = JSValueToObject(ctx, exception, nullptr);
    if (!object)
        return text;
    auto read = [&](const char* name) -> std::string {
        JSValueRef v = property(ctx, object, name);
        return v && !JSValueIsUndefined(ctx, v) && !JSValueIsNull(ctx, v) ? toString(ctx, v) : std::string();
    };
    std::string sourceURL = read("sourceURL");
    std::string line = read("line");
    std::string column = read("column");
    if (!line.empty()) {
        text += " (" + (sourceURL.empty() ? std::string("script") : sourceURL) + ":" + line;
        if (!column.empty())
            text += ":" + column;
        text += ")";
    }
    return text;
}

JSValueRef ScriptValue::property(JSContextRef ctx, JSObjectRef object, const char* name)
{
    String key(name);
    JSValueRef exception = nullptr;
    JSValueRef value = JSObjectGetProperty(ctx, object, key.get(), &exception);
    return exception ? nullptr : value;
}

void ScriptValue::setProperty(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef value, JSPropertyAttributes attributes)
{
    String key(name);
    JSObjectSetProperty(ctx, object, key.get(), value, attributes, nullptr);
}

JSValueRef ScriptValue::makeString(JSContextRef ctx, const std::string& utf8)
{
    String string(utf8);
    return JSValueMakeString(ctx, string.get());
}

JSObjectRef ScriptValue::makeError(JSContextRef ctx, const std::string& message, const char* type)
{
    JSValueRef argument = makeString(ctx, message);
    std::string kind = type ? type : "Error";
    if (kind != "Error") {
        JSValueRef ctor = property(ctx, JSContextGetGlobalObject(ctx), kind.c_str());
        JSObjectRef constructor = ctor && JSValueIsObject(ctx, ctor) ? JSValueToObject(ctx, ctor, nullptr) : nullptr;
        if (constructor && JSObjectIsConstructor(ctx, constructor)) {
            JSValueRef exception = nullptr;
            JSObjectRef error = JSObjectCallAsConstructor(ctx, constructor, 1, &argument, &exception);
            if (error && !exception)
                return error;
        }
    }
    return JSObjectMakeError(ctx, 1, &argument, nullptr);
}
