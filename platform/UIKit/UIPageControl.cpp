#include "UIKit/UIPageControl.h"

#include <algorithm>

#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UITouch.h"

namespace {

constexpr CGFloat kDot = 7;
constexpr CGFloat kPitch = 16; // dot centre to dot centre
constexpr CGFloat kHeight = 37;

} // namespace

void UIPageControl::initWithFrame(CGRect frame)
{
    UIControl::initWithFrame(frame);
    setPageIndicatorTintColor(nullptr);
    setCurrentPageIndicatorTintColor(nullptr);
}

void UIPageControl::setNumberOfPages(long pages)
{
    m_numberOfPages = std::max(0L, pages);
    setCurrentPage(m_currentPage);
    invalidateIntrinsicContentSize();
}

void UIPageControl::setCurrentPage(long page) { m_currentPage = m_numberOfPages > 0 ? std::clamp(page, 0L, m_numberOfPages - 1) : 0; }

void UIPageControl::setPageIndicatorTintColor(std::shared_ptr<UIColor> color)
{
    m_pageIndicatorTintColor = color ? std::move(color) : UIColor::colorWithWhite_alpha(1, 0.35);
}

void UIPageControl::setCurrentPageIndicatorTintColor(std::shared_ptr<UIColor> color)
{
    m_currentPageIndicatorTintColor = color ? std::move(color) : UIColor::whiteColor();
}

CGSize UIPageControl::sizeForNumberOfPages(long pages) const
{
    return CGSizeMake(pages > 0 ? CGFloat(pages - 1) * kPitch + kDot : 0, kHeight);
}

CGSize UIPageControl::intrinsicContentSize() const { return sizeForNumberOfPages(m_numberOfPages); }

void UIPageControl::drawRect(CGRect)
{
    if (m_numberOfPages == 0 || (m_hidesForSinglePage && m_numberOfPages == 1))
        return;
    auto context = UIGraphicsGetCurrentContext();
    CGRect b = bounds();
    CGFloat x = CGRectGetMidX(b) - sizeForNumberOfPages(m_numberOfPages).width / 2 + kDot / 2;
    CGFloat y = CGRectGetMidY(b);
    for (long page = 0; page < m_numberOfPages; ++page, x += kPitch) {
        const auto& color = page == m_currentPage ? m_currentPageIndicatorTintColor : m_pageIndicatorTintColor;
        CGContextSetFillColorWithColor(context, color->CGColor());
        CGContextBeginPath(context);
        CGContextAddArc(context, x, y, kDot / 2, 0, 2 * M_PI, 0);
        CGContextFillPath(context);
    }
}

void UIPageControl::endTrackingWithTouch_withEvent(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>&)
{
    if (!touch || m_numberOfPages == 0)
        return;
    CGPoint point = touch->locationInView(shared_from_this());
    // Stricter than the control's slop: a finger lifted off the dots is no tap.
    if (!CGRectContainsPoint(bounds(), point))
        return;
    long before = m_currentPage;
    setCurrentPage(point.x < CGRectGetMidX(bounds()) ? before - 1 : before + 1);
    if (m_currentPage != before)
        sendActionsForControlEvents(UIControlEventValueChanged);
}
