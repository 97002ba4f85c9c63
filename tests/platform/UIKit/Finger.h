#pragma once
// One finger for touch tests: it goes down, moves and lifts as the window's dispatch would
// send it, on the manual clock's time, to the responder the hit test would have found.
#include <memory>

#include "Foundation/NSRunLoop.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIView.h"

namespace fixtures {

class Finger {
public:
    explicit Finger(std::shared_ptr<UIView> target) : m_target(std::move(target)) { m_touch->setView(m_target); }

    // Points in the window's (the root's) coordinates.
    void down(CGPoint point)
    {
        m_touch->setInitialLocation(point);
        send(UITouchPhaseBegan);
    }
    void move(CGPoint point)
    {
        m_touch->moveTo(point);
        send(UITouchPhaseMoved);
    }
    void up() { send(UITouchPhaseEnded); }
    void cancel() { send(UITouchPhaseCancelled); }
    const std::shared_ptr<UITouch>& touch() const { return m_touch; }

private:
    void send(UITouchPhase phase)
    {
        m_touch->setPhase(phase);
        m_touch->setTimestamp(NSRunLoop::mainRunLoop()->now());
        m_event->setTimestamp(m_touch->timestamp());
        UITouchSet touches{m_touch};
        m_event->setAllTouches(touches);
        switch (phase) {
        case UITouchPhaseBegan:
            m_target->touchesBegan_withEvent(touches, m_event);
            break;
        case UITouchPhaseMoved:
            m_target->touchesMoved_withEvent(touches, m_event);
            break;
        case UITouchPhaseEnded:
            m_target->touchesEnded_withEvent(touches, m_event);
            break;
        default:
            m_target->touchesCancelled_withEvent(touches, m_event);
            break;
        }
    }

    std::shared_ptr<UIView> m_target;
    std::shared_ptr<UITouch> m_touch = std::make_shared<UITouch>();
    std::shared_ptr<UIEvent> m_event = std::make_shared<UIEvent>();
};

} // namespace fixtures
