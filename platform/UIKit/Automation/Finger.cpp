#include "UIKit/Automation/Finger.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"

namespace Automation {

namespace {

double clockNow(std::optional<double> timestamp) { return timestamp ? *timestamp : NSRunLoop::mainRunLoop()->now(); }

} // namespace

Finger::Finger(std::shared_ptr<UIWindow> window) : m_window(std::move(window)) {}

Finger::~Finger()
{
    if (m_touch)
        cancel();
}

void Finger::down(CGPoint point, std::optional<double> timestamp)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_touch || !m_window)
        return;
    m_touch = std::make_shared<UITouch>();
    m_touch->setInitialLocation(point);
    m_touch->setPhase(UITouchPhaseBegan);
    send(clockNow(timestamp));
}

void Finger::moveTo(CGPoint point, std::optional<double> timestamp)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_touch)
        return;
    m_touch->moveTo(point);
    m_touch->setPhase(UITouchPhaseMoved);
    send(clockNow(timestamp));
}

void Finger::up(std::optional<double> timestamp)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_touch)
        return;
    m_touch->setPhase(UITouchPhaseEnded);
    send(clockNow(timestamp));
    m_touch.reset();
}

void Finger::cancel()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_touch)
        return;
    m_touch->setPhase(UITouchPhaseCancelled);
    send(clockNow(std::nullopt));
    m_touch.reset();
}

void Finger::send(double timestamp)
{
    m_touch->setTimestamp(timestamp);
    auto event = std::make_shared<UIEvent>();
    event->setAllTouches({m_touch});
    event->setTimestamp(timestamp);
    m_window->sendEvent(event);
}

} // namespace Automation
