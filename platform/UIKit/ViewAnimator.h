#pragma once
// The view animations of the main run loop. Inside an animation block, the setters of
// animated properties note the value shown before and the new model value; the model takes
// the new value at once, while what is drawn (the presentation) moves from one to the other
// along the block's curve as the run loop's clock passes. Nothing ticks: the presentation is
// worked out from the clock whenever a tree is drawn. A block's completion runs once, when
// the clock passes its end (finished) or as soon as all its animations were taken away by
// a newer animation of the same property or by their view leaving its window (not finished).
// Main thread only.
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "UIKit/UIViewAnimationOptions.h"

class UIView;

namespace kvn {

class ViewAnimator {
public:
    using Value = std::vector<double>;
    using Completion = std::function<void(bool finished)>;

    static ViewAnimator& shared();

    // Runs `changes` as one animation block.
    void animate(double duration, double delay, UIViewAnimationOptions options, const std::function<void()>& changes,
                 Completion completion);
    // Whether a block with a duration is running its changes now.
    bool isRecording() const { return !m_blocks.empty() && m_blocks.back().duration > 0; }
    // Called by a setter before it stores `to` in the model, `modelBefore` being the value it
    // replaces; the block's options decide whether the animation starts from there or from
    // what is shown now.
    void propertyWillChange(UIView& view, int key, const Value& modelBefore, const Value& to);
    // What is shown of the property: `model` unless an animation of it runs.
    Value presentation(const UIView& view, int key, const Value& model) const;
    bool hasAnimations(const UIView& view) const;
    // Whether an animation of the view that does not allow touches is under way.
    bool blocksInteraction(const UIView& view) const;
    // Takes every animation of the view away (their blocks finish with NO).
    void removeAnimations(const UIView& view);

private:
    struct Group;
    struct Animation {
        Value from, to;
        double start = 0, duration = 0;
        UIViewAnimationOptions options = 0;
        std::shared_ptr<Group> group;
    };
    struct Block {
        double duration, delay;
        UIViewAnimationOptions options;
        std::shared_ptr<Group> group;
    };

    void detach(const Animation& animation);
    void finishGroup(const std::shared_ptr<Group>& group);
    static double progress(const Animation& animation, double now, bool& over);

    std::vector<Block> m_blocks;
    std::map<const UIView*, std::map<int, Animation>> m_animations;
};

} // namespace kvn
