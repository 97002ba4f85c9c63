#pragma once
// An ordered list of HTTP header fields whose names compare without regard to case: setting
// "x-client-secret" replaces an earlier "X-Client-Secret" (the name keeps its first spelling).
// A plain value; the owner guards it when it is shared between threads.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class HTTPHeaderFields {
public:
    // Sets the field; nullopt removes it.
    void setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field);
    std::optional<std::string> valueForHTTPHeaderField(const std::string& field) const;
    // Name as first set -> value.
    std::map<std::string, std::string> allHTTPHeaderFields() const;
    // The fields in the order they were first set.
    const std::vector<std::pair<std::string, std::string>>& fields() const { return m_fields; }

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};
