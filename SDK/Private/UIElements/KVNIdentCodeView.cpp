#include "Private/UIElements/KVNIdentCodeView.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UILabel.h"
#include "models/KVNIdentification.h"
#include "public/KavoniAppearance.h"

void KVNIdentCodeView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNIdentCodeView::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();

    m_titleLabel = std::make_shared<KVNMediumLabel>();
    m_titleLabel->init();
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setFontSize(17);
    m_titleLabel->setTextColor(KavoniAppearance::sharedAppearance()->headlineColor());
    m_titleLabel->setContentHuggingPriority_forAxis(750, UILayoutConstraintAxis::Vertical);

    m_contentLabel = std::make_shared<KVNLabel>();
    m_contentLabel->init();
    m_contentLabel->setNumberOfLines(0);
    m_contentLabel->setFont(KVNExtensions::regularFontOfSize(15));
    m_contentLabel->setContentHuggingPriority_forAxis(750, UILayoutConstraintAxis::Vertical);

    auto link = std::make_shared<KVNUnderlineButton>();
    link->init();
    link->setTitle_forState(KVNLocalizer::localizedStringForKey("IDENT_CODE_REQUEST_CODE_AGAIN_BUTTON_TITLE"), UIControlStateNormal);
    link->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    link->setClipsToBounds(true);
    auto weak = std::weak_ptr<KVNIdentCodeView>(std::static_pointer_cast<KVNIdentCodeView>(self));
    link->addTarget_action_forControlEvents(
        self,
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto view = weak.lock())
                view->requestAgainButtonTapped(sender);
        },
        UIControlEventTouchUpInside);
    m_requestAgainButton = link;

    m_requestAgainLabel = std::make_shared<KVNLabel>();
    m_requestAgainLabel->init();
    m_requestAgainLabel->setFont(m_requestAgainButton->titleLabel()->font());
    m_requestAgainLabel->setNumberOfLines(0);

    addSubview(m_titleLabel);
    addSubview(m_contentLabel);
    addSubview(m_requestAgainLabel);
    addSubview(m_requestAgainButton);

    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self);
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        make.bottom().equalTo(m_contentLabel->topAnchor()).offset(-15);
    });
    Layout::ConstraintMaker::make(m_contentLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.bottom().equalTo(m_requestAgainLabel->topAnchor()).offset(-12);
    });
    Layout::ConstraintMaker::make(m_requestAgainLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.bottom().equalTo(m_requestAgainButton->topAnchor());
        m_requestAgainLabelHeightConstraint = make.height().equalTo(0).kept();
    });
    Layout::ConstraintMaker::make(m_requestAgainButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.bottom().equalTo(self).offset(-10);
        m_buttonHeightConstraint = make.height().equalTo(0).kept();
    });
}

void KVNIdentCodeView::updateForIdentCodeLayout(long layout)
{
    KVN_ASSERT_MAIN_THREAD();
    if (layout == KVNIdentCodeLayoutRequestCode) {
        m_titleLabel->setText(KVNLocalizer::localizedStringForKey("IDENT_CODE_REQUEST_CODE_TITLE"));
        m_contentLabel->setText(KVNLocalizer::localizedStringForKey("IDENT_CODE_REQUEST_CODE_MESSAGE"));
        // Collapsing twice must not pile up a second pair of zero heights.
        if (!m_buttonHeightConstraint) {
            Layout::ConstraintMaker::make(
                m_requestAgainButton, [&](Layout::ConstraintMaker& make) { m_buttonHeightConstraint = make.height().equalTo(0).kept(); });
        }
        if (!m_requestAgainLabelHeightConstraint) {
            Layout::ConstraintMaker::make(m_requestAgainLabel, [&](Layout::ConstraintMaker& make) {
                m_requestAgainLabelHeightConstraint = make.height().equalTo(0).kept();
            });
        }
        return;
    }

    m_titleLabel->setText(KVNLocalizer::localizedStringForKey("IDENT_CODE_ENTER_CODE_TITLE"));
    m_requestAgainLabel->setText(KVNLocalizer::localizedStringForKey(m_emailSelected ? "IDENT_CODE_REQUEST_CODE_AGAIN_TITLE_EMAIL"
                                                                                     : "IDENT_CODE_REQUEST_CODE_AGAIN_TITLE"));
    std::optional<std::string> destination;
    if (auto video = KVNIdentification::sharedIdentification()->videoIdentification())
        destination = m_emailSelected ? video->email() : video->mobile();
    // A missing address leaves a gap in the sentence rather than a "(null)" in front of the user.
    auto format =
        KVNLocalizer::localizedStringForKey(m_emailSelected ? "IDENT_CODE_ENTER_CODE_MESSAGE_EMAIL" : "IDENT_CODE_ENTER_CODE_MESSAGE");
    m_contentLabel->setText(NSString::stringWithFormat(format, destination.value_or("")));
    if (m_buttonHeightConstraint) {
        m_buttonHeightConstraint->uninstall();
        m_buttonHeightConstraint.reset();
    }
    if (m_requestAgainLabelHeightConstraint) {
        m_requestAgainLabelHeightConstraint->uninstall();
        m_requestAgainLabelHeightConstraint.reset();
    }
}

void KVNIdentCodeView::requestAgainButtonTapped(const std::shared_ptr<UIControl>&)
{
    auto delegate = m_delegate.lock();
    if (delegate && delegate->respondsToIdentCodeViewDidTapRequestAgainButton())
        delegate->identCodeViewDidTapRequestAgainButton(std::static_pointer_cast<KVNIdentCodeView>(shared_from_this()));
}
