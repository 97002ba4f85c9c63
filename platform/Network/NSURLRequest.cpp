#include "Network/NSURLRequest.h"

std::shared_ptr<NSURLRequest> NSURLRequest::requestWithURL(const std::string& URL) { return std::make_shared<NSURLRequest>(URL); }

void NSURLRequest::setValue_forHTTPHeaderField(const std::optional<std::string>& value, const std::string& field)
{
    m_headers.setValue_forHTTPHeaderField(value, field);
}

std::optional<std::string> NSURLRequest::valueForHTTPHeaderField(const std::string& field) const
{
    return m_headers.valueForHTTPHeaderField(field);
}

std::map<std::string, std::string> NSURLRequest::allHTTPHeaderFields() const { return m_headers.allHTTPHeaderFields(); }
