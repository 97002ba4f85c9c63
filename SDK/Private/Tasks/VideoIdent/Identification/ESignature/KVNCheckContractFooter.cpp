#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCheckContractFooter.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/ConstraintMaker.h"

void KVNCheckContractFooter::initWithFrame(CGRect frame)
{
    KVNBlurredView::initWithFrame(frame);
    setUp();
}

void KVNCheckContractFooter::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    m_backButton = std::make_shared<KVNRoundedButton>();
    m_backButton->initWithFrame(CGRectZero);
    m_backButton->setTitle_forState(KVNLocalizer::localizedStringForKey("CONTRACTS_BACK_BUTTON_TITLE"), UIControlStateNormal);
    contentView()->addSubview(m_backButton);
    // 20 around a 44-point button: the footer is as tall as the viewer's bottom inset.
    Layout::ConstraintMaker::make(m_backButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        make.top().equalTo(self).offset(20);
        make.bottom().equalTo(self).offset(-20);
        make.height().equalTo(44);
    });
}
