#include "Private/UIElements/KVNProgressView.h"

#include <algorithm>

#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNProgressView::initWithProgressViewStyle(UIProgressViewStyle style)
{
    UIProgressView::initWithProgressViewStyle(style);
    auto theme = KavoniAppearance::sharedAppearance();
    m_indicatorView = std::make_shared<UIView>();
    m_indicatorView->init();
    m_indicatorView->setBackgroundColor(UIColor::whiteColor());
    addSubview(m_indicatorView);
    setProgressTintColor(theme->primaryBrandColor());
    setTrackTintColor(theme->progressTrackTintColor());
    layer()->setCornerRadius(std::max<CGFloat>(theme->cornerRadius() - 1, 0));
    setClipsToBounds(true);
}

void KVNProgressView::layoutSubviews()
{
    UIProgressView::layoutSubviews();
    if (!m_indicatorView)
        return;
    CGFloat width = bounds().size.width;
    CGFloat height = bounds().size.height;
    CGFloat x = width * progress();
    if (x <= 0 || x >= width) {
        m_indicatorView->setHidden(true);
        return;
    }
    m_indicatorView->setHidden(false);
    m_indicatorView->setFrame(CGRectMake(x - 1, 0, 2, height));
}
