#include "UIKit/ScrollContentTouchRecognizer.h"

#include "UIKit/UIControl.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UITouch.h"

namespace kvn {

ScrollContentTouchRecognizer::ScrollContentTouchRecognizer(std::weak_ptr<UIScrollView> scrollView)
    : m_scrollView(std::move(scrollView))
{
}

bool ScrollContentTouchRecognizer::contentKeepsTouch(const std::shared_ptr<UITouch>& touch, const UIScrollView& scrollView) const
{
    for (auto view = touch->view(); view && view.get() != &scrollView; view = view->superview()) {
        if (std::dynamic_pointer_cast<UIControl>(view) || std::dynamic_pointer_cast<UIScrollView>(view))
            return true;
    }
    return false;
}

void ScrollContentTouchRecognizer::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    auto scrollView = m_scrollView.lock();
    if (!scrollView || touches.empty() || m_touch.lock())
        return;
    auto touch = *touches.begin();
    if (!contentKeepsTouch(touch, *scrollView) || !scrollView->contentTouchBegan({}, touch))
        return setState(UIGestureRecognizerStateFailed);
    m_touch = touch;
}

void ScrollContentTouchRecognizer::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    auto scrollView = m_scrollView.lock();
    auto touch = m_touch.lock();
    if (!scrollView || !touch || !touches.contains(touch))
        return;
    scrollView->contentTouchMoved({}, touch);
    if (!scrollView->isTracking()) {
        // The scroll view left the touch to the content.
        m_touch.reset();
        setState(UIGestureRecognizerStateFailed);
    } else if (scrollView->isDragging()) {
        setState(state() == UIGestureRecognizerStatePossible ? UIGestureRecognizerStateBegan : UIGestureRecognizerStateChanged);
    }
}

void ScrollContentTouchRecognizer::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    auto scrollView = m_scrollView.lock();
    auto touch = m_touch.lock();
    if (!touch || !touches.contains(touch))
        return;
    m_touch.reset();
    bool dragged = state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged;
    if (scrollView)
        scrollView->contentTouchEnded({}, touch);
    setState(dragged ? UIGestureRecognizerStateEnded : UIGestureRecognizerStateFailed);
}

void ScrollContentTouchRecognizer::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    auto touch = m_touch.lock();
    if (!touch || !touches.contains(touch))
        return;
    giveUp();
    setState(state() == UIGestureRecognizerStatePossible ? UIGestureRecognizerStateFailed : UIGestureRecognizerStateCancelled);
}

void ScrollContentTouchRecognizer::reset()
{
    // Beaten by another recogniser, or disabled, while following a touch.
    giveUp();
}

void ScrollContentTouchRecognizer::giveUp()
{
    auto touch = m_touch.lock();
    m_touch.reset();
    if (auto scrollView = m_scrollView.lock(); scrollView && touch)
        scrollView->contentTouchCancelled({}, touch);
}

} // namespace kvn
