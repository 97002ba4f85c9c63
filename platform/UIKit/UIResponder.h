#pragma once
// The base of the objects that take part in handling the app's events: views, view
// controllers and the application delegate. Touches go first to the view the hit test finds
// and, where it does not handle them, along the responder chain (nextResponder). One
// responder of a window at a time is the first responder: the one that typed text goes to.
// Main thread.
#include <memory>
#include <set>

class UIEvent;
class UITouch;

using UITouchSet = std::set<std::shared_ptr<UITouch>>;

class UIResponder {
public:
    virtual ~UIResponder() = default;

    // The next responder of the chain: a view's view controller or else its superview, a
    // controller's view's superview, none at the end.
    virtual std::shared_ptr<UIResponder> nextResponder() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    virtual bool resignFirstResponder() { return true; }
    virtual bool isFirstResponder() const { return false; }

    // The default of each passes the touches along the chain.
    virtual void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
    {
        if (auto next = nextResponder())
            next->touchesBegan_withEvent(touches, event);
    }
    virtual void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
    {
        if (auto next = nextResponder())
            next->touchesMoved_withEvent(touches, event);
    }
    virtual void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
    {
        if (auto next = nextResponder())
            next->touchesEnded_withEvent(touches, event);
    }
    virtual void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
    {
        if (auto next = nextResponder())
            next->touchesCancelled_withEvent(touches, event);
    }
};
