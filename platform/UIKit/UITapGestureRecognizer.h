#pragma once
// A single tap on a view: when a touch that began on the view ends on it, the recogniser
// sends its action with itself; the action reads where the tap was through locationInView.
// Attached with UIView::addGestureRecognizer. Main thread.
#include <functional>
#include <memory>

#include "CoreGraphics/CGGeometry.h"

class UIView;
class UITouch;

class UITapGestureRecognizer : public std::enable_shared_from_this<UITapGestureRecognizer> {
public:
    using Action = std::function<void(const std::shared_ptr<UITapGestureRecognizer>&)>;

    explicit UITapGestureRecognizer(Action action) : m_action(std::move(action)) {}

    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    // Where the recognised tap was, in `view`'s coordinates (the recogniser's view when none).
    CGPoint locationInView(const std::shared_ptr<UIView>& view) const;

    // The view's touch delivery: a touch that ended on the view. True when it was a tap.
    bool touchEnded(const UITouch& touch);
    void setView(const std::shared_ptr<UIView>& view) { m_view = view; }

private:
    Action m_action;
    std::weak_ptr<UIView> m_view;
    CGPoint m_location{}; // in the view's coordinates
    bool m_recognised = false;
};
