#pragma once
// An attribute of a view or layout guide, from which constraints are made:
// `a->topAnchor()->constraintEqualToAnchor_constant(b->bottomAnchor(), 15)`. Anchors of the
// x axis, the y axis and dimensions only relate to their own kind, which the typed
// subclasses enforce. The constraints are made inactive. Main thread only.
#include <memory>

#include "UIKit/LayoutItem.h"
#include "UIKit/NSLayoutConstraint.h"

class NSLayoutAnchor {
public:
    NSLayoutAnchor(std::weak_ptr<Layout::LayoutItem> item, NSLayoutAttribute attribute)
        : m_item(std::move(item)), m_attribute(attribute) {}
    virtual ~NSLayoutAnchor() = default;

    std::shared_ptr<Layout::LayoutItem> item() const { return m_item.lock(); }
    NSLayoutAttribute attribute() const { return m_attribute; }

protected:
    // `other` may be null: a constraint of this anchor against a constant alone.
    std::shared_ptr<NSLayoutConstraint> constraintTo(const NSLayoutAnchor* other, NSLayoutRelation relation, double multiplier,
                                                     double constant) const;

private:
    std::weak_ptr<Layout::LayoutItem> m_item;
    NSLayoutAttribute m_attribute;
};

// The relations every kind of anchor has, against an anchor of the same kind.
template<class Kind>
class NSLayoutTypedAnchor : public NSLayoutAnchor {
public:
    using NSLayoutAnchor::NSLayoutAnchor;
    using Anchor = std::shared_ptr<Kind>;

    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor(const Anchor& anchor) const { return constraintEqualToAnchor_constant(anchor, 0); }
    std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToAnchor(const Anchor& anchor) const
    {
        return constraintGreaterThanOrEqualToAnchor_constant(anchor, 0);
    }
    std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToAnchor(const Anchor& anchor) const
    {
        return constraintLessThanOrEqualToAnchor_constant(anchor, 0);
    }
    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor_constant(const Anchor& anchor, double c) const
    {
        return constraintTo(anchor.get(), NSLayoutRelationEqual, 1, c);
    }
    std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToAnchor_constant(const Anchor& anchor, double c) const
    {
        return constraintTo(anchor.get(), NSLayoutRelationGreaterThanOrEqual, 1, c);
    }
    std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToAnchor_constant(const Anchor& anchor, double c) const
    {
        return constraintTo(anchor.get(), NSLayoutRelationLessThanOrEqual, 1, c);
    }
};
