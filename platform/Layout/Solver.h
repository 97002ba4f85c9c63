#pragma once
// An incremental constraint solver: the dual simplex method of the Cassowary algorithm. It
// holds required and optional linear equalities and inequalities and keeps, after every
// change, a solution that satisfies every required constraint and minimises the weighted
// errors of the optional ones, strength level by level. Constraints are added and removed one
// at a time; edit variables take suggested values (a dragged edge, an animated offset) and
// the solution follows them without being rebuilt.
//
// Nothing here fails hard: an operation that cannot be done answers a SolverError and leaves
// the solver as it was. Not thread-safe; a solver belongs to the thread that uses it (UIKit's
// main thread).
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "Layout/Constraint.h"
#include "Layout/LinearRow.h"
#include "Layout/Objective.h"
#include "Layout/SolverError.h"
#include "Layout/Symbol.h"
#include "Layout/SymbolicWeight.h"
#include "Layout/Variable.h"

namespace Layout {

class Solver {
public:
    Solver() = default;
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;

    SolverError addConstraint(const Constraint& constraint);
    SolverError removeConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;

    // An edit variable is held near its suggested value at `strength` (which cannot be
    // required). Its first suggestion is 0 until suggestValue says otherwise.
    SolverError addEditVariable(const Variable& variable, Strength strength);
    SolverError removeEditVariable(const Variable& variable);
    bool hasEditVariable(const Variable& variable) const;
    SolverError suggestValue(const Variable& variable, double value);

    // The variable's value in the current solution; 0 for a variable no constraint names.
    double valueOf(const Variable& variable) const;

    // Forgets every constraint and edit variable.
    void reset();

private:
    using Symbol = detail::Symbol;
    using Row = detail::Row;
    using Objective = detail::Objective;
    using SymbolHash = detail::SymbolHash;

    // The symbols that stand for a constraint in the tableau: the marker finds its row again
    // on removal; `other` is the second error of an optional equality.
    struct Tag {
        Symbol marker;
        Symbol other;
    };
    struct Held {
        Constraint constraint;
        Tag tag;
    };
    struct Edit {
        Constraint constraint;
        double constant = 0.0;
    };
    // A variable stays known while constraints name it, so its symbol is not reused by a
    // new variable at the same address.
    struct Known {
        Variable variable;
        Symbol symbol;
        int uses = 0;
    };

    Symbol makeSymbol(Symbol::Kind kind);
    Symbol symbolFor(const Variable& variable);
    Row rowFor(const Constraint& constraint, Tag& tag);
    static Symbol chooseSubject(const Row& row, const Tag& tag);
    bool addWithArtificialVariable(const Row& row);
    // Every row enters and leaves the tableau through these two, which keep m_columns exact.
    void putRow(Symbol basic, Row row);
    Row takeRow(Symbol basic);
    void noteCell(Symbol symbol, Symbol basic);
    void forgetCell(Symbol symbol, Symbol basic);
    // The basic symbols whose rows hold `symbol`, oldest first.
    const std::vector<Symbol>& rowsHolding(Symbol symbol) const;
    bool isInSomeRow(Symbol symbol) const { return !rowsHolding(symbol).empty(); }
    // Hands the column over (for a symbol about to leave every row) and leaves it empty.
    std::vector<Symbol> takeColumn(Symbol symbol);
    void substitute(Symbol symbol, const Row& row);
    void pivot(Symbol leaving, Symbol entering);
    SolverError optimize(Objective& objective);
    SolverError dualOptimize();
    Symbol leavingRowForMarker(Symbol marker) const;
    void removeMarkerEffects(Symbol marker, Strength strength);
    void forgetUnusedVariables(const Expression& expression);

    uint64_t m_nextId = 1;
    std::unordered_map<const void*, Held> m_constraints;
    std::unordered_map<const void*, Known> m_variables;
    std::unordered_map<const void*, Edit> m_edits;
    // Basic symbol -> its row.
    std::unordered_map<Symbol, Row, SymbolHash> m_rows;
    // Parametric symbol (by id) -> the basic symbols whose rows hold it, sorted by age. A
    // change of one symbol visits its column instead of every row, and visiting it in age
    // order chooses pivots the same way on every run. Indexed by id rather than hashed: a
    // row is noted cell by cell as it enters, and long rows make that the hot loop.
    std::vector<std::vector<Symbol>> m_columns;
    std::vector<Symbol> m_infeasible;
    Objective m_objective;
    // Set while an artificial variable is being driven out, so pivots keep it current.
    Objective* m_artificial = nullptr;
};

} // namespace Layout
