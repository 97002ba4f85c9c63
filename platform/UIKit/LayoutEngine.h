#pragma once
// Auto layout of view trees on top of the constraint solver. A layout pass (the outermost
// layoutIfNeeded) runs the pending updateConstraints of the tree, solves the tree when its
// constraints or its fixed frames changed since the last solve, and marks the superviews of
// the views that move; their layoutSubviews then put the solved frames on them. When a
// layoutSubviews moves a fixed view by hand, the tree is solved again and the pass repeats
// (a few times at most), so hand-placed and constrained views can nest either way.
//
// The whole tree is solved afresh each time: screens hold tens of constraints, and a fresh
// solve cannot carry stale state from views that came and went.
//
// A scroll view's content is laid out in the content's space: edges between the scroll view
// and its descendants attach to the content area, whose size becomes the content size on
// each axis whose two edges are named; widths, heights and centres attach to its frame. A
// scroll step therefore changes no solved frame, and solves nothing, unless a constraint ties
// the content to the frame or to a view outside in a way the offset changes.
// Main thread only.
#include <cstdint>
#include <memory>
#include <vector>

#include "UIKit/ViewConstraintState.h"

class UIView;

namespace Layout {

class Engine {
public:
    // A constraint, priority, intrinsic size or guide changed: the next pass solves again.
    static void invalidate();

    // UIView::layoutIfNeeded: runs the whole pass from the outermost call and answers true;
    // nested calls answer false and lay out as before.
    static bool runLayoutPass(UIView& view);
    // UIView::layoutSubviews: the solved frames onto the view's constrained subviews.
    static void placeSubviews(UIView& view);
    // Before a view leaves its superview: the constraints held above it that name it or its
    // descendants are deactivated, as their items no longer share a tree.
    static void viewWillLeaveSuperview(UIView& view);
    // updateConstraints on every marked view of the subtree, subviews before their superview.
    static void updateConstraintsInSubtree(UIView& view);

    // How many times a tree was solved since the process began: a pass that changed nothing
    // leaves it alone.
    static uint64_t solveCount();

    static std::shared_ptr<UIView> nearestCommonAncestor(const std::shared_ptr<UIView>& a, const std::shared_ptr<UIView>& b);

private:
    static void prepare(UIView& root);
    static bool isCurrent(UIView& root, const std::vector<TreeInput>& inputs);
    static std::vector<TreeInput> inputsOf(UIView& root, bool& usesConstraints);
    static void solve(UIView& root);

    static inline uint64_t s_generation = 1;
    static inline int s_passDepth = 0;
    static inline uint64_t s_solves = 0;
};

} // namespace Layout
