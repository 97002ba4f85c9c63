#pragma once
// What the constraint maker relates an attribute to: a view or a layout guide (the same
// attribute of it), an anchor (that attribute of its item), or a number (a width or height
// of that many points; for a position, that far from the superview's same attribute).
// Plain value type; main thread only, as the views it names.
#include <concepts>
#include <memory>
#include <optional>

#include "UIKit/NSLayoutAnchor.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UIView.h"

namespace Layout {

struct ConstraintTarget {
    std::shared_ptr<UIView> view;
    std::shared_ptr<UILayoutGuide> guide;
    std::shared_ptr<NSLayoutAnchor> anchor;
    std::optional<double> value;
    // A view, guide or anchor was named but is null: nothing to relate to.
    bool missing = false;

    ConstraintTarget(double number) : value(number) {}
    template<std::derived_from<UIView> V>
    ConstraintTarget(const std::shared_ptr<V>& target) : view(target), missing(!target) {}
    ConstraintTarget(const std::shared_ptr<UILayoutGuide>& target) : guide(target), missing(!target) {}
    template<std::derived_from<NSLayoutAnchor> A>
    ConstraintTarget(const std::shared_ptr<A>& target) : anchor(target), missing(!target) {}
};

} // namespace Layout
