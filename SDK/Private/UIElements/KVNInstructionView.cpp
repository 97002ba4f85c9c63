#include "Private/UIElements/KVNInstructionView.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIDevice.h"
#include "public/KavoniAppearance.h"

void KVNInstructionView::initWithNumber_text(long number, const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    UIView::initWithFrame(CGRectZero);
    auto self = shared_from_this();
    const bool pad = UIDevice::currentDevice()->userInterfaceIdiom() == UIUserInterfaceIdiomPad;

    m_textLabel = std::make_shared<KVNMediumLabel>();
    m_textLabel->init();
    m_textLabel->setNumberOfLines(0);
    m_textLabel->setFontSize(17);
    m_textLabel->setTextColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    m_textLabel->setText(text);
    addSubview(m_textLabel);
    Layout::ConstraintMaker::make(m_textLabel, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(self).offset(-20);
        make.top().equalTo(self).offset(pad ? 7 : 0);
    });

    m_numberLabel = std::make_shared<KVNRoundedFilledLabel>();
    m_numberLabel->init();
    m_numberLabel->setText(std::to_string(number));
    addSubview(m_numberLabel);
    Layout::ConstraintMaker::make(m_numberLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.width().height().equalTo(25);
        if (pad)
            make.centerY().equalTo(m_textLabel);
        else
            make.top().equalTo(m_textLabel).offset(7);
        make.right().equalTo(m_textLabel->leftAnchor()).offset(-20);
    });
}
