#include "Layout/Expression.h"

#include <cmath>

namespace Layout {

Expression Expression::reduced() const
{
    std::vector<Term> merged;
    for (const auto& term : m_terms) {
        bool found = false;
        for (auto& existing : merged) {
            if (existing.variable == term.variable) {
                existing.coefficient += term.coefficient;
                found = true;
                break;
            }
        }
        if (!found)
            merged.push_back(term);
    }
    std::erase_if(merged, [](const Term& t) { return t.coefficient == 0.0; });
    return Expression(std::move(merged), m_constant);
}

bool Expression::isFinite() const
{
    if (!std::isfinite(m_constant))
        return false;
    for (const auto& term : m_terms)
        if (!std::isfinite(term.coefficient))
            return false;
    return true;
}

Expression& Expression::operator+=(const Expression& other)
{
    m_terms.insert(m_terms.end(), other.m_terms.begin(), other.m_terms.end());
    m_constant += other.m_constant;
    return *this;
}

Expression& Expression::operator-=(const Expression& other)
{
    for (const auto& term : other.m_terms)
        m_terms.push_back(Term { term.variable, -term.coefficient });
    m_constant -= other.m_constant;
    return *this;
}

Expression& Expression::operator*=(double factor)
{
    for (auto& term : m_terms)
        term.coefficient *= factor;
    m_constant *= factor;
    return *this;
}

Expression operator+(Expression a, const Expression& b) { return a += b; }
Expression operator-(Expression a, const Expression& b) { return a -= b; }
Expression operator-(Expression a) { return a *= -1.0; }
Expression operator*(Expression a, double factor) { return a *= factor; }
Expression operator*(double factor, Expression a) { return a *= factor; }
Expression operator/(Expression a, double divisor) { return a *= 1.0 / divisor; }

} // namespace Layout
