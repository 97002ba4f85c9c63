#pragma once
// Recognises a drag: Began once a finger has moved a few points from where it came down,
// Changed on every later move, Ended at lift-off. The translation is the distance moved since
// the finger came down (or since setTranslation), the velocity the last move's distance over
// the time between the two touches' timestamps on the run loop's clock. Without transforms a
// distance is the same in every view's coordinates. Main thread only.
#include "UIKit/UIGestureRecognizer.h"

class UIPanGestureRecognizer : public UIGestureRecognizer {
public:
    UIPanGestureRecognizer();
    ~UIPanGestureRecognizer() override;

    // Points a finger moves before the pan begins.
    static constexpr double kHysteresis = 10;

    long minimumNumberOfTouches() const { return m_minimumTouches; }
    void setMinimumNumberOfTouches(long touches) { m_minimumTouches = touches < 1 ? 1 : touches; }

    CGPoint translationInView(const std::shared_ptr<UIView>& view) const;
    void setTranslation_inView(CGPoint translation, const std::shared_ptr<UIView>& view);
    // Points per second.
    CGPoint velocityInView(const std::shared_ptr<UIView>& view) const { return m_velocity; }

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void reset() override;

private:
    // The centroid of the tracked touches, in window coordinates, and their latest timestamp.
    CGPoint centroid() const;
    double latestTimestamp() const;

    long m_minimumTouches = 1;
    CGPoint m_origin{};
    CGPoint m_last{};
    double m_lastTime = 0;
    CGPoint m_velocity{};
};
