#pragma once
// One linear relation between expressions, with the strength it is held at:
// `lhs <= rhs`, `lhs == rhs` or `lhs >= rhs`. A Constraint is a handle: the solver knows it by
// identity, so the copy that was added is the one that removes it, and two constraints made
// alike are still two. Immutable once made. Plain value type.
#include <memory>

#include "Layout/Expression.h"
#include "Layout/Strength.h"

namespace Layout {

enum class Relation {
    LessOrEqual,
    Equal,
    GreaterOrEqual,
};

class Constraint {
public:
    Constraint(const Expression& lhs, Relation relation, const Expression& rhs, Strength strength = Strength::required());

    // lhs - rhs with like terms merged: the relation holds of it against zero.
    const Expression& expression() const { return m_data->expression; }
    Relation relation() const { return m_data->relation; }
    Strength strength() const { return m_data->strength; }
    const void* identity() const { return m_data.get(); }

    friend bool operator==(const Constraint& a, const Constraint& b) { return a.m_data == b.m_data; }

private:
    struct Data {
        Expression expression;
        Relation relation;
        Strength strength;
    };
    std::shared_ptr<const Data> m_data;
};

} // namespace Layout
