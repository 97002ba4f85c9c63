#pragma once
// Turns the touches of a view (and of its subviews) into a gesture: a recogniser watches the
// touches the window hands it before the hit view sees them, moves through its states as it
// decides, and sends its actions on Began, Changed, Ended (Recognized) and Cancelled. The
// window arbitrates: once one recogniser of a touch recognises, the others of that touch fail
// unless a delegate lets both go on together, and a recogniser that cancels touches in view
// takes the touch from the view (touchesCancelled). A recogniser in a final state goes back
// to Possible (reset) once its touches have ended. Subclasses decide in the touch hooks and
// call setState. Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/Badge.h"
#include "UIKit/UIResponder.h"

class UIGestureRecognizer;
class UIView;
class UIWindow;

enum UIGestureRecognizerState : long {
    UIGestureRecognizerStatePossible = 0,
    UIGestureRecognizerStateBegan = 1,
    UIGestureRecognizerStateChanged = 2,
    UIGestureRecognizerStateEnded = 3,
    UIGestureRecognizerStateCancelled = 4,
    UIGestureRecognizerStateFailed = 5,
    UIGestureRecognizerStateRecognized = UIGestureRecognizerStateEnded,
};

// Every operation is optional; the defaults let the recogniser work alone.
class UIGestureRecognizerDelegate {
public:
    virtual ~UIGestureRecognizerDelegate() = default;
    // Asked as the recogniser leaves Possible; NO makes it fail.
    virtual bool gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer) { return true; }
    // Asked when a touch comes down in the recogniser's view; NO keeps that touch from it.
    virtual bool gestureRecognizer_shouldReceiveTouch(const std::shared_ptr<UIGestureRecognizer>& recognizer,
                                                      const std::shared_ptr<UITouch>& touch)
    {
        return true;
    }
    // YES lets both recognise from the same touches; either delegate may allow it.
    virtual bool
    gestureRecognizer_shouldRecognizeSimultaneouslyWithGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer,
                                                                         const std::shared_ptr<UIGestureRecognizer>& other)
    {
        return false;
    }
};

class UIGestureRecognizer : public std::enable_shared_from_this<UIGestureRecognizer> {
public:
    using Action = std::function<void(const std::shared_ptr<UIGestureRecognizer>& recognizer)>;

    UIGestureRecognizer();
    virtual ~UIGestureRecognizer();

    // The target is held weakly: its actions stop once it is gone. A null target's action
    // runs for as long as the recogniser lives.
    void initWithTarget_action(const std::shared_ptr<void>& target, Action action);
    void addTarget_action(const std::shared_ptr<void>& target, Action action);
    // Removes every action of the target; a null target removes all actions.
    void removeTarget(const std::shared_ptr<void>& target);

    UIGestureRecognizerState state() const { return m_state; }
    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    std::shared_ptr<UIGestureRecognizerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UIGestureRecognizerDelegate>& delegate) { m_delegate = delegate; }
    // Disabling a recogniser in the middle of a gesture cancels it (fails it while Possible).
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // YES by default.
    bool cancelsTouchesInView() const { return m_cancelsTouchesInView; }
    void setCancelsTouchesInView(bool cancels) { m_cancelsTouchesInView = cancels; }

    // The centroid of the touches being tracked (the last ones, once they have ended), in
    // `view`'s coordinates (the window's when `view` is none).
    virtual CGPoint locationInView(const std::shared_ptr<UIView>& view) const;
    size_t numberOfTouches() const { return m_touches.size(); }

    // Hooks of subclasses, called by the window with the touches of this recogniser.
    virtual void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {}
    virtual void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {}
    virtual void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {}
    virtual void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) {}
    // Back to Possible: subclasses forget their gesture here (and call the base).
    virtual void reset() {}

    // Window and view bookkeeping.
    void setView(kvn::Badge<UIView>, const std::weak_ptr<UIView>& view);
    // A touch that came down on `hitView` now goes to this recogniser.
    void addTouch(kvn::Badge<UIWindow>, const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIView>& hitView);
    // The touch has ended or was cancelled: forgotten; a finished gesture resets once no touch is left.
    void removeTouch(kvn::Badge<UIWindow>, const std::shared_ptr<UITouch>& touch);
    // Another recogniser of the touch has won.
    void failForOther(kvn::Badge<UIWindow>);
    // Whether the two may recognise from the same touches (asks both delegates).
    bool canRecognizeWith(const std::shared_ptr<UIGestureRecognizer>& other);
    bool hasRecognized() const;
    bool isFinished() const;

protected:
    // Moves the state; leaving Possible asks the delegate and the hit view first. Sends the
    // actions for Began, Changed, Ended and Cancelled.
    void setState(UIGestureRecognizerState state);
    // Puts the recogniser back to Possible and runs reset().
    void resetNow();
    const std::vector<std::shared_ptr<UITouch>>& trackedTouches() const { return m_touches; }

private:
    struct Target {
        std::weak_ptr<void> target;
        bool hasTarget = false;
        Action action;
    };
    void sendActions();
    void maybeReset();

    UIGestureRecognizerState m_state = UIGestureRecognizerStatePossible;
    std::weak_ptr<UIView> m_view;
    std::weak_ptr<UIView> m_hitView;
    std::weak_ptr<UIGestureRecognizerDelegate> m_delegate;
    std::vector<Target> m_targets;
    std::vector<std::shared_ptr<UITouch>> m_touches;
    CGPoint m_lastLocation{};
    bool m_enabled = true;
    bool m_cancelsTouchesInView = true;
};
