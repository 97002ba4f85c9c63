#pragma once
// One row of the solver's tableau, `basic = constant + sum(coefficient * symbol)`, or before
// it has a basic symbol, the equation `0 = constant + sum(...)`. The cells are kept sorted by
// symbol (so by age) in one vector: rows are short for most layouts and are copied, scaled and
// merged far more often than searched. Coefficients that come near zero are dropped, so a
// symbol is in a row exactly when it matters to it. Internal to the solver.
//
// Operations that change which symbols a row holds report each symbol that came in or went
// out, so the solver can keep its index of which rows hold a symbol exact.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "Layout/Symbol.h"

namespace Layout::detail {

// Below this, a coefficient or a constant counts as zero: it absorbs the rounding of
// repeated pivots without hiding the coefficients layouts use (points, multipliers).
inline constexpr double Tolerance = 1.0e-8;

inline bool nearZero(double value) { return std::fabs(value) < Tolerance; }

// Stands in for the reports when nobody keeps an index of the row.
struct IgnoreSymbol {
    void operator()(Symbol) const {}
};

class LinearRow {
public:
    using Cell = std::pair<Symbol, double>;
    using Cells = std::vector<Cell>;

    LinearRow() = default;
    explicit LinearRow(double constant) : m_constant(constant) {}

    const Cells& cells() const { return m_cells; }
    double constant() const { return m_constant; }

    // Adds to the constant and answers the new one.
    double add(double value)
    {
        m_constant += value;
        return m_constant;
    }

    template<class Added = IgnoreSymbol, class Removed = IgnoreSymbol>
    void insert(Symbol symbol, double coefficient, Added added = {}, Removed removed = {})
    {
        auto it = find(symbol);
        if (it != m_cells.end() && it->first == symbol) {
            it->second += coefficient;
            if (nearZero(it->second)) {
                m_cells.erase(it);
                removed(symbol);
            }
        } else if (!nearZero(coefficient)) {
            m_cells.insert(it, Cell { symbol, coefficient });
            added(symbol);
        }
    }

    // Adds `factor * row`, merging the two sorted rows in one sweep.
    template<class Added = IgnoreSymbol, class Removed = IgnoreSymbol>
    void insert(const LinearRow& row, double factor, Added added = {}, Removed removed = {})
    {
        m_constant += factor * row.m_constant;
        if (row.m_cells.empty())
            return;
        if (row.m_cells.size() <= 2) {
            // Most rows substituted in are this short: a search each beats a sweep.
            for (const auto& [symbol, coefficient] : row.m_cells)
                insert(symbol, factor * coefficient, added, removed);
            return;
        }
        Cells merged;
        merged.reserve(m_cells.size() + row.m_cells.size());
        auto a = m_cells.begin();
        auto b = row.m_cells.begin();
        while (a != m_cells.end() || b != row.m_cells.end()) {
            if (b == row.m_cells.end() || (a != m_cells.end() && a->first < b->first)) {
                merged.push_back(*a++);
            } else if (a == m_cells.end() || b->first < a->first) {
                double value = factor * b->second;
                if (!nearZero(value)) {
                    merged.emplace_back(b->first, value);
                    added(b->first);
                }
                ++b;
            } else {
                double value = a->second + factor * b->second;
                if (nearZero(value))
                    removed(a->first);
                else
                    merged.emplace_back(a->first, value);
                ++a;
                ++b;
            }
        }
        m_cells = std::move(merged);
    }

    // True when the symbol was in the row.
    bool remove(Symbol symbol)
    {
        auto it = find(symbol);
        if (it == m_cells.end() || it->first != symbol)
            return false;
        m_cells.erase(it);
        return true;
    }

    double coefficientFor(Symbol symbol) const
    {
        auto it = std::lower_bound(m_cells.begin(), m_cells.end(), symbol, [](const Cell& c, Symbol s) { return c.first < s; });
        return it == m_cells.end() || it->first != symbol ? 0.0 : it->second;
    }

    // Replaces `symbol` by the expression `row` it equals. `symbol` itself is not reported.
    template<class Added = IgnoreSymbol, class Removed = IgnoreSymbol>
    void substitute(Symbol symbol, const LinearRow& row, Added added = {}, Removed removed = {})
    {
        auto it = find(symbol);
        if (it == m_cells.end() || it->first != symbol)
            return;
        double coefficient = it->second;
        m_cells.erase(it);
        insert(row, coefficient, added, removed);
    }

    // For the equation rows only.
    void reverseSign()
    {
        m_constant = -m_constant;
        for (auto& cell : m_cells)
            cell.second = -cell.second;
    }

    // Turns the equation `0 = ... + c * symbol + ...` into `symbol = ...`. The symbol must be
    // in the row.
    void solveFor(Symbol symbol)
    {
        auto it = find(symbol);
        double factor = -1.0 / it->second;
        m_cells.erase(it);
        m_constant *= factor;
        for (auto& cell : m_cells)
            cell.second *= factor;
    }

    // Turns the row `lhs = ... + c * rhs + ...` into `rhs = ...`.
    void solveFor(Symbol lhs, Symbol rhs)
    {
        insert(lhs, -1.0);
        solveFor(rhs);
    }

private:
    Cells::iterator find(Symbol symbol)
    {
        return std::lower_bound(m_cells.begin(), m_cells.end(), symbol, [](const Cell& c, Symbol s) { return c.first < s; });
    }

    Cells m_cells;
    double m_constant = 0.0;
};

using Row = LinearRow;

} // namespace Layout::detail
