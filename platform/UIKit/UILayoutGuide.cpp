#include "UIKit/UILayoutGuide.h"

#include "UIKit/LayoutEngine.h"
#include "UIKit/UIView.h"

double UILayoutGuide::length() const
{
    if (m_pinnedEdge != Edge::None && m_length)
        return m_length();
    return m_layoutFrame.size.height;
}

void UILayoutGuide::pinToOwningViewEdge(Edge edge, std::function<double()> length)
{
    m_pinnedEdge = edge;
    m_length = std::move(length);
    Layout::Engine::invalidate();
}

std::weak_ptr<Layout::LayoutItem> UILayoutGuide::weakLayoutItem() const
{
    return std::const_pointer_cast<UILayoutGuide>(shared_from_this());
}
