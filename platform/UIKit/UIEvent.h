#pragma once
// A touch event as the window hands it on: the touches that take part in it.
// Main thread.
#include "UIKit/UIResponder.h"

enum UIEventType : long {
    UIEventTypeTouches = 0,
};

class UIEvent {
public:
    UIEventType type() const { return UIEventTypeTouches; }
    const UITouchSet& allTouches() const { return m_touches; }
    void setAllTouches(UITouchSet touches) { m_touches = std::move(touches); }
    double timestamp() const { return m_timestamp; }
    void setTimestamp(double timestamp) { m_timestamp = timestamp; }

private:
    UITouchSet m_touches;
    double m_timestamp = 0;
};
