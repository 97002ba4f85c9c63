#include "Private/UIElements/KVNBadgeView.h"

#include "Foundation/NSString.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

void KVNBadgeView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setup();
}

void KVNBadgeView::setup()
{
    setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    layer()->setCornerRadius(7.5);
    auto self = std::static_pointer_cast<UIView>(shared_from_this());
    Layout::ConstraintMaker::make(self, [](Layout::ConstraintMaker& make) {
        make.width().equalTo(15);
        make.height().equalTo(15);
    });

    m_badgeLabel = std::make_shared<UILabel>();
    m_badgeLabel->init();
    m_badgeLabel->setTextColor(UIColor::whiteColor());
    m_badgeLabel->setFont(KVNExtensions::regularFontOfSize(10));
    addSubview(m_badgeLabel);
    Layout::ConstraintMaker::make(m_badgeLabel, [&](Layout::ConstraintMaker& make) { make.center().equalTo(self); });
    setBadge(0);
}

void KVNBadgeView::setBadge(long badge)
{
    m_badge = badge;
    if (badge <= 0) {
        setHidden(true);
        return;
    }
    setHidden(false);
    m_badgeLabel->setText(NSString::stringWithFormat("%ld", badge));
}
