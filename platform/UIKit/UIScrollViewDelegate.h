#pragma once
// What a scroll view tells its delegate as it scrolls. Every operation is optional (empty by
// default). Main thread.
#include <memory>

#include "CoreGraphics/CGGeometry.h"

class UIScrollView;

class UIScrollViewDelegate {
public:
    virtual ~UIScrollViewDelegate() = default;

    // After every change of the content offset, by touch, animation or code.
    virtual void scrollViewDidScroll(const std::shared_ptr<UIScrollView>& scrollView) {}
    virtual void scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>& scrollView) {}
    // `velocity` in points per millisecond of the content; the delegate may move the target.
    virtual void scrollViewWillEndDragging_withVelocity_targetContentOffset(const std::shared_ptr<UIScrollView>& scrollView,
                                                                            CGPoint velocity, CGPoint* targetContentOffset)
    {
    }
    virtual void scrollViewDidEndDragging_willDecelerate(const std::shared_ptr<UIScrollView>& scrollView, bool decelerate) {}
    virtual void scrollViewWillBeginDecelerating(const std::shared_ptr<UIScrollView>& scrollView) {}
    virtual void scrollViewDidEndDecelerating(const std::shared_ptr<UIScrollView>& scrollView) {}
    // After an animated setContentOffset or scrollRectToVisible came to rest.
    virtual void scrollViewDidEndScrollingAnimation(const std::shared_ptr<UIScrollView>& scrollView) {}
};
