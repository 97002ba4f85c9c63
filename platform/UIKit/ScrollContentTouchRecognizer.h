#pragma once
// The scroll view's hold on touches that land on content which keeps them to itself (a
// control, a nested scroll view): such a touch never reaches the scroll view through the
// responder chain, so this recogniser, attached to the scroll view, follows it instead and
// drives the scroll view's drag. When the finger has moved far enough to drag, and the scroll
// view lets the content give up its touch, it recognises, and the window takes the touch from
// the content (touchesCancelled): a button dragged off no longer fires. A touch that the
// scroll view gets anyway fails it at once, so nothing is followed twice. Main thread only.
#include <memory>

#include "UIKit/UIGestureRecognizer.h"

class UIScrollView;

namespace kvn {

class ScrollContentTouchRecognizer : public UIGestureRecognizer {
public:
    explicit ScrollContentTouchRecognizer(std::weak_ptr<UIScrollView> scrollView);

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void reset() override;

private:
    // Whether the touch stops at a view below the scroll view that does not pass it on.
    bool contentKeepsTouch(const std::shared_ptr<UITouch>& touch, const UIScrollView& scrollView) const;
    void giveUp();

    std::weak_ptr<UIScrollView> m_scrollView;
    std::weak_ptr<UITouch> m_touch;
};

} // namespace kvn
