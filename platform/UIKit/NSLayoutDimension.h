#pragma once
// A width or height anchor: besides the relations to another dimension it relates to a
// constant alone and to a multiple of another dimension. Main thread only.
#include "UIKit/NSLayoutAnchor.h"

class NSLayoutDimension : public NSLayoutTypedAnchor<NSLayoutDimension> {
public:
    using NSLayoutTypedAnchor::NSLayoutTypedAnchor;

    std::shared_ptr<NSLayoutConstraint> constraintEqualToConstant(double c) const { return constraintTo(nullptr, NSLayoutRelationEqual, 1, c); }
    std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToConstant(double c) const
    {
        return constraintTo(nullptr, NSLayoutRelationGreaterThanOrEqual, 1, c);
    }
    std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToConstant(double c) const
    {
        return constraintTo(nullptr, NSLayoutRelationLessThanOrEqual, 1, c);
    }
    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor_multiplier(const Anchor& anchor, double m) const
    {
        return constraintEqualToAnchor_multiplier_constant(anchor, m, 0);
    }
    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor_multiplier_constant(const Anchor& anchor, double m, double c) const
    {
        return constraintTo(anchor.get(), NSLayoutRelationEqual, m, c);
    }
};
