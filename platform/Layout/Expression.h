#pragma once
// A linear expression over variables: c1*v1 + c2*v2 + ... + constant. Built with ordinary
// arithmetic (`2 * width + 10`, `right - left`); products of two variables do not exist.
// Plain value type.
#include <vector>

#include "Layout/Variable.h"

namespace Layout {

struct Term {
    Variable variable;
    double coefficient = 1.0;
};

class Expression {
public:
    Expression(double constant = 0.0) : m_constant(constant) {}
    Expression(const Variable& variable) : m_terms { Term { variable, 1.0 } } {}
    Expression(Term term) : m_terms { std::move(term) } {}
    Expression(std::vector<Term> terms, double constant) : m_terms(std::move(terms)), m_constant(constant) {}

    const std::vector<Term>& terms() const { return m_terms; }
    double constant() const { return m_constant; }

    // The same expression with the terms of one variable merged into one, terms whose
    // coefficient cancels out dropped, in the order of first appearance.
    Expression reduced() const;
    // True when the constant and every coefficient are finite numbers.
    bool isFinite() const;

    Expression& operator+=(const Expression& other);
    Expression& operator-=(const Expression& other);
    Expression& operator*=(double factor);

private:
    std::vector<Term> m_terms;
    double m_constant = 0.0;
};

Expression operator+(Expression a, const Expression& b);
Expression operator-(Expression a, const Expression& b);
Expression operator-(Expression a);
Expression operator*(Expression a, double factor);
Expression operator*(double factor, Expression a);
Expression operator/(Expression a, double divisor);

// Keeps `2 * x` an expression rather than an ambiguous conversion.
inline Expression operator*(double factor, const Variable& v) { return Expression(Term { v, factor }); }
inline Expression operator*(const Variable& v, double factor) { return Expression(Term { v, factor }); }

} // namespace Layout
