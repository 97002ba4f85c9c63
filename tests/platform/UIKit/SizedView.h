#pragma once
// A test view with a natural size, as a label or a button has one; no size along an axis
// by default.
#include "UIKit/UILayoutPriority.h"
#include "UIKit/UIView.h"

struct SizedView : UIView {
    CGSize size = CGSizeMake(UIViewNoIntrinsicMetric, UIViewNoIntrinsicMetric);
    CGSize intrinsicContentSize() const override { return size; }
};
