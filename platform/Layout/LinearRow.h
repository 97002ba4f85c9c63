#pragma once
// One row of the solver's tableau, `basic = constant + sum(coefficient * symbol)`, or before
// it has a basic symbol, the equation `0 = constant + sum(...)`. The coefficient is a number
// in the constraint rows and a SymbolicWeight in the objective. Coefficients that come near
// zero are dropped, so a symbol is in a row exactly when it matters to it. Internal to the
// solver.
#include <cmath>
#include <map>

#include "Layout/Symbol.h"

namespace Layout::detail {

// Below this, a coefficient or a constant counts as zero: it absorbs the rounding of
// repeated pivots without hiding the coefficients layouts use (points, multipliers).
inline constexpr double Tolerance = 1.0e-8;

inline bool nearZero(double value) { return std::fabs(value) < Tolerance; }

template<class Coefficient>
class LinearRow {
public:
    using Cells = std::map<Symbol, Coefficient>;

    LinearRow() = default;
    explicit LinearRow(Coefficient constant) : m_constant(std::move(constant)) {}

    const Cells& cells() const { return m_cells; }
    const Coefficient& constant() const { return m_constant; }

    // Adds to the constant and answers the new one.
    const Coefficient& add(const Coefficient& value)
    {
        m_constant += value;
        return m_constant;
    }

    void insert(Symbol symbol, const Coefficient& coefficient)
    {
        auto [it, fresh] = m_cells.try_emplace(symbol);
        it->second += coefficient;
        if (nearZero(it->second))
            m_cells.erase(it);
    }

    // Adds `factor * row`.
    void insert(const LinearRow<double>& row, const Coefficient& factor)
    {
        m_constant += factor * row.constant();
        for (const auto& [symbol, coefficient] : row.cells())
            insert(symbol, factor * coefficient);
    }

    void remove(Symbol symbol) { m_cells.erase(symbol); }

    Coefficient coefficientFor(Symbol symbol) const
    {
        auto it = m_cells.find(symbol);
        return it == m_cells.end() ? Coefficient {} : it->second;
    }

    // Replaces `symbol` by the expression `row` it equals.
    void substitute(Symbol symbol, const LinearRow<double>& row)
    {
        auto it = m_cells.find(symbol);
        if (it == m_cells.end())
            return;
        Coefficient coefficient = it->second;
        m_cells.erase(it);
        insert(row, coefficient);
    }

    // For the equation rows only.
    void reverseSign()
    {
        m_constant = -m_constant;
        for (auto& [symbol, coefficient] : m_cells)
            coefficient = -coefficient;
    }

    // Turns the equation `0 = ... + c * symbol + ...` into `symbol = ...`. The symbol must be
    // in the row.
    void solveFor(Symbol symbol)
    {
        double factor = -1.0 / m_cells.at(symbol);
        m_cells.erase(symbol);
        m_constant *= factor;
        for (auto& [s, coefficient] : m_cells)
            coefficient *= factor;
    }

    // Turns the row `lhs = ... + c * rhs + ...` into `rhs = ...`.
    void solveFor(Symbol lhs, Symbol rhs)
    {
        insert(lhs, -1.0);
        solveFor(rhs);
    }

private:
    Cells m_cells;
    Coefficient m_constant {};
};

using Row = LinearRow<double>;

} // namespace Layout::detail
