#include "Layout/Constraint.h"

namespace Layout {

Constraint::Constraint(const Expression& lhs, Relation relation, const Expression& rhs, Strength strength)
    : m_data(std::make_shared<const Data>(Data { (lhs - rhs).reduced(), relation, strength }))
{
}

} // namespace Layout
