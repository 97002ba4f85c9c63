#include "UIKit/NSLayoutConstraint.h"

#include "UIKit/LayoutEngine.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIView.h"

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::constraintWithItem_attribute_relatedBy_toItem_attribute_multiplier_constant(
    const Item& item, NSLayoutAttribute attribute, NSLayoutRelation relation, const Item& toItem, NSLayoutAttribute toAttribute,
    double multiplier, double constant)
{
    auto constraint = std::make_shared<NSLayoutConstraint>();
    constraint->m_firstItem = item;
    constraint->m_firstAttribute = attribute;
    constraint->m_relation = relation;
    constraint->m_secondItem = toItem;
    constraint->m_secondAttribute = toItem ? toAttribute : NSLayoutAttributeNotAnAttribute;
    constraint->m_multiplier = multiplier;
    constraint->m_constant = constant;
    return constraint;
}

void NSLayoutConstraint::activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        if (constraint)
            constraint->setActive(true);
}

void NSLayoutConstraint::deactivateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        if (constraint)
            constraint->setActive(false);
}

void NSLayoutConstraint::setConstant(double constant)
{
    if (constant == m_constant)
        return;
    m_constant = constant;
    changed();
}

void NSLayoutConstraint::setPriority(UILayoutPriority priority)
{
    if (priority == m_priority)
        return;
    m_priority = priority;
    changed();
}

void NSLayoutConstraint::setActive(bool active)
{
    if (active == isActive())
        return;
    if (!active) {
        if (auto holder = m_holder.lock())
            holder->removeConstraint(shared_from_this());
        return;
    }
    auto first = firstItem();
    auto second = secondItem();
    auto firstView = first ? first->layoutItemView() : nullptr;
    auto secondView = second ? second->layoutItemView() : nullptr;
    auto holder = (second && !secondView) ? nullptr : Layout::Engine::nearestCommonAncestor(firstView, secondView);
    if (!holder) {
        UIKitLog("Unable to activate a constraint whose items have no common ancestor; it stays inactive");
        return;
    }
    holder->addConstraint(shared_from_this());
}

bool NSLayoutConstraint::involvesSubtreeOf(const UIView& view) const
{
    auto self = view.shared_from_this();
    for (const auto& item : { firstItem(), secondItem() }) {
        auto itemView = item ? item->layoutItemView() : nullptr;
        if (itemView && itemView->isDescendantOfView(std::const_pointer_cast<UIView>(self)))
            return true;
    }
    return false;
}

void NSLayoutConstraint::changed()
{
    Layout::Engine::invalidate();
    if (auto holder = m_holder.lock())
        holder->setNeedsLayout();
}
