#include "Private/UIElements/KVNErrorView.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNLabel.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

void KVNErrorView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNErrorView::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    m_textLabel = std::make_shared<KVNLabel>();
    m_textLabel->initWithFrame(CGRectZero);
    m_textLabel->setFont(KVNExtensions::regularFontOfSize(12));
    m_textLabel->setTextAlignment(NSTextAlignmentCenter);
    m_textLabel->setNumberOfLines(0);
    addSubview(m_textLabel);
    Layout::ConstraintMaker::make(m_textLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        make.top().equalTo(self).offset(20);
    });

    m_actionButton = UIButton::buttonWithType(UIButtonTypeSystem);
    m_actionButton->setTintColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    m_actionButton->titleLabel()->setNumberOfLines(0);
    m_actionButton->titleLabel()->setTextAlignment(NSTextAlignmentCenter);
    m_actionButton->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentCenter);
    m_actionButton->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    addSubview(m_actionButton);
    Layout::ConstraintMaker::make(m_actionButton, [&](Layout::ConstraintMaker& make) {
        make.centerX().equalTo(m_textLabel);
        make.left().greaterThanOrEqualTo(m_textLabel);
        make.top().equalTo(m_textLabel->bottomAnchor()).offset(20);
        make.bottom().equalTo(self).offset(-20);
    });
}
