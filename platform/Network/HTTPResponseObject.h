#pragma once
// What a response serializer makes of an answer's body: parsed JSON (an object, an array or a
// scalar), the raw bytes, or nothing (a failure, or an empty JSON answer). A plain value.
#include <variant>

#include <nlohmann/json.hpp>

#include "Foundation/NSData.h"

class HTTPResponseObject {
public:
    HTTPResponseObject() = default;
    explicit HTTPResponseObject(nlohmann::json json) : m_value(std::move(json)) {}
    explicit HTTPResponseObject(NSData data) : m_value(std::move(data)) {}

    bool isNone() const { return std::holds_alternative<std::monostate>(m_value); }
    // nullptr unless the object is JSON.
    const nlohmann::json* json() const { return std::get_if<nlohmann::json>(&m_value); }
    // nullptr unless the object is raw data.
    const NSData* data() const { return std::get_if<NSData>(&m_value); }

private:
    std::variant<std::monostate, nlohmann::json, NSData> m_value;
};
