#include "Layout/SymbolicWeight.h"

#include <cmath>

#include "Layout/LinearRow.h"

namespace Layout::detail {

SymbolicWeight SymbolicWeight::at(double level, double value)
{
    SymbolicWeight w;
    if (!nearZero(value))
        w.m_parts.emplace_back(level, value);
    return w;
}

SymbolicWeight& SymbolicWeight::operator+=(const SymbolicWeight& other)
{
    std::vector<std::pair<double, double>> sum;
    sum.reserve(m_parts.size() + other.m_parts.size());
    auto a = m_parts.begin();
    auto b = other.m_parts.begin();
    auto push = [&sum](double level, double value) {
        if (!nearZero(value))
            sum.emplace_back(level, value);
    };
    while (a != m_parts.end() || b != other.m_parts.end()) {
        if (b == other.m_parts.end() || (a != m_parts.end() && a->first > b->first)) {
            push(a->first, a->second);
            ++a;
        } else if (a == m_parts.end() || b->first > a->first) {
            push(b->first, b->second);
            ++b;
        } else {
            push(a->first, a->second + b->second);
            ++a;
            ++b;
        }
    }
    m_parts = std::move(sum);
    return *this;
}

SymbolicWeight SymbolicWeight::operator*(double factor) const
{
    SymbolicWeight w;
    for (const auto& [level, value] : m_parts)
        if (!nearZero(value * factor))
            w.m_parts.emplace_back(level, value * factor);
    return w;
}

int SymbolicWeight::sign() const
{
    if (m_parts.empty())
        return 0;
    return m_parts.front().second < 0 ? -1 : 1;
}

bool operator<(const SymbolicWeight& a, const SymbolicWeight& b)
{
    SymbolicWeight difference = a;
    difference += b * -1.0;
    return difference.sign() < 0;
}

} // namespace Layout::detail
