#include "UIKit/UIProgressView.h"

#include <algorithm>
#include <cmath>

#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UILayoutPriority.h"

namespace {

// How long an animated change of the progress takes.
constexpr double kProgressAnimation = 0.25;

} // namespace

void UIProgressView::initWithProgressViewStyle(UIProgressViewStyle style)
{
    m_style = style;
    initWithFrame(CGRectMake(0, 0, 0, 2));
}

void UIProgressView::initWithFrame(CGRect frame) { UIView::initWithFrame(frame); }

void UIProgressView::setProgress_animated(float progress, bool animated)
{
    progress = std::isnan(progress) ? 0.0f : std::clamp(progress, 0.0f, 1.0f);
    if (!animated || progress == m_progress) {
        m_progress = progress;
        setNeedsLayout();
        return;
    }
    auto before = presentationValue(ProgressKey, {m_progress});
    UIView::animateWithDuration_delay_options_animations_completion(
        kProgressAnimation, 0, UIViewAnimationOptionBeginFromCurrentState | UIViewAnimationOptionCurveEaseInOut,
        [&] { noteAnimatedChange(ProgressKey, before, {progress}); }, nullptr);
    m_progress = progress;
    setNeedsLayout();
}

CGSize UIProgressView::intrinsicContentSize() const
{
    return CGSizeMake(UIViewNoIntrinsicMetric, m_style == UIProgressViewStyleBar ? 2.5 : 2);
}

void UIProgressView::drawRect(CGRect)
{
    auto context = UIGraphicsGetCurrentContext();
    CGRect b = bounds();
    auto track = m_trackTintColor ? m_trackTintColor : UIColor::colorWithRed_green_blue_alpha(0.71, 0.71, 0.71, 1);
    CGContextSetFillColorWithColor(context, track->CGColor());
    CGContextFillRect(context, b);
    double shown = std::clamp(presentationValue(ProgressKey, {m_progress})[0], 0.0, 1.0);
    auto fill = m_progressTintColor ? m_progressTintColor : tintColor();
    CGContextSetFillColorWithColor(context, fill->CGColor());
    CGContextFillRect(context, CGRectMake(b.origin.x, b.origin.y, b.size.width * shown, b.size.height));
}
