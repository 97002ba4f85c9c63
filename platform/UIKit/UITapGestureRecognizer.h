#pragma once
// Recognises taps: numberOfTapsRequired touch-downs and lift-offs of numberOfTouchesRequired
// fingers, each finger staying within a small distance of where it came down, and each tap
// following the last within a short interval on the run loop's clock. Recognised (Ended) at
// the last lift-off. Main thread only.
#include <memory>

#include "UIKit/UIGestureRecognizer.h"

class NSTimer;

class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    UITapGestureRecognizer();
    ~UITapGestureRecognizer() override;

    // 1 by default; values below 1 count as 1.
    long numberOfTapsRequired() const { return m_tapsRequired; }
    void setNumberOfTapsRequired(long taps) { m_tapsRequired = taps < 1 ? 1 : taps; }
    long numberOfTouchesRequired() const { return m_touchesRequired; }
    void setNumberOfTouchesRequired(long touches) { m_touchesRequired = touches < 1 ? 1 : touches; }

    // How far a finger may wander, in points, and how long the next tap may take, in seconds.
    static constexpr double kAllowableMovement = 10;
    static constexpr double kMaximumTapInterval = 0.35;

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void reset() override;

private:
    void waitForNextTap();
    void stopWaiting();

    long m_tapsRequired = 1;
    long m_touchesRequired = 1;
    long m_taps = 0;
    long m_touchesDown = 0;
    CGPoint m_tapStart{};
    std::shared_ptr<NSTimer> m_timer;
};
