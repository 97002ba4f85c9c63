#pragma once
// What the simplex minimises: `constant + sum(weight * symbol)` with symbolic weights, one per
// error symbol of an optional constraint, after substitution. It grows with every optional
// constraint while each change touches a few symbols, so the cells are hashed, and the symbols
// whose weight is negative (the ones that would lower it by entering the basis) are kept
// apart in age order: the pivot rule takes the oldest of them. Internal to the solver.
#include <set>
#include <unordered_map>

#include "Layout/LinearRow.h"
#include "Layout/SymbolicWeight.h"

namespace Layout::detail {

class Objective {
public:
    const SymbolicWeight& constant() const { return m_constant; }
    bool contains(Symbol symbol) const { return m_cells.contains(symbol); }

    SymbolicWeight coefficientFor(Symbol symbol) const
    {
        auto it = m_cells.find(symbol);
        return it == m_cells.end() ? SymbolicWeight {} : it->second;
    }

    void insert(Symbol symbol, const SymbolicWeight& weight)
    {
        if (weight.isZero())
            return;
        auto [it, fresh] = m_cells.try_emplace(symbol);
        it->second += weight;
        if (it->second.isZero()) {
            m_cells.erase(it);
            m_negative.erase(symbol);
        } else if (it->second.sign() < 0 && !symbol.isDummy()) {
            m_negative.insert(symbol);
        } else {
            m_negative.erase(symbol);
        }
    }

    // Adds `factor * row`.
    void insert(const Row& row, const SymbolicWeight& factor)
    {
        m_constant += factor * row.constant();
        for (const auto& [symbol, coefficient] : row.cells())
            insert(symbol, factor * coefficient);
    }

    void remove(Symbol symbol)
    {
        m_cells.erase(symbol);
        m_negative.erase(symbol);
    }

    // Replaces `symbol` by the expression `row` it equals.
    void substitute(Symbol symbol, const Row& row)
    {
        auto it = m_cells.find(symbol);
        if (it == m_cells.end())
            return;
        SymbolicWeight weight = std::move(it->second);
        m_cells.erase(it);
        m_negative.erase(symbol);
        insert(row, weight);
    }

    // The oldest symbol, dummies aside, whose entering would lower the objective; invalid at
    // the optimum.
    Symbol entering() const { return m_negative.empty() ? Symbol {} : *m_negative.begin(); }

private:
    std::unordered_map<Symbol, SymbolicWeight, SymbolHash> m_cells;
    std::set<Symbol> m_negative;
    SymbolicWeight m_constant;
};

} // namespace Layout::detail
