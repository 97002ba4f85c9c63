#include "UIKit/UIActivityIndicatorView.h"

#include <cmath>

#include "Foundation/NSRunLoop.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"

namespace {

constexpr int kSpokes = 12;

bool isLarge(UIActivityIndicatorViewStyle style)
{
    return style == UIActivityIndicatorViewStyleWhiteLarge || style == UIActivityIndicatorViewStyleLarge;
}

std::shared_ptr<UIColor> styleColor(UIActivityIndicatorViewStyle style)
{
    if (style == UIActivityIndicatorViewStyleWhite || style == UIActivityIndicatorViewStyleWhiteLarge)
        return UIColor::whiteColor();
    return UIColor::grayColor();
}

} // namespace

void UIActivityIndicatorView::initWithActivityIndicatorStyle(UIActivityIndicatorViewStyle style)
{
    m_style = style;
    CGFloat side = isLarge(style) ? 37 : 20;
    initWithFrame(CGRectMake(0, 0, side, side));
}

void UIActivityIndicatorView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUserInteractionEnabled(false);
    if (!m_color)
        m_color = styleColor(m_style);
    setHidden(m_hidesWhenStopped && !m_animating);
}

void UIActivityIndicatorView::setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style)
{
    m_style = style;
    m_color = styleColor(style);
    invalidateIntrinsicContentSize();
}

void UIActivityIndicatorView::setColor(std::shared_ptr<UIColor> color) { m_color = color ? std::move(color) : styleColor(m_style); }

void UIActivityIndicatorView::startAnimating()
{
    if (!m_animating)
        m_startedAt = NSRunLoop::mainRunLoop()->now();
    m_animating = true;
    setHidden(false);
}

void UIActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    if (m_hidesWhenStopped)
        setHidden(true);
}

void UIActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    setHidden(hides && !m_animating);
}

CGSize UIActivityIndicatorView::intrinsicContentSize() const
{
    CGFloat side = isLarge(m_style) ? 37 : 20;
    return CGSizeMake(side, side);
}

void UIActivityIndicatorView::drawRect(CGRect)
{
    auto context = UIGraphicsGetCurrentContext();
    CGRect b = bounds();
    CGFloat radius = std::min(b.size.width, b.size.height) / 2;
    if (radius <= 0)
        return;
    // One turn a second: the brightest spoke steps on every twelfth of it; a stopped
    // spinner shows its first step.
    int lead = 0;
    if (m_animating)
        lead = int(std::fmod(std::floor((NSRunLoop::mainRunLoop()->now() - m_startedAt) * kSpokes), kSpokes));
    CGPoint centre = CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b));
    CGContextSetLineWidth(context, radius * 0.17);
    CGContextSetLineCap(context, kCGLineCapRound);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        int behind = ((lead - spoke) % kSpokes + kSpokes) % kSpokes;
        CGContextSetStrokeColorWithColor(context, m_color->colorWithAlphaComponent(m_color->alpha() * (1.0 - behind * 0.07))->CGColor());
        double angle = -M_PI / 2 + spoke * 2 * M_PI / kSpokes;
        CGContextBeginPath(context);
        CGContextMoveToPoint(context, centre.x + std::cos(angle) * radius * 0.5, centre.y + std::sin(angle) * radius * 0.5);
        CGContextAddLineToPoint(context, centre.x + std::cos(angle) * radius * 0.9, centre.y + std::sin(angle) * radius * 0.9);
        CGContextStrokePath(context);
    }
}
