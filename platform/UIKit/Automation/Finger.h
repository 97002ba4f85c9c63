#pragma once
// One synthetic finger on a window, as a person's would be: it comes down, moves and lifts,
// and each step goes to the window as a touch event, through its hit test and dispatch. A
// step is stamped with the run loop's clock unless a timestamp is given (a swipe spreads its
// moves over time without moving the clock). Steps out of order (a move before the finger
// is down, a second down) are ignored. Main thread only.
#include <memory>
#include <optional>

#include "CoreGraphics/CGGeometry.h"

class UITouch;
class UIWindow;

namespace Automation {

class Finger {
public:
    explicit Finger(std::shared_ptr<UIWindow> window);
    // A finger still down when it goes is cancelled, so no view keeps a touch that never ends.
    ~Finger();
    Finger(const Finger&) = delete;
    Finger& operator=(const Finger&) = delete;

    // Points in the window's coordinates.
    void down(CGPoint point, std::optional<double> timestamp = std::nullopt);
    void moveTo(CGPoint point, std::optional<double> timestamp = std::nullopt);
    void up(std::optional<double> timestamp = std::nullopt);
    void cancel();

    bool isDown() const { return m_touch != nullptr; }
    // The touch while the finger is down (the view the hit test found is its view).
    std::shared_ptr<UITouch> touch() const { return m_touch; }

private:
    void send(double timestamp);

    std::shared_ptr<UIWindow> m_window;
    std::shared_ptr<UITouch> m_touch;
};

} // namespace Automation
