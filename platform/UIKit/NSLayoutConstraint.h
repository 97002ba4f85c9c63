#pragma once
// One layout constraint: firstItem.firstAttribute (relation) multiplier *
// secondItem.secondAttribute + constant, held at a priority. An active constraint is kept by
// the nearest common ancestor of its items' views and takes part in every layout pass of
// that tree; it stops being active when it is deactivated or one of its views leaves the
// tree. Changing the constant, the priority or the activity marks the tree for layout; the
// frames change at the next layout pass (layoutIfNeeded).
// Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/LayoutItem.h"
#include "UIKit/NSLayoutAttribute.h"
#include "UIKit/UILayoutPriority.h"

class UIView;

class NSLayoutConstraint : public std::enable_shared_from_this<NSLayoutConstraint> {
public:
    using Item = std::shared_ptr<Layout::LayoutItem>;

    // A constraint on one item alone (a width, a height) has no second item and
    // NSLayoutAttributeNotAnAttribute. Made inactive.
    static std::shared_ptr<NSLayoutConstraint> constraintWithItem_attribute_relatedBy_toItem_attribute_multiplier_constant(
        const Item& item, NSLayoutAttribute attribute, NSLayoutRelation relation, const Item& toItem, NSLayoutAttribute toAttribute,
        double multiplier, double constant);

    static void activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
    static void deactivateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);

    Item firstItem() const { return m_firstItem.lock(); }
    NSLayoutAttribute firstAttribute() const { return m_firstAttribute; }
    NSLayoutRelation relation() const { return m_relation; }
    Item secondItem() const { return m_secondItem.lock(); }
    NSLayoutAttribute secondAttribute() const { return m_secondAttribute; }
    double multiplier() const { return m_multiplier; }

    double constant() const { return m_constant; }
    void setConstant(double constant);
    UILayoutPriority priority() const { return m_priority; }
    void setPriority(UILayoutPriority priority);

    // Activation installs the constraint on the nearest common ancestor of its items' views;
    // when they share none (not in one tree) it is logged and the constraint stays inactive.
    bool isActive() const { return !m_holder.expired(); }
    void setActive(bool active);

    const std::optional<std::string>& identifier() const { return m_identifier; }
    void setIdentifier(std::optional<std::string> identifier) { m_identifier = std::move(identifier); }

    // The view that holds the active constraint; UIView::addConstraint and removeConstraint
    // keep it.
    std::shared_ptr<UIView> holder() const { return m_holder.lock(); }
    void setHolder(const std::shared_ptr<UIView>& holder) { m_holder = holder; }

    // Whether an item is `view`, one of its descendants or a guide of one of them.
    bool involvesSubtreeOf(const UIView& view) const;

    // Set on the constraints the constraint maker makes, which its update and remake blocks
    // look for again.
    bool isMadeByConstraintMaker() const { return m_madeByConstraintMaker; }
    void setMadeByConstraintMaker(bool made) { m_madeByConstraintMaker = made; }

private:
    void changed();

    std::weak_ptr<Layout::LayoutItem> m_firstItem;
    NSLayoutAttribute m_firstAttribute = NSLayoutAttributeNotAnAttribute;
    NSLayoutRelation m_relation = NSLayoutRelationEqual;
    std::weak_ptr<Layout::LayoutItem> m_secondItem;
    NSLayoutAttribute m_secondAttribute = NSLayoutAttributeNotAnAttribute;
    double m_multiplier = 1.0;
    double m_constant = 0.0;
    UILayoutPriority m_priority = UILayoutPriorityRequired;
    std::weak_ptr<UIView> m_holder;
    std::optional<std::string> m_identifier;
    bool m_madeByConstraintMaker = false;
};
