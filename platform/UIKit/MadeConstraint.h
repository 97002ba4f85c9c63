#pragma once
// One line of a constraint maker block, and the handle a screen keeps to change it later:
// `make.left().right().equalTo(title).offset(15)` names attributes of the maker's view,
// relates them to a target and adjusts the result; each attribute becomes one
// NSLayoutConstraint when the block ends. Kept (kept()), it can be uninstalled and
// installed again, or have its offset or insets changed in place.
// Insets move each edge inwards: top and left (leading) by +inset, bottom and right
// (trailing) by -inset, width and height by minus both insets of their axis.
// Main thread only.
#include <memory>
#include <optional>
#include <vector>

#include "UIKit/ConstraintTarget.h"
#include "UIKit/NSLayoutAttribute.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UILayoutPriority.h"

class UIView;

namespace Layout {

class MadeConstraint : public std::enable_shared_from_this<MadeConstraint> {
public:
    MadeConstraint(std::weak_ptr<UIView> view, std::vector<NSLayoutAttribute> attributes);

    // More attributes, before the relation.
    MadeConstraint& left() { return with(NSLayoutAttributeLeft); }
    MadeConstraint& right() { return with(NSLayoutAttributeRight); }
    MadeConstraint& top() { return with(NSLayoutAttributeTop); }
    MadeConstraint& bottom() { return with(NSLayoutAttributeBottom); }
    MadeConstraint& leading() { return with(NSLayoutAttributeLeading); }
    MadeConstraint& trailing() { return with(NSLayoutAttributeTrailing); }
    MadeConstraint& width() { return with(NSLayoutAttributeWidth); }
    MadeConstraint& height() { return with(NSLayoutAttributeHeight); }
    MadeConstraint& centerX() { return with(NSLayoutAttributeCenterX); }
    MadeConstraint& centerY() { return with(NSLayoutAttributeCenterY); }

    MadeConstraint& equalTo(const ConstraintTarget& target) { return relate(NSLayoutRelationEqual, target); }
    MadeConstraint& greaterThanOrEqualTo(const ConstraintTarget& target) { return relate(NSLayoutRelationGreaterThanOrEqual, target); }
    MadeConstraint& lessThanOrEqualTo(const ConstraintTarget& target) { return relate(NSLayoutRelationLessThanOrEqual, target); }

    MadeConstraint& offset(double offset);
    MadeConstraint& insets(UIEdgeInsets insets);
    MadeConstraint& inset(double inset) { return insets(UIEdgeInsetsMake(inset, inset, inset, inset)); }
    MadeConstraint& multipliedBy(double multiplier);
    MadeConstraint& dividedBy(double divisor) { return multipliedBy(1.0 / divisor); }
    MadeConstraint& priority(UILayoutPriority priority);
    MadeConstraint& priorityLow() { return priority(UILayoutPriorityDefaultLow); }
    MadeConstraint& priorityMedium() { return priority(500); }
    MadeConstraint& priorityHigh() { return priority(UILayoutPriorityDefaultHigh); }

    // The handle to keep.
    std::shared_ptr<MadeConstraint> kept() { return shared_from_this(); }

    // Makes the layout constraints if they were not made yet and activates them. With
    // `reuseMatching` (update blocks), an active constraint the maker made earlier for the
    // same view that differs only in its constant takes the new constant instead.
    void install(bool reuseMatching = false);
    void uninstall();
    bool isInstalled() const;
    // Changes the installed constraints in place (and what a later install makes).
    void setOffset(double offset);
    void setInsets(UIEdgeInsets insets);
    void setInset(double inset) { setInsets(UIEdgeInsetsMake(inset, inset, inset, inset)); }

    const std::vector<std::shared_ptr<NSLayoutConstraint>>& layoutConstraints() const { return m_made; }

private:
    MadeConstraint& with(NSLayoutAttribute attribute);
    MadeConstraint& relate(NSLayoutRelation relation, const ConstraintTarget& target);
    double constantFor(NSLayoutAttribute attribute) const;
    std::shared_ptr<NSLayoutConstraint> make(UIView& view, NSLayoutAttribute attribute) const;
    void applyConstants();

    std::weak_ptr<UIView> m_view;
    std::vector<NSLayoutAttribute> m_attributes;
    std::optional<NSLayoutRelation> m_relation;
    std::optional<ConstraintTarget> m_target;
    double m_offset = 0;
    UIEdgeInsets m_insets = UIEdgeInsetsZero;
    double m_multiplier = 1;
    UILayoutPriority m_priority = UILayoutPriorityRequired;
    std::vector<std::shared_ptr<NSLayoutConstraint>> m_made;
    // The attribute each of m_made was made for.
    std::vector<NSLayoutAttribute> m_madeAttributes;
};

} // namespace Layout
