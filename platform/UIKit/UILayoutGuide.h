#pragma once
// A rectangle that takes part in layout without being a view: constraints place it and
// relate other items to it. A guide belongs to one view (addLayoutGuide). The top and bottom
// layout guides of a view controller are guides pinned to their view's top or bottom edge
// with the length of whatever covers that edge (status bar, navigation bar); their `length`
// is the platform's UILayoutSupport.
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/LayoutItem.h"

class UIView;

class UILayoutGuide : public std::enable_shared_from_this<UILayoutGuide>, public Layout::LayoutItem {
public:
    void init() {}

    std::shared_ptr<UIView> owningView() const { return m_owningView.lock(); }
    // In the owning view's coordinates, as of the last layout pass.
    CGRect layoutFrame() const { return m_layoutFrame; }

    const std::optional<std::string>& identifier() const { return m_identifier; }
    void setIdentifier(std::optional<std::string> identifier) { m_identifier = std::move(identifier); }

    // The height of a pinned guide; of any other, its laid-out height.
    double length() const;

    // Pinning, for view controllers' top and bottom layout guides: the guide spans the
    // owning view's width at `edge` and is as high as `length` answers at each layout pass.
    enum class Edge {
        None,
        Top,
        Bottom,
    };
    void pinToOwningViewEdge(Edge edge, std::function<double()> length);
    Edge pinnedEdge() const { return m_pinnedEdge; }

    // Kept by UIView::addLayoutGuide and the layout engine.
    void setOwningView(const std::shared_ptr<UIView>& view) { m_owningView = view; }
    void setLayoutFrame(CGRect frame) { m_layoutFrame = frame; }

    std::shared_ptr<UIView> layoutItemView() const override { return owningView(); }
    std::weak_ptr<Layout::LayoutItem> weakLayoutItem() const override;

private:
    std::weak_ptr<UIView> m_owningView;
    CGRect m_layoutFrame = CGRectZero;
    std::optional<std::string> m_identifier;
    Edge m_pinnedEdge = Edge::None;
    std::function<double()> m_length;
};
