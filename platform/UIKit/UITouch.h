#pragma once
// One finger on the screen, from touch-down to lift-off: where it is, where it was, which
// view the hit test found for it when it came down, and its phase. The window's event
// dispatch moves it; views and gesture recognisers read it.
// Main thread.
#include <memory>

#include "CoreGraphics/CGGeometry.h"

class UIView;
class UIWindow;

enum UITouchPhase : long {
    UITouchPhaseBegan = 0,
    UITouchPhaseMoved = 1,
    UITouchPhaseStationary = 2,
    UITouchPhaseEnded = 3,
    UITouchPhaseCancelled = 4,
};

class UITouch {
public:
    // The point in `view`'s coordinates (the window's when `view` is none).
    CGPoint locationInView(const std::shared_ptr<UIView>& view) const;
    CGPoint previousLocationInView(const std::shared_ptr<UIView>& view) const;

    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    std::shared_ptr<UIWindow> window() const { return m_window.lock(); }
    UITouchPhase phase() const { return m_phase; }
    // Seconds on the run loop's clock of the last change.
    double timestamp() const { return m_timestamp; }
    long tapCount() const { return m_tapCount; }

    // Moved by the window's event dispatch.
    void setView(const std::shared_ptr<UIView>& view) { m_view = view; }
    void setWindow(const std::shared_ptr<UIWindow>& window) { m_window = window; }
    void setPhase(UITouchPhase phase) { m_phase = phase; }
    void setTimestamp(double timestamp) { m_timestamp = timestamp; }
    void setTapCount(long count) { m_tapCount = count; }
    // Points in the window's coordinates.
    void moveTo(CGPoint windowPoint)
    {
        m_previous = m_location;
        m_location = windowPoint;
    }
    void setInitialLocation(CGPoint windowPoint) { m_previous = m_location = windowPoint; }
    CGPoint windowLocation() const { return m_location; }

private:
    std::weak_ptr<UIView> m_view;
    std::weak_ptr<UIWindow> m_window;
    UITouchPhase m_phase = UITouchPhaseBegan;
    double m_timestamp = 0;
    long m_tapCount = 1;
    CGPoint m_location {};
    CGPoint m_previous {};
};
