#include "Private/UIElements/KVNBlurredView.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIBlurEffect.h"
#include "UIKit/UIVibrancyEffect.h"

void KVNBlurredView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNBlurredView::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    auto blur = UIBlurEffect::effectWithStyle(UIBlurEffectStyleExtraLight);
    auto blurView = std::make_shared<UIVisualEffectView>();
    blurView->initWithEffect(blur);
    insertSubview_atIndex(blurView, 0);
    Layout::ConstraintMaker::make(blurView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });

    m_vibrancyEffectView = std::make_shared<UIVisualEffectView>();
    m_vibrancyEffectView->initWithEffect(UIVibrancyEffect::effectForBlurEffect(blur));
    auto blurContent = blurView->contentView();
    blurContent->addSubview(m_vibrancyEffectView);
    Layout::ConstraintMaker::make(m_vibrancyEffectView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(blurContent); });

    layer()->setAllowsGroupOpacity(false);
}

std::shared_ptr<UIView> KVNBlurredView::contentView() const
{
    if (!m_vibrancyEffectView)
        return nullptr;
    if (auto superview = m_vibrancyEffectView->superview())
        return superview;
    return m_vibrancyEffectView->contentView();
}
