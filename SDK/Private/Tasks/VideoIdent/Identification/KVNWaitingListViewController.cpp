#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListControllerDelegate.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNSquareButton.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "models/KVNIdentification.h"
#include "public/KavoniAppearance.h"

namespace {

bool smsChannel()
{
    return KVNIdentification::sharedIdentification()->pushNotificationChannel() == std::optional<std::string>("SMS");
}

std::string channelText(const char* smsKey, const char* pushKey)
{
    return KVNLocalizer::localizedStringForKey(smsChannel() ? smsKey : pushKey);
}

} // namespace

void KVNWaitingListViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    const std::string requestTitle = channelText("SMS_REQUESTPUSHBUTTON_TITLE", "PUSH_REQUESTPUSHBUTTON_TITLE");
    const std::string retryTitle = channelText("SMS_RETRYPUSHBUTTON_TILE", "PUSH_RETRYPUSHBUTTON_TILE");

    m_blurredView = std::make_shared<KVNBlurredView>();
    m_blurredView->init();
    m_shortInfoLabel = std::make_shared<KVNMediumLabel>();
    m_shortInfoLabel->init();
    m_detailsLabel = std::make_shared<KVNLabel>();
    m_detailsLabel->init();
    m_okButton = std::make_shared<KVNSquareButton>();
    m_okButton->init();
    m_cancelButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_requestNotificationButton = std::make_shared<KVNRoundedButton>();
    m_requestNotificationButton->init();
    m_retryNotificationButton = std::make_shared<KVNRoundedButton>();
    m_retryNotificationButton->init();

    auto weak = std::weak_ptr<KVNWaitingListViewController>(std::static_pointer_cast<KVNWaitingListViewController>(shared_from_this()));
    auto connect = [&](const std::shared_ptr<UIButton>& button, void (KVNWaitingListViewController::*action)()) {
        button->addTarget_action_forControlEvents(
            shared_from_this(),
            kvn::bindToMainQueue(weak, [action](KVNWaitingListViewController& self, const std::shared_ptr<UIControl>&) { (self.*action)(); }),
            UIControlEventTouchUpInside);
    };
    connect(m_okButton, &KVNWaitingListViewController::okButtonPressed);
    connect(m_requestNotificationButton, &KVNWaitingListViewController::requestPushNotification);
    connect(m_retryNotificationButton, &KVNWaitingListViewController::retryPushNotification);
    connect(m_cancelButton, &KVNWaitingListViewController::cancelButtonPressed);
    m_requestNotificationButton->setTitle_forState(requestTitle, UIControlStateNormal);
    m_retryNotificationButton->setTitle_forState(retryTitle, UIControlStateNormal);

    view()->setBackgroundColor(UIColor::clearColor());
    m_shortInfoLabel->setTextColor(KavoniAppearance::sharedAppearance()->headlineColor());
    m_shortInfoLabel->setFontSize(17);
    m_shortInfoLabel->setNumberOfLines(0);
    m_detailsLabel->setFont(KVNExtensions::regularFontOfSize(15));
    m_detailsLabel->setNumberOfLines(0);
    m_cancelButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-close"), UIControlStateNormal);

    auto self = view();
    self->addSubview(m_blurredView);
    Layout::ConstraintMaker::make(m_blurredView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
}

void KVNWaitingListViewController::presentStage(long stage)
{
    KVN_ASSERT_MAIN_THREAD();
    switch (stage) {
    case KVNWaitingListStageOffer:
        layoutStage1();
        break;
    case KVNWaitingListStageRequestNotification:
        layoutStage2();
        break;
    case KVNWaitingListStageNotificationDenied:
        layoutStage3();
        break;
    default:
        break;
    }
}

void KVNWaitingListViewController::clearViews()
{
    for (const std::shared_ptr<UIView>& control : std::initializer_list<std::shared_ptr<UIView>>{
             m_shortInfoLabel, m_detailsLabel, m_okButton, m_cancelButton, m_requestNotificationButton, m_retryNotificationButton})
        if (control)
            control->removeFromSuperview();
}

void KVNWaitingListViewController::layoutStage1()
{
    if (!m_blurredView)
        return;
    clearViews();
    auto content = m_blurredView->contentView();
    content->addSubview(m_shortInfoLabel);
    content->addSubview(m_detailsLabel);
    content->addSubview(m_okButton);
    layoutOkButton();
    Layout::ConstraintMaker::make(m_detailsLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(15);
        make.right().equalTo(m_okButton->leftAnchor()).offset(-15);
        make.bottom().equalTo(content).offset(-15);
    });
    layoutShortInfoLabel();
    m_shortInfoLabel->setText(channelText("SMS_STAGE1_TITLE", "PUSH_STAGE1_TITLE"));
    m_detailsLabel->setText(channelText("SMS_STAGE1_DETAILS", "PUSH_STAGE1_DETAILS"));
    // A fixed text, the same in every language.
    m_okButton->setTitle_forState(std::string("OK"), UIControlStateNormal);
}

void KVNWaitingListViewController::layoutStage2()
{
    if (!m_blurredView)
        return;
    clearViews();
    auto identification = KVNIdentification::sharedIdentification();
    const bool forced = identification->forceWaitingList();
    auto content = m_blurredView->contentView();
    content->addSubview(m_shortInfoLabel);
    content->addSubview(m_detailsLabel);
    content->addSubview(m_requestNotificationButton);
    if (!forced)
        content->addSubview(m_cancelButton);
    layoutRequestButton();
    layoutDetailsLabel();
    layoutShortInfoLabel();
    if (!forced)
        layoutCancelButton();
    m_shortInfoLabel->setText(channelText("SMS_STAGE2_TITLE", "PUSH_STAGE2_TITLE"));
    m_detailsLabel->setText(forced ? identification->forcedWaitingMessage()
                                   : std::optional<std::string>(channelText("SMS_STAGE2_DETAILS", "PUSH_STAGE2_DETAILS")));
}

void KVNWaitingListViewController::layoutStage3()
{
    if (!m_blurredView)
        return;
    clearViews();
    auto content = m_blurredView->contentView();
    content->addSubview(m_shortInfoLabel);
    content->addSubview(m_detailsLabel);
    content->addSubview(m_cancelButton);
    content->addSubview(m_retryNotificationButton);
    layoutRetryButton();
    layoutDetailsLabel();
    layoutShortInfoLabel();
    layoutCancelButton();
    m_shortInfoLabel->setText(KVNLocalizer::localizedStringForKey("PUSH_STAGE3_TITLE"));
    m_detailsLabel->setText(KVNLocalizer::localizedStringForKey("PUSH_STAGE3_DETAILS"));
}

void KVNWaitingListViewController::layoutShortInfoLabel()
{
    auto content = m_blurredView->contentView();
    Layout::ConstraintMaker::make(m_shortInfoLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(content).offset(15);
        make.bottom().equalTo(m_detailsLabel->topAnchor()).offset(-15);
        make.left().right().equalTo(m_detailsLabel);
    });
}

void KVNWaitingListViewController::layoutDetailsLabel()
{
    // Stages with a rounded button: the details sit on whichever of the two is shown.
    auto content = m_blurredView->contentView();
    auto button = m_requestNotificationButton->superview() ? m_requestNotificationButton : m_retryNotificationButton;
    Layout::ConstraintMaker::make(m_detailsLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(15);
        make.right().equalTo(content).offset(-15);
        make.bottom().equalTo(button->topAnchor()).offset(-15);
    });
}

void KVNWaitingListViewController::layoutOkButton()
{
    auto self = view();
    auto content = m_blurredView->contentView();
    Layout::ConstraintMaker::make(m_okButton, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self);
        make.right().equalTo(self);
        make.bottom().equalTo(content);
        make.width().equalTo(self->bounds().size.width / 4);
    });
}

void KVNWaitingListViewController::layoutCancelButton()
{
    auto self = view();
    Layout::ConstraintMaker::make(m_cancelButton, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(self).offset(-15);
        make.top().equalTo(self).offset(10);
    });
}

namespace {

void layoutRoundedButton(const std::shared_ptr<UIView>& button, const std::shared_ptr<UIView>& details, const std::shared_ptr<UIView>& content)
{
    // The gap above the button is the details' own 15: a second, 10-point rule from this side
    // could never hold together with it.
    (void)details;
    Layout::ConstraintMaker::make(button, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(details);
        make.bottom().equalTo(content).offset(-15);
    });
}

} // namespace

void KVNWaitingListViewController::layoutRequestButton()
{
    layoutRoundedButton(m_requestNotificationButton, m_detailsLabel, m_blurredView->contentView());
}

void KVNWaitingListViewController::layoutRetryButton()
{
    layoutRoundedButton(m_retryNotificationButton, m_detailsLabel, m_blurredView->contentView());
}

void KVNWaitingListViewController::okButtonPressed()
{
    presentStage(KVNWaitingListStageRequestNotification);
}

void KVNWaitingListViewController::cancelButtonPressed()
{
    presentStage(KVNWaitingListStageOffer);
}

void KVNWaitingListViewController::requestPushNotification()
{
    if (auto delegate = m_delegate.lock())
        delegate->waitingListPushNotificationRequested();
}

void KVNWaitingListViewController::retryPushNotification()
{
    requestPushNotification();
}

void KVNWaitingListViewController::pushNotificationNotAllowed()
{
    presentStage(KVNWaitingListStageNotificationDenied);
}
