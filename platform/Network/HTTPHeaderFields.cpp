#include "Network/HTTPHeaderFields.h"

#include <strings.h>

namespace {

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

} // namespace

void HTTPHeaderFields::setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field)
{
    for (auto it = m_fields.begin(); it != m_fields.end(); ++it) {
        if (!sameName(it->first, field))
            continue;
        if (value)
            it->second = *value;
        else
            m_fields.erase(it);
        return;
    }
    if (value)
        m_fields.emplace_back(field, *value);
}

std::optional<std::string> HTTPHeaderFields::valueForHTTPHeaderField(const std::string& field) const
{
    for (const auto& [name, value] : m_fields)
        if (sameName(name, field))
            return value;
    return std::nullopt;
}

std::map<std::string, std::string> HTTPHeaderFields::allHTTPHeaderFields() const
{
    return std::map<std::string, std::string>(m_fields.begin(), m_fields.end());
}
