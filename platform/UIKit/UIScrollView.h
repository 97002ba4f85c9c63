#pragma once
// A view that shows a window onto larger content: the content offset is the bounds' origin.
// A finger drags the content (after it moved 10 points, so a tap stays a tap); on release
// the content glides on with the finger's speed and comes to rest on the run loop's clock,
// snapping to whole pages when paging is on and springing back inside the content when it
// was dragged beyond an edge. Offsets stay within the content and its insets except while
// a bouncing drag pulls past them. The delegate hears of each step. A drag may start on
// content that keeps its touches (a button): once it begins, the content's touch is
// cancelled, unless canCancelContentTouches is off or touchesShouldCancelInContentView
// answers NO, in which case the content keeps the touch and nothing scrolls.
// Main thread only.
#include <memory>

#include "Foundation/Badge.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIScrollViewDelegate.h"
#include "UIKit/UIView.h"

class NSTimer;
namespace kvn {
class ScrollContentTouchRecognizer;
}

class UIScrollView : public UIView {
public:
    // Content beyond the bounds is scrolled out of sight, not drawn over what lies around.
    UIScrollView() { setClipsToBounds(true); }
    ~UIScrollView() override;

    CGSize contentSize() const { return m_contentSize; }
    // Negative or not finite sizes count as 0.
    void setContentSize(CGSize size);
    CGPoint contentOffset() const { return bounds().origin; }
    // Stops any glide or animation; an offset that is not finite is refused.
    void setContentOffset(CGPoint offset);
    void setContentOffset_animated(CGPoint offset, bool animated);
    // Scrolls the least that shows `rect` (content coordinates), within the content.
    void scrollRectToVisible_animated(CGRect rect, bool animated);
    UIEdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(UIEdgeInsets inset);
    UIEdgeInsets scrollIndicatorInsets() const { return m_scrollIndicatorInsets; }
    void setScrollIndicatorInsets(UIEdgeInsets insets) { m_scrollIndicatorInsets = insets; }

    bool isPagingEnabled() const { return m_pagingEnabled; }
    void setPagingEnabled(bool enabled) { m_pagingEnabled = enabled; }
    bool bounces() const { return m_bounces; }
    void setBounces(bool bounces) { m_bounces = bounces; }
    bool alwaysBounceVertical() const { return m_alwaysBounceVertical; }
    void setAlwaysBounceVertical(bool bounce) { m_alwaysBounceVertical = bounce; }
    bool alwaysBounceHorizontal() const { return m_alwaysBounceHorizontal; }
    void setAlwaysBounceHorizontal(bool bounce) { m_alwaysBounceHorizontal = bounce; }
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    bool showsHorizontalScrollIndicator() const { return m_showsHorizontalScrollIndicator; }
    void setShowsHorizontalScrollIndicator(bool shows) { m_showsHorizontalScrollIndicator = shows; }
    bool showsVerticalScrollIndicator() const { return m_showsVerticalScrollIndicator; }
    void setShowsVerticalScrollIndicator(bool shows) { m_showsVerticalScrollIndicator = shows; }

    std::shared_ptr<UIScrollViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIScrollViewDelegate> delegate) { m_delegate = std::move(delegate); }

    bool canCancelContentTouches() const { return m_canCancelContentTouches; }
    void setCanCancelContentTouches(bool cancels) { m_canCancelContentTouches = cancels; }
    // Asked as a drag begins on `view`, which holds the touch. Every view gives its touch up
    // by default, controls too, so that a list of buttons still scrolls under the finger.
    virtual bool touchesShouldCancelInContentView(const std::shared_ptr<UIView>& view) { return true; }

    bool isTracking() const { return m_tracking; }
    bool isDragging() const { return m_dragging; }
    bool isDecelerating() const { return m_motion == Motion::Decelerating; }

    // The offsets the content may rest at.
    CGPoint minimumContentOffset() const;
    CGPoint maximumContentOffset() const;

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void didMoveToWindow() override;

    // A touch that the content keeps, followed on the scroll view's behalf. Began answers
    // whether the scroll view follows it.
    bool contentTouchBegan(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch);
    void contentTouchMoved(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch);
    void contentTouchEnded(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch);
    void contentTouchCancelled(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch);

protected:
    // Sent after every change of the offset (before the delegate hears of it).
    virtual void contentOffsetDidChange() {}
    // A touch that went down and up without dragging; subclasses take it as a tap.
    virtual void touchDidTap(const std::shared_ptr<UITouch>& touch) {}
    virtual void touchDidBegin(const std::shared_ptr<UITouch>& touch) {}
    // The touch of touchDidBegin turned into a drag or was cancelled.
    virtual void touchDidStopBeingATap() {}

private:
    enum class Motion { None, Decelerating, Animating };

    std::shared_ptr<UIScrollView> self();
    void moveContentTo(CGPoint offset);
    CGPoint clamped(CGPoint offset) const;
    bool scrollsHorizontally() const;
    bool scrollsVertically() const;
    // The followed touch when it is among `touches`.
    std::shared_ptr<UITouch> trackedTouchIn(const UITouchSet& touches) const;
    bool beginFollowing(const std::shared_ptr<UITouch>& touch);
    void followMove(const std::shared_ptr<UITouch>& touch);
    void finishFollowing(const std::shared_ptr<UITouch>& touch);
    void cancelFollowing();
    void stopTracking();
    void endDrag(CGPoint fingerVelocity);
    CGPoint restingTarget(CGPoint contentVelocity) const;
    void startMotion(Motion motion, CGPoint target, double timeConstant);
    void stepMotion();
    void stopMotion();

    CGSize m_contentSize = CGSizeZero;
    UIEdgeInsets m_contentInset;
    UIEdgeInsets m_scrollIndicatorInsets;
    bool m_pagingEnabled = false;
    bool m_bounces = true;
    bool m_alwaysBounceVertical = false;
    bool m_alwaysBounceHorizontal = false;
    bool m_scrollEnabled = true;
    bool m_showsHorizontalScrollIndicator = true;
    bool m_showsVerticalScrollIndicator = true;
    bool m_canCancelContentTouches = true;
    std::weak_ptr<UIScrollViewDelegate> m_delegate;
    std::shared_ptr<kvn::ScrollContentTouchRecognizer> m_contentTouchRecognizer;

    // The touch being followed, in window coordinates.
    std::weak_ptr<UITouch> m_touch;
    bool m_tracking = false;
    // The followed touch belongs to content that keeps it; it comes through the recogniser.
    bool m_followingContentTouch = false;
    bool m_dragging = false;
    CGPoint m_touchStart = CGPointZero;
    CGPoint m_offsetAtStart = CGPointZero;
    CGPoint m_lastPoint = CGPointZero;
    double m_lastTime = 0;
    CGPoint m_fingerVelocity = CGPointZero; // points per second

    Motion m_motion = Motion::None;
    CGPoint m_motionFrom = CGPointZero;
    CGPoint m_motionTarget = CGPointZero;
    double m_motionStart = 0;
    double m_motionTimeConstant = 0;
    std::shared_ptr<NSTimer> m_timer;
};
