#include "Layout/Solver.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Layout {

using detail::nearZero;
using detail::SymbolicWeight;

namespace {

SymbolicWeight objectiveWeight(Strength strength)
{
    return SymbolicWeight::at(strength.level(), strength.weight());
}

} // namespace

Solver::Symbol Solver::makeSymbol(Symbol::Kind kind)
{
    return Symbol { m_nextId++, kind };
}

void Solver::noteCell(Symbol symbol, Symbol basic)
{
    if (symbol.id >= m_columns.size())
        m_columns.resize(std::max<size_t>(symbol.id + 1, m_columns.size() * 2));
    auto& column = m_columns[symbol.id];
    if (column.empty() || column.back() < basic)
        column.push_back(basic);
    else
        column.insert(std::lower_bound(column.begin(), column.end(), basic), basic);
}

void Solver::forgetCell(Symbol symbol, Symbol basic)
{
    if (symbol.id >= m_columns.size())
        return;
    auto& column = m_columns[symbol.id];
    auto at = std::lower_bound(column.begin(), column.end(), basic);
    if (at != column.end() && *at == basic)
        column.erase(at);
    if (column.empty())
        std::vector<Symbol>().swap(column); // a symbol whose rows are gone keeps no memory
}

std::vector<Solver::Symbol> Solver::takeColumn(Symbol symbol)
{
    std::vector<Symbol> column;
    if (symbol.id < m_columns.size())
        column.swap(m_columns[symbol.id]);
    return column;
}

void Solver::putRow(Symbol basic, Row row)
{
    for (const auto& [symbol, coefficient] : row.cells())
        noteCell(symbol, basic);
    m_rows.insert_or_assign(basic, std::move(row));
}

Solver::Row Solver::takeRow(Symbol basic)
{
    auto node = m_rows.extract(basic);
    Row row = std::move(node.mapped());
    for (const auto& [symbol, coefficient] : row.cells())
        forgetCell(symbol, basic);
    return row;
}

const std::vector<Solver::Symbol>& Solver::rowsHolding(Symbol symbol) const
{
    static const std::vector<Symbol> none;
    return symbol.id < m_columns.size() ? m_columns[symbol.id] : none;
}

Solver::Symbol Solver::symbolFor(const Variable& variable)
{
    auto [it, fresh] = m_variables.try_emplace(variable.identity(), Known { variable, {}, 0 });
    if (fresh)
        it->second.symbol = makeSymbol(Symbol::Kind::External);
    return it->second.symbol;
}

bool Solver::hasConstraint(const Constraint& constraint) const
{
    return m_constraints.contains(constraint.identity());
}

bool Solver::hasEditVariable(const Variable& variable) const
{
    return m_edits.contains(variable.identity());
}

double Solver::valueOf(const Variable& variable) const
{
    auto known = m_variables.find(variable.identity());
    if (known == m_variables.end())
        return 0.0;
    auto row = m_rows.find(known->second.symbol);
    return row == m_rows.end() ? 0.0 : row->second.constant();
}

void Solver::reset()
{
    m_constraints.clear();
    m_variables.clear();
    m_edits.clear();
    m_rows.clear();
    m_columns.clear();
    m_infeasible.clear();
    m_objective = Objective();
    m_artificial = nullptr;
}

SolverError Solver::addConstraint(const Constraint& constraint)
{
    if (hasConstraint(constraint))
        return SolverError::DuplicateConstraint;
    if (!constraint.expression().isFinite() || !constraint.strength().isValid())
        return SolverError::InvalidConstraint;

    Tag tag;
    Row row = rowFor(constraint, tag);
    Symbol subject = chooseSubject(row, tag);

    // A row of dummies alone is a required equality between constants: redundant when they
    // agree, a contradiction when they do not.
    if (!subject.isValid()) {
        bool allDummies = true;
        for (const auto& [symbol, coefficient] : row.cells())
            allDummies = allDummies && symbol.isDummy();
        if (allDummies) {
            if (!nearZero(row.constant())) {
                forgetUnusedVariables(constraint.expression());
                return SolverError::UnsatisfiableConstraint;
            }
            subject = tag.marker;
        }
    }
    if (!subject.isValid()) {
        if (!addWithArtificialVariable(row)) {
            // The search pivoted the tableau away from the optimum; what it holds is still
            // exactly the constraints held before.
            forgetUnusedVariables(constraint.expression());
            optimize(m_objective);
            return SolverError::UnsatisfiableConstraint;
        }
    } else {
        row.solveFor(subject);
        substitute(subject, row);
        putRow(subject, std::move(row));
    }

    m_constraints.emplace(constraint.identity(), Held { constraint, tag });
    return optimize(m_objective);
}

// Builds the constraint's equation `0 = expression +- slack +- errors` in terms of the
// current parametric symbols, and notes in `tag` the symbols that belong to it alone.
Solver::Row Solver::rowFor(const Constraint& constraint, Tag& tag)
{
    const Expression& expression = constraint.expression();
    Row row(expression.constant());
    for (const auto& term : expression.terms()) {
        if (nearZero(term.coefficient))
            continue;
        Symbol symbol = symbolFor(term.variable);
        ++m_variables.at(term.variable.identity()).uses;
        auto basic = m_rows.find(symbol);
        if (basic != m_rows.end())
            row.insert(basic->second, term.coefficient);
        else
            row.insert(symbol, term.coefficient);
    }

    const Strength strength = constraint.strength();
    const SymbolicWeight weight = objectiveWeight(strength);
    switch (constraint.relation()) {
    case Relation::LessOrEqual:
    case Relation::GreaterOrEqual: {
        // expression <= 0  <=>  expression + slack = 0; an optional one may overshoot by an
        // error that the objective charges for.
        double sign = constraint.relation() == Relation::LessOrEqual ? 1.0 : -1.0;
        Symbol slack = makeSymbol(Symbol::Kind::Slack);
        tag.marker = slack;
        row.insert(slack, sign);
        if (!strength.isRequired()) {
            Symbol error = makeSymbol(Symbol::Kind::Error);
            tag.other = error;
            row.insert(error, -sign);
            m_objective.insert(error, weight);
        }
        break;
    }
    case Relation::Equal:
        if (strength.isRequired()) {
            Symbol dummy = makeSymbol(Symbol::Kind::Dummy);
            tag.marker = dummy;
            row.insert(dummy, 1.0);
        } else {
            // expression = plus - minus, both charged.
            Symbol plus = makeSymbol(Symbol::Kind::Error);
            Symbol minus = makeSymbol(Symbol::Kind::Error);
            tag.marker = plus;
            tag.other = minus;
            row.insert(plus, -1.0);
            row.insert(minus, 1.0);
            m_objective.insert(plus, weight);
            m_objective.insert(minus, weight);
        }
        break;
    }

    // A non-negative constant lets a restricted symbol with a negative coefficient become
    // basic at a feasible (non-negative) value.
    if (row.constant() < 0.0)
        row.reverseSign();
    return row;
}

// The symbol to make basic for a new row: any user variable; else the constraint's own slack
// or error when it can take the row's value without going negative. None when the row needs
// an artificial variable to find a feasible subject.
Solver::Symbol Solver::chooseSubject(const Row& row, const Tag& tag)
{
    for (const auto& [symbol, coefficient] : row.cells())
        if (symbol.isExternal())
            return symbol;
    for (Symbol candidate : { tag.marker, tag.other })
        if (candidate.isPivotable() && row.coefficientFor(candidate) < 0.0)
            return candidate;
    return {};
}

// Adds `row` through an artificial variable: minimise it to zero and the row can hold; then
// drop it again. False when it stays positive (the row contradicts the required ones).
bool Solver::addWithArtificialVariable(const Row& row)
{
    Symbol artificial = makeSymbol(Symbol::Kind::Slack);
    putRow(artificial, row);
    Objective objective;
    objective.insert(row, SymbolicWeight::at(1.0, 1.0));
    m_artificial = &objective;
    optimize(objective);
    m_artificial = nullptr;
    bool satisfiable = nearZero(objective.constant());

    bool basic = m_rows.contains(artificial);
    if (!satisfiable) {
        // The artificial variable is positive, so basic: without its row the tableau says
        // what it said before the row came.
        if (basic)
            takeRow(artificial);
        return false;
    }
    if (basic) {
        // Basic at zero: trade it for a symbol of its row, then let it go as a parametric 0.
        Row remaining = takeRow(artificial);
        if (remaining.cells().empty())
            return true;
        Symbol entering;
        for (const auto& [symbol, coefficient] : remaining.cells()) {
            if (symbol.isPivotable()) {
                entering = symbol;
                break;
            }
        }
        if (!entering.isValid())
            return false;
        remaining.solveFor(artificial, entering);
        substitute(entering, remaining);
        putRow(entering, std::move(remaining));
    }
    for (Symbol basic : takeColumn(artificial))
        m_rows.at(basic).remove(artificial);
    m_objective.remove(artificial);
    return true;
}

// Only the rows that hold `symbol` change; their cells come and go in the column index as
// the substitution adds or cancels them.
void Solver::substitute(Symbol symbol, const Row& row)
{
    for (Symbol basic : takeColumn(symbol)) {
        Row& r = m_rows.at(basic);
        r.substitute(
            symbol, row, [&](Symbol added) { noteCell(added, basic); }, [&](Symbol removed) { forgetCell(removed, basic); });
        if (!basic.isExternal() && r.constant() < 0.0)
            m_infeasible.push_back(basic);
    }
    m_objective.substitute(symbol, row);
    if (m_artificial)
        m_artificial->substitute(symbol, row);
}

void Solver::pivot(Symbol leaving, Symbol entering)
{
    Row row = takeRow(leaving);
    row.solveFor(leaving, entering);
    substitute(entering, row);
    putRow(entering, std::move(row));
}

// Primal simplex: while some parametric symbol would lower the objective, bring it into the
// basis through the row that limits it most. Ties go to the oldest symbol (Bland's rule), so
// degenerate pivots cannot cycle.
SolverError Solver::optimize(Objective& objective)
{
    for (;;) {
        Symbol entering = objective.entering();
        if (!entering.isValid()) {
            // Primal pivots keep every row feasible; what substitute noted is rounding.
            m_infeasible.clear();
            return SolverError::None;
        }

        Symbol leaving;
        double ratio = std::numeric_limits<double>::max();
        for (Symbol basic : rowsHolding(entering)) {
            if (basic.isExternal())
                continue;
            const Row& row = m_rows.at(basic);
            double coefficient = row.coefficientFor(entering);
            if (coefficient < 0.0) {
                double r = -row.constant() / coefficient;
                if (r < ratio) {
                    ratio = r;
                    leaving = basic;
                }
            }
        }
        if (!leaving.isValid())
            return SolverError::InternalError; // unbounded: errors are charged, so never
        pivot(leaving, entering);
    }
}

// Dual simplex: after edits moved constants, restore feasibility of the rows that went
// negative while keeping the objective optimal.
SolverError Solver::dualOptimize()
{
    SolverError result = SolverError::None;
    while (!m_infeasible.empty()) {
        Symbol leaving = m_infeasible.back();
        m_infeasible.pop_back();
        auto it = m_rows.find(leaving);
        if (it == m_rows.end() || it->second.constant() >= 0.0 || nearZero(it->second.constant()))
            continue;
        Symbol entering;
        SymbolicWeight best;
        for (const auto& [symbol, coefficient] : it->second.cells()) {
            if (coefficient <= 0.0 || symbol.isDummy())
                continue;
            SymbolicWeight r = m_objective.coefficientFor(symbol) * (1.0 / coefficient);
            if (!entering.isValid() || r < best) {
                entering = symbol;
                best = r;
            }
        }
        if (!entering.isValid()) {
            result = SolverError::InternalError;
            continue;
        }
        pivot(leaving, entering);
    }
    return result;
}

SolverError Solver::removeConstraint(const Constraint& constraint)
{
    auto it = m_constraints.find(constraint.identity());
    if (it == m_constraints.end())
        return SolverError::UnknownConstraint;
    const Tag tag = it->second.tag;
    m_constraints.erase(it);

    removeMarkerEffects(tag.marker, constraint.strength());
    removeMarkerEffects(tag.other, constraint.strength());

    // The constraint's row is the one its marker is basic in: make it so, then drop it.
    // A marker in no row at all belongs to a constraint the others already implied: there
    // is nothing to take out.
    if (m_rows.contains(tag.marker)) {
        takeRow(tag.marker);
    } else if (Symbol leaving = leavingRowForMarker(tag.marker); leaving.isValid()) {
        Row row = takeRow(leaving);
        row.solveFor(leaving, tag.marker);
        substitute(tag.marker, row);
    }
    m_objective.remove(tag.marker);
    forgetUnusedVariables(constraint.expression());
    return optimize(m_objective);
}

// The row to pivot a constraint's marker into before dropping it: the restricted row that
// limits the marker most keeps the tableau feasible; a user variable's row will do when the
// marker is in no restricted row.
Solver::Symbol Solver::leavingRowForMarker(Symbol marker) const
{
    double firstRatio = std::numeric_limits<double>::max();
    double secondRatio = std::numeric_limits<double>::max();
    Symbol first, second, third;
    for (Symbol basic : rowsHolding(marker)) {
        const Row& row = m_rows.at(basic);
        double coefficient = row.coefficientFor(marker);
        if (coefficient == 0.0)
            continue;
        if (basic.isExternal()) {
            if (!third.isValid())
                third = basic;
        } else if (coefficient < 0.0) {
            double r = -row.constant() / coefficient;
            if (r < firstRatio) {
                firstRatio = r;
                first = basic;
            }
        } else {
            double r = row.constant() / coefficient;
            if (r < secondRatio) {
                secondRatio = r;
                second = basic;
            }
        }
    }
    if (first.isValid())
        return first;
    return second.isValid() ? second : third;
}

void Solver::removeMarkerEffects(Symbol marker, Strength strength)
{
    if (marker.kind != Symbol::Kind::Error)
        return;
    SymbolicWeight weight = objectiveWeight(strength) * -1.0;
    auto basic = m_rows.find(marker);
    if (basic != m_rows.end())
        m_objective.insert(basic->second, weight);
    else
        m_objective.insert(marker, weight);
}

// Drops the variables of `expression` that no held constraint names any more, so that a long
// life of views coming and going does not grow the tableau.
void Solver::forgetUnusedVariables(const Expression& expression)
{
    for (const auto& term : expression.terms()) {
        if (nearZero(term.coefficient))
            continue; // rowFor did not count it either
        auto known = m_variables.find(term.variable.identity());
        if (known == m_variables.end() || --known->second.uses > 0)
            continue;
        Symbol symbol = known->second.symbol;
        // A free variable that is basic only defines itself; one that is parametric may still
        // be tied into other rows, and then stays.
        if (m_rows.contains(symbol)) {
            takeRow(symbol);
        } else {
            bool tied = m_objective.contains(symbol) || isInSomeRow(symbol);
            if (tied) {
                known->second.uses = 0;
                continue;
            }
        }
        m_variables.erase(known);
    }
}

SolverError Solver::addEditVariable(const Variable& variable, Strength strength)
{
    if (hasEditVariable(variable))
        return SolverError::DuplicateEditVariable;
    if (strength.isRequired())
        return SolverError::RequiredEditStrength;
    Constraint constraint(variable, Relation::Equal, 0.0, strength);
    SolverError error = addConstraint(constraint);
    if (error != SolverError::None && error != SolverError::InternalError)
        return error;
    m_edits.emplace(variable.identity(), Edit { constraint, 0.0 });
    return error;
}

SolverError Solver::removeEditVariable(const Variable& variable)
{
    auto it = m_edits.find(variable.identity());
    if (it == m_edits.end())
        return SolverError::UnknownEditVariable;
    Constraint constraint = it->second.constraint;
    m_edits.erase(it);
    return removeConstraint(constraint);
}

// Moves the edit constraint's constant by the change of the suggestion. The constraint is
// `variable - value = plus - minus`; where its errors are basic only their own row moves,
// otherwise each row moves by the marker's coefficient in it. Rows that go negative are left
// to the dual simplex.
SolverError Solver::suggestValue(const Variable& variable, double value)
{
    auto it = m_edits.find(variable.identity());
    if (it == m_edits.end())
        return SolverError::UnknownEditVariable;
    if (!std::isfinite(value))
        return SolverError::InvalidConstraint;
    double delta = value - it->second.constant;
    it->second.constant = value;
    const Tag tag = m_constraints.at(it->second.constraint.identity()).tag;

    if (auto plus = m_rows.find(tag.marker); plus != m_rows.end()) {
        if (plus->second.add(-delta) < 0.0)
            m_infeasible.push_back(tag.marker);
    } else if (auto minus = m_rows.find(tag.other); minus != m_rows.end()) {
        if (minus->second.add(delta) < 0.0)
            m_infeasible.push_back(tag.other);
    } else {
        for (Symbol basic : rowsHolding(tag.marker)) {
            Row& row = m_rows.at(basic);
            if (row.add(delta * row.coefficientFor(tag.marker)) < 0.0 && !basic.isExternal())
                m_infeasible.push_back(basic);
        }
    }
    return dualOptimize();
}

} // namespace Layout
