#pragma once
// What a view keeps for auto layout: the constraints it holds, its guides, whether its frame
// is its own (translated into fixed constraints) or the solver's, its content priorities,
// and what the last layout pass solved for it. Plain data owned by the view; read and
// written by the view's auto layout operations and the layout engine. Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UILayoutPriority.h"

class NSLayoutConstraint;
class UILayoutGuide;
class UIView;

namespace Layout {

// One view of a tree as a layout pass saw it: a fixed view's frame and any view's bounds
// origin (where its subviews' frames start) are inputs to the solve.
struct TreeInput {
    const UIView* view = nullptr;
    bool fixed = false;
    CGRect frame = CGRectZero;
    CGPoint boundsOrigin = CGPointZero;

    friend bool operator==(const TreeInput&, const TreeInput&) = default;
};

struct ViewConstraintState {
    std::vector<std::shared_ptr<NSLayoutConstraint>> constraints;
    std::vector<std::shared_ptr<UILayoutGuide>> guides;
    bool translatesAutoresizingMaskIntoConstraints = true;
    UILayoutPriority hugging[2] = { UILayoutPriorityDefaultLow, UILayoutPriorityDefaultLow };
    UILayoutPriority compressionResistance[2] = { UILayoutPriorityDefaultHigh, UILayoutPriorityDefaultHigh };
    bool needsUpdateConstraints = false;
    // False for a scroll view whose last solve did not depend on its offset: scrolling then
    // leaves the solved frames as they are.
    bool boundsOriginIsInput = true;
    // The frame the last solve gave the view (superview coordinates); none for fixed views.
    std::optional<CGRect> solvedFrame;
    // At a tree's root: what its last solve was made from.
    uint64_t solvedGeneration = 0;
    std::vector<TreeInput> solvedInputs;
};

} // namespace Layout
