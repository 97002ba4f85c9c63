#include "UIKit/MadeConstraint.h"

#include "UIKit/UIKitLog.h"
#include "UIKit/UIView.h"

namespace Layout {

namespace {

bool isDimension(NSLayoutAttribute attribute)
{
    return attribute == NSLayoutAttributeWidth || attribute == NSLayoutAttributeHeight;
}

// An active constraint the maker made earlier for the same item that differs from
// `constraint` in its constant at most.
std::shared_ptr<NSLayoutConstraint> matchingMadeConstraint(UIView& view, const NSLayoutConstraint& constraint)
{
    for (auto holder = view.shared_from_this(); holder; holder = holder->superview()) {
        for (const auto& existing : holder->constraints()) {
            if (existing->isMadeByConstraintMaker() && existing->firstItem() == constraint.firstItem()
                && existing->firstAttribute() == constraint.firstAttribute() && existing->relation() == constraint.relation()
                && existing->secondItem() == constraint.secondItem() && existing->secondAttribute() == constraint.secondAttribute()
                && existing->multiplier() == constraint.multiplier() && existing->priority() == constraint.priority())
                return existing;
        }
    }
    return nullptr;
}

} // namespace

MadeConstraint::MadeConstraint(std::weak_ptr<UIView> view, std::vector<NSLayoutAttribute> attributes)
    : m_view(std::move(view)), m_attributes(std::move(attributes))
{
}

MadeConstraint& MadeConstraint::with(NSLayoutAttribute attribute)
{
    if (m_relation)
        UIKitLog("constraint maker: an attribute after the relation is ignored");
    else
        m_attributes.push_back(attribute);
    return *this;
}

MadeConstraint& MadeConstraint::relate(NSLayoutRelation relation, const ConstraintTarget& target)
{
    m_relation = relation;
    m_target = target;
    return *this;
}

MadeConstraint& MadeConstraint::offset(double offset)
{
    m_offset = offset;
    return *this;
}

MadeConstraint& MadeConstraint::insets(UIEdgeInsets insets)
{
    m_insets = insets;
    return *this;
}

MadeConstraint& MadeConstraint::multipliedBy(double multiplier)
{
    m_multiplier = multiplier;
    return *this;
}

MadeConstraint& MadeConstraint::priority(UILayoutPriority priority)
{
    m_priority = priority;
    return *this;
}

double MadeConstraint::constantFor(NSLayoutAttribute attribute) const
{
    double base = m_offset + (m_target && m_target->value ? *m_target->value : 0.0);
    switch (attribute) {
    case NSLayoutAttributeTop:
        return base + m_insets.top;
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeLeading:
        return base + m_insets.left;
    case NSLayoutAttributeBottom:
        return base - m_insets.bottom;
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
        return base - m_insets.right;
    case NSLayoutAttributeWidth:
        return base - m_insets.left - m_insets.right;
    case NSLayoutAttributeHeight:
        return base - m_insets.top - m_insets.bottom;
    default:
        return base;
    }
}

std::shared_ptr<NSLayoutConstraint> MadeConstraint::make(UIView& view, NSLayoutAttribute attribute) const
{
    const ConstraintTarget& target = *m_target;
    NSLayoutConstraint::Item second;
    NSLayoutAttribute secondAttribute = attribute;
    if (target.anchor) {
        second = target.anchor->item();
        secondAttribute = target.anchor->attribute();
    } else if (target.view) {
        second = target.view;
    } else if (target.guide) {
        second = target.guide;
    } else if (!isDimension(attribute)) {
        second = view.superview();
    }
    bool needsSecond = !target.value || !isDimension(attribute);
    if (target.missing || (needsSecond && !second)) {
        UIKitLog("constraint maker: the target of an attribute is gone or the view has no superview; not installed");
        return nullptr;
    }
    auto constraint = NSLayoutConstraint::constraintWithItem_attribute_relatedBy_toItem_attribute_multiplier_constant(
        view.shared_from_this(), attribute, *m_relation, second, secondAttribute, second ? m_multiplier : 1.0, constantFor(attribute));
    constraint->setPriority(m_priority);
    constraint->setMadeByConstraintMaker(true);
    return constraint;
}

void MadeConstraint::install(bool reuseMatching)
{
    auto view = m_view.lock();
    if (!view)
        return;
    if (!m_relation) {
        UIKitLog("constraint maker: a line without a relation is not installed");
        return;
    }
    if (m_made.empty()) {
        for (auto attribute : m_attributes) {
            auto constraint = make(*view, attribute);
            if (!constraint)
                continue;
            if (reuseMatching) {
                if (auto existing = matchingMadeConstraint(*view, *constraint)) {
                    existing->setConstant(constraint->constant());
                    constraint = existing;
                }
            }
            m_made.push_back(constraint);
            m_madeAttributes.push_back(attribute);
        }
    }
    NSLayoutConstraint::activateConstraints(m_made);
}

void MadeConstraint::uninstall()
{
    NSLayoutConstraint::deactivateConstraints(m_made);
}

bool MadeConstraint::isInstalled() const
{
    for (const auto& constraint : m_made)
        if (constraint->isActive())
            return true;
    return false;
}

void MadeConstraint::setOffset(double offset)
{
    m_offset = offset;
    applyConstants();
}

void MadeConstraint::setInsets(UIEdgeInsets insets)
{
    m_insets = insets;
    applyConstants();
}

void MadeConstraint::applyConstants()
{
    for (size_t i = 0; i < m_made.size(); ++i)
        m_made[i]->setConstant(constantFor(m_madeAttributes[i]));
}

} // namespace Layout
