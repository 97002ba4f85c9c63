#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Layout/Solver.h"

using namespace Layout;

namespace {

struct Vars {
    Variable x { "x" };
    Variable y { "y" };
    Variable z { "z" };
    Variable w { "w" };

    const Variable& named(const std::string& name) const
    {
        if (name == "x")
            return x;
        if (name == "y")
            return y;
        return name == "z" ? z : w;
    }
};

using Values = std::vector<std::pair<const char*, double>>;
using Constraints = std::vector<Constraint>;

constexpr auto LE = Relation::LessOrEqual;
constexpr auto EQ = Relation::Equal;
constexpr auto GE = Relation::GreaterOrEqual;
const Strength required = Strength::required();

void expectValues(const Solver& solver, const Vars& v, const Values& expected, const char* reason)
{
    for (const auto& [name, value] : expected)
        EXPECT_NEAR(solver.valueOf(v.named(name)), value, 1e-6) << reason << " (" << name << ")";
}

struct SystemCase {
    const char* reason;
    std::function<Constraints(const Vars&)> constraints;
    Values expected;
};

const SystemCase systemCases[] = {
    { "an equality fixes a value", [](const Vars& v) { return Constraints { { v.x, EQ, 10 } }; }, { { "x", 10 } } },
    { "equalities chain through other variables",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10 }, { v.y, EQ, v.x + 5 }, { v.z, EQ, 2 * v.y } }; },
      { { "x", 10 }, { "y", 15 }, { "z", 30 } } },
    { "a variable on both sides is merged", [](const Vars& v) { return Constraints { { 2 * v.x, EQ, v.x + 7 } }; }, { { "x", 7 } } },
    { "fractional coefficients", [](const Vars& v) { return Constraints { { 3 * v.x, EQ, 1 } }; }, { { "x", 1.0 / 3.0 } } },
    { "a negative coefficient", [](const Vars& v) { return Constraints { { v.x, EQ, -1 * v.y + 10 }, { v.y, EQ, 4 } }; },
      { { "x", 6 }, { "y", 4 } } },
    { "a lower bound stops a weak preference below it",
      [](const Vars& v) { return Constraints { { v.x, GE, 100 }, { v.x, EQ, 50, Strength::weak() } }; }, { { "x", 100 } } },
    { "an upper bound stops a strong preference above it",
      [](const Vars& v) { return Constraints { { v.x, LE, 20 }, { v.x, EQ, 50, Strength::strong() } }; }, { { "x", 20 } } },
    { "a bound that does not bind leaves the preference alone",
      [](const Vars& v) { return Constraints { { v.x, GE, 0 }, { v.x, LE, 100 }, { v.x, EQ, 30, Strength::weak() } }; },
      { { "x", 30 } } },
    { "strong beats weak", [](const Vars& v) { return Constraints { { v.x, EQ, 10, Strength::strong() }, { v.x, EQ, 20, Strength::weak() } }; },
      { { "x", 10 } } },
    { "weak added first still loses to strong",
      [](const Vars& v) { return Constraints { { v.x, EQ, 20, Strength::weak() }, { v.x, EQ, 10, Strength::strong() } }; },
      { { "x", 10 } } },
    { "a higher level beats any weight at a lower one",
      [](const Vars& v) {
          return Constraints { { v.x, EQ, 10, Strength::medium() }, { v.x, EQ, 20, Strength::weak(1e6) }, { v.x, EQ, 20, Strength::weak(1e6) } };
      },
      { { "x", 10 } } },
    { "levels between the named tiers order like numbers",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10, Strength::atLevel(250) }, { v.x, EQ, 20, Strength::atLevel(750) } }; },
      { { "x", 20 } } },
    { "within a level the heavier weight wins",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10, Strength::weak(1) }, { v.x, EQ, 20, Strength::weak(3) } }; },
      { { "x", 20 } } },
    { "equal optional pulls settle on the median (errors add, not square)",
      [](const Vars& v) {
          return Constraints { { v.x, EQ, 10, Strength::weak() }, { v.x, EQ, 20, Strength::weak() }, { v.x, EQ, 90, Strength::weak() } };
      },
      { { "x", 20 } } },
    { "conflicting optional constraints over a required sum: the stronger one holds",
      [](const Vars& v) {
          return Constraints { { v.x + v.y, EQ, 100 }, { v.x, EQ, 70, Strength::strong() }, { v.y, EQ, 50, Strength::medium() } };
      },
      { { "x", 70 }, { "y", 30 } } },
    { "a required cap on a sum takes from the weaker variable",
      [](const Vars& v) { return Constraints { { v.x + v.y, LE, 100 }, { v.x, EQ, 80, Strength::strong() }, { v.y, EQ, 80, Strength::weak() } }; },
      { { "x", 80 }, { "y", 20 } } },
    { "conflicting optional inequalities: the stronger bound holds, the weaker errs least",
      [](const Vars& v) { return Constraints { { v.x, GE, 10, Strength::weak() }, { v.x, LE, 5, Strength::strong() } }; },
      { { "x", 5 } } },
    { "redundant required equalities are accepted",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10 }, { v.x, EQ, 10 }, { v.y, EQ, v.x }, { 2 * v.y, EQ, 20 } }; },
      { { "x", 10 }, { "y", 10 } } },
    { "a cycle of equalities closed by a value",
      [](const Vars& v) { return Constraints { { v.x, EQ, v.y }, { v.y, EQ, v.z }, { v.z, EQ, v.x }, { v.x, EQ, 3 } }; },
      { { "x", 3 }, { "y", 3 }, { "z", 3 } } },
    { "a zero coefficient names no variable", [](const Vars& v) { return Constraints { { 0 * v.y + v.x, EQ, 4 } }; },
      { { "x", 4 }, { "y", 0 } } },
    { "terms that cancel out leave the rest", [](const Vars& v) { return Constraints { { v.x + v.y - v.y, EQ, 5 } }; },
      { { "x", 5 } } },
    { "a true relation between constants is accepted", [](const Vars& v) { return Constraints { { 0, LE, 1 }, { v.x, EQ, 2 } }; },
      { { "x", 2 } } },
    { "a width between two edges with a minimum, pulled small",
      [](const Vars& v) {
          return Constraints { { v.x, EQ, 20 }, { v.y - v.x, GE, 44 }, { v.y - v.x, EQ, 0, Strength::weak() }, { v.z, EQ, v.y + 8 } };
      },
      { { "x", 20 }, { "y", 64 }, { "z", 72 } } },
};

} // namespace

TEST(SolverTest, SolvesSystems)
{
    for (const auto& c : systemCases) {
        Vars v;
        Solver solver;
        for (const auto& constraint : c.constraints(v))
            EXPECT_EQ(solver.addConstraint(constraint), SolverError::None) << c.reason;
        expectValues(solver, v, c.expected, c.reason);
    }
}

namespace {

struct ErrorCase {
    const char* reason;
    // Does its set-up and answers the operation under test's result.
    std::function<SolverError(Solver&, const Vars&)> act;
    SolverError expected;
    // The solution afterwards: what held before the failed operation still holds.
    Values expected_values;
};

const double NaN = std::numeric_limits<double>::quiet_NaN();

const ErrorCase errorCases[] = {
    { "two required values for one variable",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, EQ, 10 });
          return s.addConstraint({ v.x, EQ, 20 });
      },
      SolverError::UnsatisfiableConstraint, { { "x", 10 } } },
    { "required bounds that cross",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, GE, 10 });
          s.addConstraint({ v.x, EQ, 12, Strength::weak() });
          return s.addConstraint({ v.x, LE, 5 });
      },
      SolverError::UnsatisfiableConstraint, { { "x", 12 } } },
    { "an equality contradicting an earlier one through other variables",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, EQ, v.y });
          s.addConstraint({ v.y, EQ, 3 });
          return s.addConstraint({ v.x, EQ, v.y + 1 });
      },
      SolverError::UnsatisfiableConstraint, { { "x", 3 }, { "y", 3 } } },
    { "a false relation between constants",
      [](Solver& s, const Vars& v) { return s.addConstraint({ 0, EQ, 1 }); }, SolverError::UnsatisfiableConstraint, {} },
    { "a sum over its required cap",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x + v.y, LE, 100 });
          s.addConstraint({ v.x, GE, 60 });
          return s.addConstraint({ v.y, GE, 60 });
      },
      SolverError::UnsatisfiableConstraint, { { "x", 60 } } },
    { "the same constraint twice",
      [](Solver& s, const Vars& v) {
          Constraint c(v.x, EQ, 1);
          s.addConstraint(c);
          return s.addConstraint(c);
      },
      SolverError::DuplicateConstraint, { { "x", 1 } } },
    { "removing a constraint never added",
      [](Solver& s, const Vars& v) { return s.removeConstraint({ v.x, EQ, 1 }); }, SolverError::UnknownConstraint, {} },
    { "removing a constraint twice",
      [](Solver& s, const Vars& v) {
          Constraint c(v.x, EQ, 1);
          s.addConstraint(c);
          s.addConstraint({ v.x, EQ, 5, Strength::weak() });
          s.removeConstraint(c);
          return s.removeConstraint(c);
      },
      SolverError::UnknownConstraint, { { "x", 5 } } },
    { "a constraint made alike is not the one held",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, EQ, 1 });
          return s.removeConstraint({ v.x, EQ, 1 });
      },
      SolverError::UnknownConstraint, { { "x", 1 } } },
    { "a coefficient that is not a number",
      [](Solver& s, const Vars& v) { return s.addConstraint({ NaN * v.x, EQ, 1 }); }, SolverError::InvalidConstraint, {} },
    { "an infinite constant",
      [](Solver& s, const Vars& v) { return s.addConstraint({ v.x, LE, std::numeric_limits<double>::infinity() }); },
      SolverError::InvalidConstraint, {} },
    { "a weight of zero", [](Solver& s, const Vars& v) { return s.addConstraint({ v.x, EQ, 1, Strength::weak(0) }); },
      SolverError::InvalidConstraint, {} },
    { "a negative level", [](Solver& s, const Vars& v) { return s.addConstraint({ v.x, EQ, 1, Strength::atLevel(-5) }); },
      SolverError::InvalidConstraint, {} },
    { "suggesting for a variable that is not edited",
      [](Solver& s, const Vars& v) { return s.suggestValue(v.x, 3); }, SolverError::UnknownEditVariable, {} },
    { "editing a variable twice",
      [](Solver& s, const Vars& v) {
          s.addEditVariable(v.x, Strength::strong());
          s.suggestValue(v.x, 8);
          return s.addEditVariable(v.x, Strength::weak());
      },
      SolverError::DuplicateEditVariable, { { "x", 8 } } },
    { "a required edit", [](Solver& s, const Vars& v) { return s.addEditVariable(v.x, Strength::required()); },
      SolverError::RequiredEditStrength, {} },
    { "removing an edit never added",
      [](Solver& s, const Vars& v) { return s.removeEditVariable(v.x); }, SolverError::UnknownEditVariable, {} },
    { "suggesting a value that is not a number",
      [](Solver& s, const Vars& v) {
          s.addEditVariable(v.x, Strength::strong());
          s.suggestValue(v.x, 4);
          return s.suggestValue(v.x, NaN);
      },
      SolverError::InvalidConstraint, { { "x", 4 } } },
};

} // namespace

TEST(SolverTest, ReportsWhatItCannotDoAndKeepsItsSolution)
{
    for (const auto& c : errorCases) {
        Vars v;
        Solver solver;
        EXPECT_EQ(c.act(solver, v), c.expected) << c.reason;
        expectValues(solver, v, c.expected_values, c.reason);
        // Still usable afterwards.
        EXPECT_EQ(solver.addConstraint({ v.w, EQ, 42 }), SolverError::None) << c.reason;
        EXPECT_NEAR(solver.valueOf(v.w), 42, 1e-9) << c.reason;
    }
}

TEST(SolverTest, ErrorsHaveNames)
{
    EXPECT_STREQ(describe(SolverError::UnsatisfiableConstraint), "unsatisfiable required constraint");
    EXPECT_STREQ(describe(static_cast<SolverError>(999)), "unknown solver error");
}

namespace {

struct RemovalCase {
    const char* reason;
    std::function<Constraints(const Vars&)> constraints;
    // Indices into the constraints, removed in this order.
    std::vector<size_t> removed;
    Values expected;
};

const RemovalCase removalCases[] = {
    { "removing the strong pull lets the weak one win",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10, Strength::strong() }, { v.x, EQ, 20, Strength::weak() } }; }, { 0 },
      { { "x", 20 } } },
    { "removing a required bound frees the preference",
      [](const Vars& v) { return Constraints { { v.x, GE, 100 }, { v.x, EQ, 50, Strength::weak() } }; }, { 0 }, { { "x", 50 } } },
    { "removing the weak pull leaves the strong one",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10, Strength::strong() }, { v.x, EQ, 20, Strength::weak() } }; }, { 1 },
      { { "x", 10 } } },
    { "removing a link of a chain lets each side go to its own preference",
      [](const Vars& v) {
          return Constraints { { v.x, EQ, 10 }, { v.y, EQ, v.x + 5 }, { v.y, EQ, 0, Strength::weak() }, { v.x, EQ, 0, Strength::weak() } };
      },
      { 1 }, { { "x", 10 }, { "y", 0 } } },
    { "removing the value under a chain moves it to the weighted preference",
      [](const Vars& v) {
          return Constraints { { v.x, EQ, 10 }, { v.y, EQ, v.x + 5 }, { v.x, EQ, 0, Strength::weak(2) }, { v.y, EQ, 0, Strength::weak(1) } };
      },
      { 0 }, { { "x", 0 }, { "y", 5 } } },
    { "removing one of two redundant equalities keeps the value",
      [](const Vars& v) { return Constraints { { v.x, EQ, 10 }, { v.x, EQ, 10 }, { v.x, EQ, 3, Strength::strong() } }; }, { 1 },
      { { "x", 10 } } },
    { "a term too small to count is not counted off on removal either",
      [](const Vars& v) { return Constraints { { v.x + 1e-12 * v.y, EQ, 4 }, { v.y, EQ, 3 } }; }, { 0 }, { { "y", 3 } } },
    { "removing an inequality that did not bind changes nothing",
      [](const Vars& v) { return Constraints { { v.x, LE, 100 }, { v.x, EQ, 30, Strength::medium() } }; }, { 0 }, { { "x", 30 } } },
    { "removing both conflicting optionals in turn",
      [](const Vars& v) {
          return Constraints { { v.x, GE, 10, Strength::weak() }, { v.x, LE, 5, Strength::strong() }, { v.x, EQ, 7, Strength::atLevel(0.5) } };
      },
      { 1, 0 }, { { "x", 7 } } },
};

} // namespace

TEST(SolverTest, RemovalRestoresTheSolutionWithoutTheConstraint)
{
    for (const auto& c : removalCases) {
        Vars v;
        Solver solver;
        Constraints constraints = c.constraints(v);
        for (const auto& constraint : constraints)
            ASSERT_EQ(solver.addConstraint(constraint), SolverError::None) << c.reason;
        for (size_t index : c.removed)
            EXPECT_EQ(solver.removeConstraint(constraints[index]), SolverError::None) << c.reason;
        expectValues(solver, v, c.expected, c.reason);
        // Adding the removed ones back gives the first solution again.
        Solver fresh;
        for (const auto& constraint : constraints)
            fresh.addConstraint(constraint);
        for (size_t index : c.removed)
            EXPECT_EQ(solver.addConstraint(constraints[index]), SolverError::None) << c.reason;
        for (const char* name : { "x", "y", "z" })
            EXPECT_NEAR(solver.valueOf(v.named(name)), fresh.valueOf(v.named(name)), 1e-6) << c.reason << " (" << name << ")";
    }
}

namespace {

struct Suggestion {
    const char* variable;
    double value;
    Values expected;
};

struct EditCase {
    const char* reason;
    std::function<void(Solver&, const Vars&)> setUp;
    std::vector<Suggestion> suggestions;
};

const EditCase editCases[] = {
    { "a free variable follows its suggestions",
      [](Solver& s, const Vars& v) { s.addEditVariable(v.x, Strength::strong()); },
      { { "x", 42, { { "x", 42 } } }, { "x", -3, { { "x", -3 } } }, { "x", 0, { { "x", 0 } } } } },
    { "a required bound stops the suggestion and lets it back",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, LE, 100 });
          s.addConstraint({ v.x, GE, 0 });
          s.addEditVariable(v.x, Strength::strong());
      },
      { { "x", 150, { { "x", 100 } } }, { "x", 50, { { "x", 50 } } }, { "x", -20, { { "x", 0 } } }, { "x", 60, { { "x", 60 } } } } },
    { "dependent variables follow the edited one",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.y, EQ, v.x + 10 });
          s.addConstraint({ v.z, EQ, 2 * v.y });
          s.addEditVariable(v.x, Strength::strong());
      },
      { { "x", 5, { { "y", 15 }, { "z", 30 } } }, { "x", -10, { { "y", 0 }, { "z", 0 } } } } },
    { "an edit weaker than a constraint loses to it",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, EQ, 10, Strength::strong() });
          s.addEditVariable(v.x, Strength::weak());
      },
      { { "x", 20, { { "x", 10 } } } } },
    { "an edit stronger than a constraint wins over it",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x, EQ, 10, Strength::weak() });
          s.addEditVariable(v.x, Strength::strong());
      },
      { { "x", 20, { { "x", 20 } } }, { "x", 10, { { "x", 10 } } } } },
    { "two edits pushing against a required gap: the heavier one holds",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.y, GE, v.x + 10 });
          s.addConstraint({ 2 * v.z, EQ, v.x + v.y });
          s.addEditVariable(v.x, Strength::strong(2));
          s.addEditVariable(v.y, Strength::strong(1));
      },
      { { "x", 0, { { "x", 0 }, { "y", 10 } } },
        { "y", 100, { { "x", 0 }, { "y", 100 }, { "z", 50 } } },
        { "x", 95, { { "x", 95 }, { "y", 105 }, { "z", 100 } } },
        { "x", 20, { { "x", 20 }, { "y", 100 }, { "z", 60 } } } } },
    { "an edit on a variable that is already basic",
      [](Solver& s, const Vars& v) {
          s.addConstraint({ v.x + v.y, EQ, 50 });
          s.addConstraint({ v.y, GE, 0 });
          s.addEditVariable(v.y, Strength::medium());
      },
      { { "y", 20, { { "x", 30 } } }, { "y", -5, { { "x", 50 }, { "y", 0 } } }, { "y", 50, { { "x", 0 } } } } },
};

} // namespace

TEST(SolverTest, EditVariablesMoveTheSolution)
{
    for (const auto& c : editCases) {
        Vars v;
        Solver solver;
        c.setUp(solver, v);
        for (const auto& step : c.suggestions) {
            EXPECT_EQ(solver.suggestValue(v.named(step.variable), step.value), SolverError::None) << c.reason;
            expectValues(solver, v, step.expected, c.reason);
        }
    }
}

TEST(SolverTest, RemovingAnEditHandsTheVariableBack)
{
    Vars v;
    Solver solver;
    solver.addConstraint({ v.x, EQ, 7, Strength::weak() });
    ASSERT_EQ(solver.addEditVariable(v.x, Strength::strong()), SolverError::None);
    solver.suggestValue(v.x, 30);
    EXPECT_NEAR(solver.valueOf(v.x), 30, 1e-9);
    EXPECT_EQ(solver.removeEditVariable(v.x), SolverError::None);
    EXPECT_FALSE(solver.hasEditVariable(v.x));
    EXPECT_NEAR(solver.valueOf(v.x), 7, 1e-9);
    // And it can be edited again from scratch.
    ASSERT_EQ(solver.addEditVariable(v.x, Strength::strong()), SolverError::None);
    solver.suggestValue(v.x, 1);
    EXPECT_NEAR(solver.valueOf(v.x), 1, 1e-9);
}

// A column of 300 stacked rows of height 10 with 5 between them: many variables, many rows
// substituted into each other, then the top moved by an edit and the stack cut in the middle.
TEST(SolverTest, ManyVariablesStayExact)
{
    constexpr int count = 300;
    Solver solver;
    std::vector<Variable> tops, bottoms;
    std::vector<Constraint> gaps;
    for (int i = 0; i < count; ++i) {
        tops.emplace_back("top" + std::to_string(i));
        bottoms.emplace_back("bottom" + std::to_string(i));
        ASSERT_EQ(solver.addConstraint({ bottoms[i], EQ, tops[i] + 10 }), SolverError::None);
        ASSERT_EQ(solver.addConstraint({ tops[i], GE, 0 }), SolverError::None);
        if (i > 0) {
            gaps.emplace_back(tops[i], EQ, bottoms[i - 1] + 5);
            ASSERT_EQ(solver.addConstraint(gaps.back()), SolverError::None);
        }
    }
    ASSERT_EQ(solver.addEditVariable(tops[0], Strength::strong()), SolverError::None);
    solver.suggestValue(tops[0], 20);
    EXPECT_NEAR(solver.valueOf(bottoms[count - 1]), 20 + count * 15 - 5, 1e-6);

    // Cut below row 149: the lower half falls back to the top of the screen.
    ASSERT_EQ(solver.removeConstraint(gaps[149]), SolverError::None);
    ASSERT_EQ(solver.addConstraint({ tops[150], EQ, 0, Strength::weak() }), SolverError::None);
    EXPECT_NEAR(solver.valueOf(bottoms[149]), 20 + 150 * 15 - 5, 1e-6);
    EXPECT_NEAR(solver.valueOf(tops[150]), 0, 1e-6);
    EXPECT_NEAR(solver.valueOf(bottoms[count - 1]), 150 * 15 - 5, 1e-6);

    // Take the gaps away in an order unlike the one they came in (7 is prime to 299); the
    // solver still answers new constraints.
    for (size_t i = 0; i < gaps.size(); ++i) {
        size_t index = i * 7 % gaps.size();
        EXPECT_EQ(solver.removeConstraint(gaps[index]), index == 149 ? SolverError::UnknownConstraint : SolverError::None);
    }
    EXPECT_NEAR(solver.valueOf(tops[count - 1]), 0, 1e-6);
    solver.removeEditVariable(tops[0]);
    Variable x("x");
    EXPECT_EQ(solver.addConstraint({ x, EQ, 3 }), SolverError::None);
    EXPECT_NEAR(solver.valueOf(x), 3, 1e-9);
}

TEST(SolverTest, ResetForgetsEverything)
{
    Vars v;
    Solver solver;
    Constraint c(v.x, EQ, 10);
    solver.addConstraint(c);
    solver.addEditVariable(v.y, Strength::strong());
    solver.reset();
    EXPECT_FALSE(solver.hasConstraint(c));
    EXPECT_FALSE(solver.hasEditVariable(v.y));
    EXPECT_EQ(solver.addConstraint({ v.x, EQ, 20 }), SolverError::None);
    EXPECT_NEAR(solver.valueOf(v.x), 20, 1e-9);
}

// A long chain of views (each left edge after the previous right edge, widths held near a
// preference): constraints cut and put back in a scrambled order, widths dragged by an
// edit. After every step the solver agrees with a fresh one given the same constraints,
// which catches a row the solver forgot to update when a symbol it holds changed.
TEST(SolverTest, ChangesAgreeWithAFreshSolve)
{
    constexpr int count = 24;
    std::vector<Variable> lefts, widths;
    std::vector<Constraint> all;
    for (int i = 0; i < count; ++i) {
        lefts.emplace_back("left" + std::to_string(i));
        widths.emplace_back("width" + std::to_string(i));
        if (i == 0)
            all.emplace_back(lefts[i], EQ, 8);
        else
            all.emplace_back(lefts[i], EQ, lefts[i - 1] + widths[i - 1] + 8);
        all.emplace_back(widths[i], GE, 20 + i % 7);
        all.emplace_back(widths[i], LE, 200);
        all.emplace_back(widths[i], EQ, 50 + i % 11, Strength::atLevel(250 + i % 3, 1 + i * 0.01));
        all.emplace_back(lefts[i], LE, 4000, Strength::atLevel(100));
    }
    // Faint pulls on every variable, never removed, leave one best solution whatever is cut.
    std::vector<Constraint> stays;
    for (int i = 0; i < count; ++i) {
        stays.emplace_back(lefts[i], EQ, 0, Strength::atLevel(0.5, 1 + i * 0.01));
        stays.emplace_back(widths[i], EQ, 0, Strength::atLevel(0.5, 2 + i * 0.01));
    }
    Solver solver;
    for (const auto& stay : stays)
        solver.addConstraint(stay);
    std::vector<bool> held(all.size(), false);
    auto agree = [&](const char* step, double editValue, bool editing) {
        Solver fresh;
        for (const auto& stay : stays)
            fresh.addConstraint(stay);
        for (size_t i = 0; i < all.size(); ++i)
            if (held[i])
                fresh.addConstraint(all[i]);
        if (editing) {
            fresh.addEditVariable(widths[3], Strength::atLevel(900));
            fresh.suggestValue(widths[3], editValue);
        }
        for (int i = 0; i < count; ++i) {
            ASSERT_NEAR(solver.valueOf(lefts[i]), fresh.valueOf(lefts[i]), 1e-6) << step << ": left" << i;
            ASSERT_NEAR(solver.valueOf(widths[i]), fresh.valueOf(widths[i]), 1e-6) << step << ": width" << i;
        }
    };

    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(solver.addConstraint(all[i]), SolverError::None);
        held[i] = true;
    }
    agree("all added", 0, false);

    ASSERT_EQ(solver.addEditVariable(widths[3], Strength::atLevel(900)), SolverError::None);
    for (double value : { 30.0, 150.0, 10.0, 500.0, 64.0 }) {
        solver.suggestValue(widths[3], value);
        agree("width 3 dragged", value, true);
    }

    // Every third constraint out in a scrambled order (37 is prime to their number), then back.
    for (size_t k = 0; k < all.size(); ++k) {
        size_t index = k * 37 % all.size();
        if (index % 3 != 0)
            continue;
        ASSERT_EQ(solver.removeConstraint(all[index]), SolverError::None);
        held[index] = false;
        agree("after a removal", 64, true);
    }
    for (size_t index = 0; index < all.size(); index += 3) {
        ASSERT_EQ(solver.addConstraint(all[index]), SolverError::None);
        held[index] = true;
    }
    agree("put back", 64, true);
    solver.suggestValue(widths[3], 90);
    agree("dragged again", 90, true);
}
