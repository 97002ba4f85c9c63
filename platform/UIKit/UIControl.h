#pragma once
// The base of the views a person operates: buttons, text fields. A control has the enabled,
// selected and highlighted states, and sends actions to its targets for control events. It
// tracks the touch that comes down on it: TouchDown, then TouchDragInside/Outside (with
// DragEnter/DragExit as the finger crosses the control's edge, which counts a margin of
// kTouchSlop points around it), then TouchUpInside or TouchUpOutside, or TouchCancel; it is
// highlighted while the finger is down inside. A disabled control takes no touches: the hit
// test passes over it. A single tap of an ancestor's tap recogniser does not begin on an
// enabled control, so the control keeps its own taps. Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "UIKit/UIView.h"

class UIControl;

using UIControlState = unsigned long;
inline constexpr UIControlState UIControlStateNormal = 0;
inline constexpr UIControlState UIControlStateHighlighted = 1 << 0;
inline constexpr UIControlState UIControlStateDisabled = 1 << 1;
inline constexpr UIControlState UIControlStateSelected = 1 << 2;
inline constexpr UIControlState UIControlStateFocused = 1 << 3;

using UIControlEvents = unsigned long;
inline constexpr UIControlEvents UIControlEventTouchDown = 1 << 0;
inline constexpr UIControlEvents UIControlEventTouchDownRepeat = 1 << 1;
inline constexpr UIControlEvents UIControlEventTouchDragInside = 1 << 2;
inline constexpr UIControlEvents UIControlEventTouchDragOutside = 1 << 3;
inline constexpr UIControlEvents UIControlEventTouchDragEnter = 1 << 4;
inline constexpr UIControlEvents UIControlEventTouchDragExit = 1 << 5;
inline constexpr UIControlEvents UIControlEventTouchUpInside = 1 << 6;
inline constexpr UIControlEvents UIControlEventTouchUpOutside = 1 << 7;
inline constexpr UIControlEvents UIControlEventTouchCancel = 1 << 8;
inline constexpr UIControlEvents UIControlEventValueChanged = 1 << 12;
inline constexpr UIControlEvents UIControlEventPrimaryActionTriggered = 1 << 13;
inline constexpr UIControlEvents UIControlEventEditingDidBegin = 1 << 16;
inline constexpr UIControlEvents UIControlEventEditingChanged = 1 << 17;
inline constexpr UIControlEvents UIControlEventEditingDidEnd = 1 << 18;
inline constexpr UIControlEvents UIControlEventEditingDidEndOnExit = 1 << 19;
inline constexpr UIControlEvents UIControlEventAllTouchEvents = 0x00000FFF;
inline constexpr UIControlEvents UIControlEventAllEditingEvents = 0x000F0000;
inline constexpr UIControlEvents UIControlEventAllEvents = 0xFFFFFFFF;

enum UIControlContentHorizontalAlignment : long {
    UIControlContentHorizontalAlignmentCenter = 0,
    UIControlContentHorizontalAlignmentLeft = 1,
    UIControlContentHorizontalAlignmentRight = 2,
    UIControlContentHorizontalAlignmentFill = 3,
};

enum UIControlContentVerticalAlignment : long {
    UIControlContentVerticalAlignmentCenter = 0,
    UIControlContentVerticalAlignmentTop = 1,
    UIControlContentVerticalAlignmentBottom = 2,
    UIControlContentVerticalAlignmentFill = 3,
};

class UIControl : public UIView {
public:
    using Action = std::function<void(const std::shared_ptr<UIControl>& sender)>;

    // How far outside its bounds a dragged finger still counts as inside, in points.
    static constexpr double kTouchSlop = 70;

    UIControl();
    ~UIControl() override;

    bool isEnabled() const { return m_enabled; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    // The state bits: highlighted, disabled, selected.
    UIControlState state() const;
    bool isTracking() const { return m_tracking; }
    bool isTouchInside() const { return m_touchInside; }

    UIControlContentHorizontalAlignment contentHorizontalAlignment() const { return m_horizontalAlignment; }
    void setContentHorizontalAlignment(UIControlContentHorizontalAlignment alignment);
    UIControlContentVerticalAlignment contentVerticalAlignment() const { return m_verticalAlignment; }
    void setContentVerticalAlignment(UIControlContentVerticalAlignment alignment);

    // The target is held weakly: its actions stop once it is gone. A null target's action
    // runs for as long as the control lives. Actions run in the order they were added.
    void addTarget_action_forControlEvents(const std::shared_ptr<void>& target, Action action, UIControlEvents events);
    // Takes `events` from the target's actions (a null target: from every action); an
    // action left without events goes.
    void removeTarget_forControlEvents(const std::shared_ptr<void>& target, UIControlEvents events);
    UIControlEvents allControlEvents() const;
    // Runs the actions of every target registered for any of `events`.
    void sendActionsForControlEvents(UIControlEvents events);

    // Touch tracking, for subclasses: begin answers whether to track the touch at all,
    // continue whether to go on tracking it.
    virtual bool beginTrackingWithTouch_withEvent(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event)
    {
        return true;
    }
    virtual bool continueTrackingWithTouch_withEvent(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event)
    {
        return true;
    }
    virtual void endTrackingWithTouch_withEvent(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event) {}
    virtual void cancelTrackingWithEvent(const std::shared_ptr<UIEvent>& event) {}

    std::shared_ptr<UIView> hitTest_withEvent(CGPoint point, const std::shared_ptr<UIEvent>& event) override;
    bool gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer) override;
    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

protected:
    bool isAccessibilityElementByDefault() const override { return true; }
    // Called after any of the state bits changed (redraw, restyle).
    virtual void stateDidChange() {}

private:
    struct Target {
        std::weak_ptr<void> target;
        bool hasTarget = false;
        Action action;
        UIControlEvents events = 0;
    };
    bool isInsideWithSlop(CGPoint point) const;
    void endTracking();

    std::vector<Target> m_targets;
    bool m_enabled = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_tracking = false;
    bool m_touchInside = false;
    UIControlContentHorizontalAlignment m_horizontalAlignment = UIControlContentHorizontalAlignmentCenter;
    UIControlContentVerticalAlignment m_verticalAlignment = UIControlContentVerticalAlignmentCenter;
};
