#pragma once
// What a response serializer makes of an answer's body: parsed JSON (an object, an array or a
// scalar), the raw bytes, or nothing (a failure, or an empty JSON answer). A plain value.
#include <variant>

#include "Foundation/JSONValue.h"
#include "Foundation/NSData.h"

class HTTPResponseObject {
public:
    HTTPResponseObject() = default;
    explicit HTTPResponseObject(JSONValue json) : m_value(std::move(json)) {}
    explicit HTTPResponseObject(NSData data) : m_value(std::move(data)) {}

    bool isNone() const { return std::holds_alternative<std::monostate>(m_value); }
    // nullptr unless the object is JSON.
    const JSONValue* json() const { return std::get_if<JSONValue>(&m_value); }
    // nullptr unless the object is raw data.
    const NSData* data() const { return std::get_if<NSData>(&m_value); }

private:
    std::variant<std::monostate, JSONValue, NSData> m_value;
};
