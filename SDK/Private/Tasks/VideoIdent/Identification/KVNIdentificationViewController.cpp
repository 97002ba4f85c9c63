#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLog.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNForegroundStateHelper.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNSystemInfo.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignNativeConsentProtocolUI.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNInfoViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListStage.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListViewController.h"
#include "Private/Tasks/VideoIdent/Identification/WaitingListEnrolment.h"
#include "Private/Tasks/VideoIdent/Identification/WaitingQueuePoll.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNChatButton.h"
#include "Private/UIElements/KVNPositionRect.h"
#include "Private/UIElements/KVNPoweredByView.h"
#include "Private/UIElements/KVNPublisherView.h"
#include "Private/UIElements/KVNSubscriberView.h"
#include "Private/UIElements/KVNToast.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

namespace {

constexpr double kMargin = 15;
constexpr double kAgentBoxWidth = 90;
constexpr double kAgentBoxHeight = 130;

std::shared_ptr<KavoniSettings> currentSettings()
{
    auto controller = KavoniController::currentKavoniController();
    if (controller && controller->settings())
        return controller->settings();
    return KVNIdentification::sharedIdentification()->settings();
}

std::shared_ptr<KVNVideoIdentification> videoSession() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

long sessionStatus()
{
    auto session = videoSession();
    return session ? session->identificationStatus() : KVNIdentificationStatusConnecting;
}

bool allowTextChat()
{
    auto session = videoSession();
    return session && session->allowTextChat();
}

std::string L(const char* key) { return KVNLocalizer::localizedStringForKey(key); }

} // namespace

KVNIdentificationViewController::~KVNIdentificationViewController()
{
    if (m_waitingQueuePoll)
        m_waitingQueuePoll->stop();
}

std::shared_ptr<KVNIdentificationViewController> KVNIdentificationViewController::self()
{
    return std::static_pointer_cast<KVNIdentificationViewController>(UIViewController::shared_from_this());
}

std::weak_ptr<KVNIdentificationViewController> KVNIdentificationViewController::weakSelf() { return self(); }

std::shared_ptr<KVNIdentificationHandler> KVNIdentificationViewController::makeIdentificationHandler()
{
    return std::make_shared<KVNIdentificationHandler>();
}

void KVNIdentificationViewController::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    IdentTimerInit(&m_waitingListTimer);
    IdentTimerInit(&m_identDurationTimer);
    auto weak = weakSelf();

    // The three notifications of the waiting list and the token handed over by URL live with
    // the enrolment, which observes them for as long as the screen holds it.
    m_waitingListEnrolment = std::make_shared<kvn::WaitingListEnrolment>(kvn::WaitingListEnrolment::Host{
        .waitingList = [weak]() -> std::shared_ptr<KVNWaitingListViewController> {
            auto screen = weak.lock();
            return screen ? screen->m_waitingListController : nullptr;
        },
        .showNotificationResultScreen =
            [weak] {
                if (auto screen = weak.lock())
                    kvn::WaitingListEnrolment::showNotificationResultScreen(screen->navigationController());
            },
        .finishIdentification =
            [weak] {
                if (auto screen = weak.lock())
                    screen->tokenReceivedViaURLScheme();
            },
    });
    m_waitingListEnrolment->startObserving();

    m_waitingQueuePoll = std::make_shared<kvn::WaitingQueuePoll>(kvn::WaitingQueuePoll::Host{
        .infoPanel = [weak]() -> std::shared_ptr<KVNInfoViewController> {
            auto screen = weak.lock();
            return screen ? screen->m_infoViewController : nullptr;
        },
        .waitingListShown =
            [weak] {
                auto screen = weak.lock();
                return screen && screen->m_waitingListController;
            },
        .showWaitingList =
            [weak] {
                if (auto screen = weak.lock())
                    screen->setIdentificationLayout(KVNIdentificationLayoutWaitingList);
            },
    });

    m_subscriberView = std::make_shared<KVNSubscriberView>();
    m_subscriberView->init();
    m_subscriberView->setAccessibilityIdentifier("agentVideo");
    m_publisherView = std::make_shared<KVNPublisherView>();
    m_publisherView->init();
    m_publisherView->setAccessibilityIdentifier("ownVideo");
    m_idCardPositionRect = std::make_shared<KVNPositionRect>();
    m_idCardPositionRect->init();

    m_cancelButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_cancelButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-close"), UIControlStateNormal);
    m_cancelButton->setAccessibilityLabel(L("CANCEL"));
    m_cancelButton->addTarget_action_forControlEvents(
        self(),
        kvn::bindToMainQueue(weak, [](KVNIdentificationViewController& screen, const std::shared_ptr<UIControl>& sender) {
            screen.cancelButtonPressed(sender);
        }),
        UIControlEventTouchUpInside);

    m_chatButton = std::make_shared<KVNChatButton>();
    m_chatButton->init();
    m_chatButton->setHidden(true);
    m_chatButton->setAccessibilityLabel(L("VIDEO_IDENT_CHAT_BUTTON"));
    m_chatButton->addTarget_action_forControlEvents(
        self(),
        kvn::bindToMainQueue(weak, [](KVNIdentificationViewController& screen, const std::shared_ptr<UIControl>& sender) {
            screen.chatButtonTapped(sender);
        }),
        UIControlEventTouchUpInside);

    m_toast = std::make_shared<KVNToast>();
    m_toast->init();
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(self(), kvn::bindToMainQueue(weak, [](KVNIdentificationViewController& screen,
                                                                     const std::shared_ptr<UIGestureRecognizer>&) { screen.presentChat(); }));
    m_toast->addGestureRecognizer(tap);

    m_foregroundStateHelper = std::make_shared<KVNForegroundStateHelper>();
    m_foregroundStateHelper->init();
}

void KVNIdentificationViewController::viewDidLoad()
{
    // Made without init, as a plain new screen may be: set up on first use instead.
    if (!m_subscriberView)
        setUp();
    m_isPhone4S = KVNSystemInfo::isPhone4S();
    UIViewController::viewDidLoad();
    m_infoViewController.reset();
    m_waitingListController.reset();
    m_codeViewController.reset();
    m_eSignatureViewController.reset();
    m_nativeEsignViewController.reset();
    auto root = view();
    root->setBackgroundColor(UIColor::whiteColor());

    root->addSubview(m_publisherView);
    if (!m_isPhone4S)
        root->addSubview(m_idCardPositionRect);
    root->addSubview(m_subscriberView);
    root->addSubview(m_cancelButton);
    root->addSubview(m_chatButton);
    root->addSubview(m_toast);
    m_idCardPositionRect->setHidden(true);

    Layout::ConstraintMaker::make(m_publisherView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    auto topGuide = topLayoutGuide();
    Layout::ConstraintMaker::make(m_subscriberView, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(root).offset(-kMargin);
        make.top().equalTo(topGuide->bottomAnchor()).offset(kMargin);
        make.width().equalTo(kAgentBoxWidth);
        make.height().equalTo(kAgentBoxHeight);
    });
    Layout::ConstraintMaker::make(m_cancelButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root).offset(kMargin);
        make.top().equalTo(topGuide->bottomAnchor()).offset(kMargin);
    });
    Layout::ConstraintMaker::make(m_toast, [&](Layout::ConstraintMaker& make) {
        make.center().equalTo(root);
        make.left().greaterThanOrEqualTo(root).offset(20);
        make.top().greaterThanOrEqualTo(root).offset(50);
    });
    if (!m_isPhone4S) {
        // Centred across, and raised by a tenth of its centred offset down, so the card sits
        // where the agent's view of the camera is sharpest.
        root->layoutIfNeeded();
        CGSize bounds = root->bounds().size;
        CGSize frame = m_idCardPositionRect->frame().size;
        const double x = static_cast<long>(bounds.width * 0.5) - static_cast<long>(frame.width * 0.5);
        const double y = static_cast<long>((static_cast<long>(bounds.height * 0.5) - static_cast<long>(frame.height * 0.5)) * 0.9);
        Layout::ConstraintMaker::make(m_idCardPositionRect, [&](Layout::ConstraintMaker& make) {
            make.left().equalTo(root).offset(x);
            make.top().equalTo(root).offset(y);
            make.width().equalTo(frame.width);
            make.height().equalTo(frame.height);
        });
    }

    reset();
}

void KVNIdentificationViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    KVNExtensions::resetStatusBarStyleAnimated(self(), true);
    UIApplication::sharedApplication()->setIdleTimerDisabled(true);
    if (auto navigation = navigationController(); navigation && !navigation->isNavigationBarHidden())
        navigation->setNavigationBarHidden_animated(true, true);
    m_foregroundStateHelper->setDelegate(std::weak_ptr<KVNForegroundStateDelegate>(self()));
    m_foregroundStateHelper->registerForNotifications();
}

void KVNIdentificationViewController::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    UIApplication::sharedApplication()->setIdleTimerDisabled(false);
    m_foregroundStateHelper->unregisterFromNotifications();
}

std::shared_ptr<UIViewController> KVNIdentificationViewController::childViewControllerForStatusBarHidden() const
{
    return m_eSignatureViewController;
}

void KVNIdentificationViewController::reset()
{
    KVN_ASSERT_MAIN_THREAD();
    loadViewIfNeeded();
    IdentTimerStart(&m_waitingListTimer);
    IdentTimerStart(&m_identDurationTimer);
    dismissChat();
    setIdentificationLayout(KVNIdentificationLayoutNone);

    if (m_identificationHandler)
        m_identificationHandler->setDelegate({});
    m_identificationHandler = makeIdentificationHandler();
    m_identificationHandler->initWithDelegate(std::weak_ptr<KVNIdentificationHandlerDelegate>(self()));
    m_chatButton->setMessageProvider(m_identificationHandler->messageProvider());
    m_chatButton->setHidden(true);

    m_publisherView->activityIndicator()->startAnimating();
    setIdentificationLayout(KVNIdentificationLayoutInfo);
    if (m_infoViewController)
        m_infoViewController->updateForIdentificationStatus(KVNIdentificationStatusConnecting);
    m_subscriberView->setHidden(true);

    auto weak = weakSelf();
    m_identificationHandler->startIdentification([weak] {
        if (auto screen = weak.lock())
            screen->sendForegroundStateToBackend(screen->m_foregroundStateHelper->isInForeground());
    });
    m_waitingQueuePoll->reset();
}

void KVNIdentificationViewController::addChildPanel(const std::shared_ptr<UIViewController>& child)
{
    addChildViewController(child);
    view()->insertSubview_aboveSubview(child->view(), m_subscriberView);
    child->didMoveToParentViewController(self());
}

void KVNIdentificationViewController::removeChildPanels()
{
    auto me = self();
    KVNExtensions::removeViewController(me, m_infoViewController);
    KVNExtensions::removeViewController(me, m_codeViewController);
    KVNExtensions::removeViewController(me, m_eSignatureViewController);
    KVNExtensions::removeViewController(me, m_nativeEsignViewController);
    KVNExtensions::removeViewController(me, m_waitingListController);
    m_infoViewController.reset();
    m_codeViewController.reset();
    m_eSignatureViewController.reset();
    m_nativeEsignViewController.reset();
    m_waitingListController.reset();
}

void KVNIdentificationViewController::setIdentificationLayout(long layout)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_signatureMaskImageView) {
        m_signatureMaskImageView->removeFromSuperview();
        m_signatureMaskImageView.reset();
    }
    if (layout == m_identificationLayout)
        return;
    auto root = view();

    if (layout == KVNIdentificationLayoutWaitingList) {
        placeWaitingList();
    } else {
        m_identificationLayout = layout;
        removeChildPanels();
        switch (layout) {
        case KVNIdentificationLayoutInfo: {
            m_infoViewController = std::make_shared<KVNInfoViewController>();
            m_infoViewController->init();
            addChildPanel(m_infoViewController);
            Layout::ConstraintMaker::make(m_infoViewController->view(),
                                          [&](Layout::ConstraintMaker& make) { make.bottom().left().right().equalTo(root); });
            adjustPoweredByPosition();
            break;
        }
        case KVNIdentificationLayoutIdentCode: {
            m_codeViewController = std::make_shared<KVNIdentCodeViewController>();
            m_codeViewController->init();
            m_codeViewController->setDelegate(self());
            addChildPanel(m_codeViewController);
            Layout::ConstraintMaker::make(m_codeViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
            break;
        }
        case KVNIdentificationLayoutESigning: {
            auto session = videoSession();
            auto protocol = session ? session->consentProtocolVersion() : std::nullopt;
            if (protocol == std::optional<std::string>("docusign")) {
                m_eSignatureViewController = std::make_shared<KVNESignatureViewController>();
                m_eSignatureViewController->init();
                m_eSignatureViewController->setDelegate(self());
                addChildViewController(m_eSignatureViewController);
                setNeedsStatusBarAppearanceUpdate();
                root->insertSubview_belowSubview(m_eSignatureViewController->view(), m_subscriberView);
                m_eSignatureViewController->didMoveToParentViewController(self());
                Layout::ConstraintMaker::make(m_eSignatureViewController->view(),
                                              [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
            } else if (protocol == std::optional<std::string>("native")) {
                auto weak = weakSelf();
                KVNRequestManager::sharedManager()->requestApprovalPhrases([weak](const std::shared_ptr<NSError>& error) {
                    auto screen = weak.lock();
                    // The agent may have moved on while the phrases were loading.
                    if (!error && screen && screen->m_identificationLayout == KVNIdentificationLayoutESigning)
                        screen->showNativeEsigningUserInterface();
                });
            }
            break;
        }
        default:
            break;
        }
    }
    adjustChatButtonPosition();
    adjustPoweredByPosition();
}

void KVNIdentificationViewController::placeWaitingList()
{
    auto root = view();
    removeWaitingList();
    m_waitingListController = std::make_shared<KVNWaitingListViewController>();
    m_waitingListController->init();
    m_waitingListController->setDelegate(self());
    addChildViewController(m_waitingListController);
    auto panel = m_waitingListController->view();
    root->insertSubview_aboveSubview(panel, m_subscriberView);
    m_waitingListController->didMoveToParentViewController(self());
    if (KVNIdentification::sharedIdentification()->forceWaitingList() || !m_infoViewController) {
        // The info panel goes as a child but its reference stays: the poll keeps feeding it.
        KVNExtensions::removeViewController(self(), m_infoViewController);
        Layout::ConstraintMaker::make(panel, [&](Layout::ConstraintMaker& make) { make.bottom().left().right().equalTo(root); });
        m_waitingListController->presentStage(KVNWaitingListStageRequestNotification);
    } else {
        auto info = m_infoViewController->view();
        Layout::ConstraintMaker::make(panel, [&](Layout::ConstraintMaker& make) {
            make.bottom().equalTo(info->topAnchor()).offset(-1);
            make.left().right().equalTo(root);
        });
        m_waitingListController->presentStage(KVNWaitingListStageOffer);
    }
    adjustPoweredByPosition();
}

void KVNIdentificationViewController::removeWaitingList()
{
    if (!m_waitingListController)
        return;
    KVNExtensions::removeViewController(self(), m_waitingListController);
    m_waitingListController.reset();
}

void KVNIdentificationViewController::showNativeEsigningUserInterface()
{
    m_nativeEsignViewController = std::make_shared<KVNESignNativeConsentProtocolUI>();
    m_nativeEsignViewController->init();
    m_nativeEsignViewController->setDelegate(self());
    addChildViewController(m_nativeEsignViewController);
    m_nativeEsignViewController->didMoveToParentViewController(self());
    m_subscriberView->setHidden(true);
    // The consent covers everything; a chat merely hidden under it would still count as open,
    // so the chat button would do nothing afterwards and the agent's messages would be neither
    // shown nor counted. Closed, they count as unread and the button opens the chat again.
    removeChat();
    auto root = view();
    root->addSubview(m_nativeEsignViewController->view());
    Layout::ConstraintMaker::make(m_nativeEsignViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
}

void KVNIdentificationViewController::adjustPoweredByPosition()
{
    if (m_poweredByView) {
        m_poweredByView->removeFromSuperview();
        m_poweredByView.reset();
    }
    auto settings = currentSettings();
    if (!settings || !settings->showPoweredBy())
        return;
    auto root = view();
    m_poweredByView = std::make_shared<KVNPoweredByView>();
    m_poweredByView->init();
    root->insertSubview_aboveSubview(m_poweredByView, m_subscriberView);
    std::shared_ptr<UIView> above;
    if (m_waitingListController)
        above = m_waitingListController->view();
    else if (m_infoViewController && m_infoViewController->parentViewController())
        above = m_infoViewController->view();
    else if (m_codeViewController)
        above = m_codeViewController->view();
    Layout::ConstraintMaker::make(m_poweredByView, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root);
        if (above)
            make.bottom().equalTo(above->topAnchor());
        else
            make.bottom().equalTo(root);
    });
}

void KVNIdentificationViewController::adjustChatButtonPosition()
{
    if (!m_chatButton->superview() || !allowTextChat())
        return;
    auto root = view();
    m_chatButton->setAlpha(1);
    m_chatButton->removeFromSuperview();
    root->insertSubview_belowSubview(m_chatButton, m_toast);
    switch (m_identificationLayout) {
    case KVNIdentificationLayoutInfo:
        if (!m_infoViewController)
            break;
        Layout::ConstraintMaker::make(m_chatButton, [&](Layout::ConstraintMaker& make) {
            make.right().equalTo(root).offset(-kMargin);
            make.bottom().equalTo(m_infoViewController->view()->topAnchor()).offset(-10);
        });
        break;
    case KVNIdentificationLayoutIdentCode:
        Layout::ConstraintMaker::make(m_chatButton, [&](Layout::ConstraintMaker& make) {
            make.top().equalTo(m_cancelButton->topAnchor());
            make.right().equalTo(root).offset(-kMargin);
        });
        break;
    case KVNIdentificationLayoutESigning:
        Layout::ConstraintMaker::make(m_chatButton, [&](Layout::ConstraintMaker& make) {
            make.top().equalTo(m_cancelButton->topAnchor());
            make.right().equalTo(m_subscriberView->leftAnchor()).offset(-kMargin);
        });
        break;
    default:
        break;
    }
}

void KVNIdentificationViewController::addCaptureFrame()
{
    auto root = view();
    m_signatureMaskImageView = std::make_shared<UIImageView>();
    m_signatureMaskImageView->init();
    m_signatureMaskImageView->setTintColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    m_signatureMaskImageView->setContentMode(UIViewContentModeScaleAspectFit);
    if (auto image = KVNImageProvider::imageNamed("kvn-signature-capture-frame"))
        m_signatureMaskImageView->setImage(image->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate));
    m_signatureMaskImageView->setContentHuggingPriority_forAxis(1, UILayoutConstraintAxis::Vertical);
    root->addSubview(m_signatureMaskImageView);
    Layout::ConstraintMaker::make(m_signatureMaskImageView, [&](Layout::ConstraintMaker& make) {
        make.leading().equalTo(root).offset(kMargin);
        make.trailing().equalTo(root).offset(-kMargin);
        make.top().equalTo(m_subscriberView->bottomAnchor()).offset(32);
        if (m_infoViewController)
            make.bottom().equalTo(m_infoViewController->view()->topAnchor()).offset(-32);
    });
}

void KVNIdentificationViewController::presentChat()
{
    KVN_ASSERT_MAIN_THREAD();
    m_toast->dismiss();
    if (m_chatViewController || !m_identificationHandler)
        return;
    auto root = view();
    m_chatViewController = std::make_shared<KVNChatViewController>();
    m_chatViewController->initWithMessageProvider(m_identificationHandler->messageProvider());
    addChildViewController(m_chatViewController);
    m_chatViewController->didMoveToParentViewController(self());
    auto chatView = m_chatViewController->view();
    root->addSubview(chatView);
    const double below = root->bounds().size.height;
    Layout::ConstraintMaker::make(chatView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(root);
        make.height().equalTo(root);
        m_chatVCTopConstraint = make.top().equalTo(root).offset(below).kept();
    });
    m_chatViewController->closeButton()->addTarget_action_forControlEvents(
        self(), kvn::bindToMainQueue(weakSelf(), [](KVNIdentificationViewController& screen, const std::shared_ptr<UIControl>&) { screen.dismissChat(); }),
        UIControlEventTouchUpInside);

    root->layoutIfNeeded();
    m_chatVCTopConstraint->setOffset(0);
    UIView::animateWithDuration_delay_options_animations_completion(
        kChatAnimationDuration, 0, UIViewAnimationOptionCurveEaseIn, [root] { root->layoutIfNeeded(); }, nullptr);
    if (m_codeViewController)
        m_codeViewController->resignFirstResponder();
}

void KVNIdentificationViewController::dismissChat()
{
    if (!m_chatViewController || !m_chatVCTopConstraint)
        return;
    auto root = view();
    m_chatVCTopConstraint->setOffset(root->bounds().size.height);
    auto chat = m_chatViewController;
    auto weak = weakSelf();
    UIView::animateWithDuration_delay_options_animations_completion(
        kChatAnimationDuration, 0, UIViewAnimationOptionCurveEaseOut, [root] { root->layoutIfNeeded(); },
        [weak, chat](bool) {
            auto screen = weak.lock();
            if (!screen)
                return;
            // A chat opened again during the slide out is a new one: leave it alone.
            if (screen->m_chatViewController == chat)
                screen->removeChat();
            else
                removeChatPanel(chat);
        });
}

void KVNIdentificationViewController::removeChat()
{
    if (!m_chatViewController)
        return;
    auto chat = std::move(m_chatViewController);
    m_chatViewController.reset();
    m_chatVCTopConstraint.reset();
    removeChatPanel(chat);
}

void KVNIdentificationViewController::removeChatPanel(const std::shared_ptr<KVNChatViewController>& chat)
{
    if (chat->parentViewController()) {
        chat->willMoveToParentViewController(nullptr);
        chat->removeFromParentViewController();
    }
    chat->view()->removeFromSuperview();
}

void KVNIdentificationViewController::chatButtonTapped(const std::shared_ptr<UIControl>&) { presentChat(); }

void KVNIdentificationViewController::showToastForMessage(const std::shared_ptr<KVNMessage>& message)
{
    if (m_chatViewController || !message)
        return;
    m_toast->showText(message->text());
}

void KVNIdentificationViewController::sendForegroundStateToBackend(bool foreground)
{
    KVNRequestManager::sharedManager()->POSTchangeStateToForeground_callback(foreground, [foreground](bool success) {
        NSLog("POST foreground state -> %@: %@", std::string(foreground ? "foreground" : "background"),
              std::string(success ? "successful" : "failed"));
    });
}

void KVNIdentificationViewController::tokenReceivedViaURLScheme() { finishSession(m_identificationHandler); }

void KVNIdentificationViewController::finishSession(const std::shared_ptr<KVNIdentificationHandler>& handler)
{
    if (handler)
        handler->finishIdentification();
    // Nothing is left to wait for once the session is over, least of all under a result screen.
    m_waitingQueuePoll->stop();
}

// MARK: - The session driver's reports

void KVNIdentificationViewController::identificationHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                                                      const std::shared_ptr<UIView>& videoView)
{
    KVNLog("WebRTC: Initialized local video control");
    m_publisherView->setHidden(false);
    m_publisherView->activityIndicator()->stopAnimating();
    if (videoView) {
        // Each start of the call brings a new preview: it replaces the one before.
        constexpr long kLocalVideoTag = 0x4b564e4c; // "KVNL"
        while (auto previous = m_publisherView->viewWithTag(kLocalVideoTag))
            previous->removeFromSuperview();
        videoView->setTag(kLocalVideoTag);
        m_publisherView->addSubview(videoView);
        Layout::ConstraintMaker::make(videoView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(m_publisherView); });
    }
    if (sessionStatus() == KVNIdentificationStatusConnecting) {
        m_subscriberView->setHidden(false);
        m_subscriberView->activityIndicator()->startAnimating();
        if (handler)
            handler->requestVideoChat();
    }
}

void KVNIdentificationViewController::identificationHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNIdentificationHandler>&,
                                                                                       const std::shared_ptr<UIView>& videoView)
{
    KVNLogLocated(__FILE__, __LINE__, "WebRTC: Initialized remote video control");
    dismissReconnectAlert();
    m_subscriberView->setHidden(false);
    m_subscriberView->activityIndicator()->stopAnimating();
    if (videoView) {
        videoView->setFrame(CGRectMake(0, 0, kAgentBoxWidth, kAgentBoxHeight));
        // Each re-link brings the new link's view: it replaces the old link's.
        constexpr long kRemoteVideoTag = 0x4b564e52; // "KVNR"
        while (auto previous = m_subscriberView->viewWithTag(kRemoteVideoTag))
            previous->removeFromSuperview();
        videoView->setTag(kRemoteVideoTag);
        m_subscriberView->addSubview(videoView);
        Layout::ConstraintMaker::make(videoView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(m_subscriberView); });
    }
    if (m_waitingListController) {
        NSLog("remove waiting list controller");
        removeWaitingList();
        view()->setNeedsDisplay();
    }
    m_chatButton->setHidden(!allowTextChat());
    adjustPoweredByPosition();
}

void KVNIdentificationViewController::identificationHandler_didChangeIdentificationStatus(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                                                         long status)
{
    dismissReconnectAlert();
    m_idCardPositionRect->setHidden(true);
    auto info = [&] {
        if (m_infoViewController)
            m_infoViewController->updateForIdentificationStatus(status);
    };
    auto camera = [&](long position) {
        if (handler)
            handler->setLocalCameraPosition(position);
    };
    switch (status) {
    case KVNIdentificationStatusFace:
    case KVNIdentificationStatusIDNumber:
        setIdentificationLayout(KVNIdentificationLayoutInfo);
        info();
        camera(kCameraFront);
        break;
    case KVNIdentificationStatusFrontside:
    case KVNIdentificationStatusWiggle:
    case KVNIdentificationStatusBackside:
        setIdentificationLayout(KVNIdentificationLayoutInfo);
        info();
        camera(kCameraBack);
        if (!m_isPhone4S)
            m_idCardPositionRect->setHidden(false);
        break;
    case KVNIdentificationStatusESignature:
        setIdentificationLayout(KVNIdentificationLayoutESigning);
        break;
    case KVNIdentificationStatusUserStep: {
        setIdentificationLayout(KVNIdentificationLayoutInfo);
        info();
        auto session = videoSession();
        camera(session ? static_cast<long>(session->signatureCameraPosition()) : 0);
        addCaptureFrame();
        break;
    }
    case KVNIdentificationStatusRequestCode:
        setIdentificationLayout(KVNIdentificationLayoutIdentCode);
        if (m_codeViewController)
            m_codeViewController->setIdentCodeLayout(0);
        camera(kCameraFront);
        break;
    case KVNIdentificationStatusSendCode:
        if (m_codeViewController)
            m_codeViewController->requestingCodeWasSuccessfull();
        camera(kCameraFront);
        break;
    case KVNIdentificationStatusAgentBusy:
        if (m_codeViewController)
            m_codeViewController->sendingCodeWasSuccessfull();
        setIdentificationLayout(KVNIdentificationLayoutInfo);
        info();
        camera(kCameraFront);
        break;
    case KVNIdentificationStatusGoodBye:
        setIdentificationLayout(KVNIdentificationLayoutInfo);
        info();
        camera(kCameraFront);
        break;
    case KVNIdentificationStatusFinished:
        showResultScreenWithSuccess_canceledByUser(true, false);
        finishSession(handler);
        break;
    case KVNIdentificationStatusFailed:
        showResultScreenWithSuccess_canceledByUser(false, false);
        finishSession(handler);
        break;
    default:
        camera(kCameraFront);
        break;
    }
    KVNExtensions::setTorchEnabled(status == KVNIdentificationStatusWiggle);
    KVNExtensions::resetAutofocus();
}

void KVNIdentificationViewController::identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>&, bool abort)
{
    if (!abort)
        return;
    m_waitingQueuePoll->stop();
    kvn::WaitingListEnrolment::showNotificationResultScreen(navigationController());
}

void KVNIdentificationViewController::identificationHandlerDidUploadSignature(const std::shared_ptr<KVNIdentificationHandler>&)
{
    if (m_eSignatureViewController)
        m_eSignatureViewController->didUploadSignatureWithError(nullptr);
}

void KVNIdentificationViewController::identificationHandler_didReceiveRemoteMessage(const std::shared_ptr<KVNIdentificationHandler>&,
                                                                                   const std::shared_ptr<KVNMessage>& message)
{
    showToastForMessage(message);
}

// MARK: - The children's requests

void KVNIdentificationViewController::identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>&,
                                                                                         bool viaEmail)
{
    if (m_identificationHandler)
        m_identificationHandler->requestIdentCodeViaEmail(viaEmail);
}

void KVNIdentificationViewController::identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>&,
                                                                              const std::string& code)
{
    if (m_identificationHandler)
        m_identificationHandler->sendIdentCode(code);
}

void KVNIdentificationViewController::eSignatureViewController_requestsSignatureUpload(const std::shared_ptr<KVNESignatureViewController>&,
                                                                                       const std::shared_ptr<UIImage>& signature)
{
    if (m_identificationHandler)
        m_identificationHandler->sendSignature(signature);
}

std::shared_ptr<UIButton> KVNIdentificationViewController::cancelButton() { return m_cancelButton; }
std::shared_ptr<UIButton> KVNIdentificationViewController::chatButton() { return m_chatButton; }
std::shared_ptr<UIView> KVNIdentificationViewController::subscriberView() { return m_subscriberView; }

void KVNIdentificationViewController::waitingListPushNotificationRequested() { m_waitingListEnrolment->waitingListPushNotificationRequested(); }

void KVNIdentificationViewController::willEnterForeground() { sendForegroundStateToBackend(true); }
void KVNIdentificationViewController::didEnterBackground() { sendForegroundStateToBackend(false); }

// MARK: - Endings

void KVNIdentificationViewController::presentWhenFree(std::function<void()> present, int attemptsLeft)
{
    auto presented = presentedViewController();
    if (!presented || attemptsLeft <= 0) {
        present();
        return;
    }
    if (!presented->isBeingDismissed())
        presented->dismissViewControllerAnimated_completion(true, nullptr);
    auto weak = weakSelf();
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(UIViewControllerTransitionDuration / 2 * NSEC_PER_SEC)),
                   dispatch_get_main_queue(), [weak, present = std::move(present), attemptsLeft] {
                       if (auto screen = weak.lock())
                           screen->presentWhenFree(present, attemptsLeft - 1);
                   });
}

void KVNIdentificationViewController::showErrorAlert(const std::shared_ptr<NSError>& error, std::optional<std::string> secondButtonTitle,
                                                     std::function<void()> okBlock, std::function<void()> secondBlock)
{
    auto weak = weakSelf();
    presentWhenFree([weak, error, second = std::move(secondButtonTitle), okBlock = std::move(okBlock), secondBlock = std::move(secondBlock)] {
        auto screen = weak.lock();
        if (!screen)
            return;
        KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
            *error, screen, L("OK"), okBlock, second, secondBlock);
    });
}

void KVNIdentificationViewController::identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                                            const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!error)
        return;
    const long code = error->code();
    if (code != KavoniErrorCode::MediaLinkLost)
        dismissReconnectAlert();
    KVNLogLocated(__FILE__, __LINE__, "Video identification failed: %@", error);
    auto weak = weakSelf();

    if (KavoniErrorPrivate::isKavoniServerError(*error)) {
        finishSession(m_identificationHandler);
        m_subscriberView->setHidden(true);
        // The ending holds the screen until the user has read the alert.
        auto me = self();
        presentWhenFree([me, error] {
            KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(*error, me, [me, error] {
                auto publicError = KavoniErrorPrivate::kavoniErrorWithCode_fromInternalError(KavoniErrorCode::ServiceError, error);
                if (currentSettings() && currentSettings()->forceErrorSuccessScreen()) {
                    me->routeResult(Outcome::Failure, publicError);
                    return;
                }
                KVNIdentification::sharedIdentification()->openURLForIdentificationSuccess(false);
                me->closeAndReport(Outcome::Failure, publicError);
            });
        });
        return;
    }

    switch (code) {
    case KavoniErrorCode::UnsupportedVideoserver:
        finishSession(handler);
        KVNRequestManager::sharedManager()->POSTIdentificationFailed();
        m_subscriberView->setHidden(true);
        showErrorAlert(
            error, std::nullopt,
            [weak, error] {
                auto screen = weak.lock();
                if (!screen)
                    return;
                KVNIdentification::sharedIdentification()->openURLForIdentificationSuccess(false);
                if (auto navigation = screen->navigationController())
                    navigation->dismissViewControllerAnimated_completion(true, nullptr);
                // The service was told the identification failed; the host hears the same.
                if (auto controller = KavoniController::currentKavoniController())
                    controller->identificationFailedWithError(error);
            },
            nullptr);
        return;
    case KavoniErrorCode::LocalMediaStartFailed:
    case KavoniErrorCode::CallSetupFailed:
    case KavoniErrorCode::ConferenceException:
    case KavoniErrorCode::StartVideoIdentificationFailed:
    case KavoniErrorCode::RequestVideoChatFailed:
    case KavoniErrorCode::SetupCompleteFailed:
    case KavoniErrorCode::SDPOfferExchangeFailed: {
        finishSession(handler);
        KVNRequestManager::sharedManager()->POSTIdentificationFailed();
        m_subscriberView->setHidden(true);
        const bool retry = KavoniErrorPrivate::kavoniStatusCode(*error) != 412;
        showErrorAlert(
            error, retry ? std::optional<std::string>(L("RETRY")) : std::nullopt,
            [weak, error] {
                if (auto screen = weak.lock())
                    screen->onIdentificationFailedWithInternalError(error);
            },
            retry ? std::function<void()>([weak] {
                if (auto screen = weak.lock())
                    screen->reset();
            })
                  : nullptr);
        return;
    }
    case KavoniErrorCode::ResendIdentCodeFailed:
        showErrorAlert(error, std::nullopt, nullptr, nullptr);
        if (m_codeViewController)
            m_codeViewController->requestingCodeFailed();
        return;
    case KavoniErrorCode::SendIdentCodeFailed:
        showErrorAlert(error, std::nullopt, nullptr, nullptr);
        if (m_codeViewController)
            m_codeViewController->sendingCodeFailed();
        return;
    case KavoniErrorCode::SignatureUploadFailed:
        showErrorAlert(error, std::nullopt, nullptr, nullptr);
        if (m_eSignatureViewController)
            m_eSignatureViewController->didUploadSignatureWithError(error);
        return;
    case KavoniErrorCode::MediaLinkLost:
        if (m_reconnectAlert)
            return;
        m_subscriberView->activityIndicator()->startAnimating();
        m_reconnectAlert = KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
            *error, self(), L("OK"), nullptr, std::nullopt, nullptr);
        // Refused because another alert is up (the cancel question, say): the user never saw
        // it, so it must not stand in for the alert of the next loss.
        if (m_reconnectAlert && !m_reconnectAlert->presentingViewController())
            m_reconnectAlert.reset();
        return;
    default:
        return;
    }
}

void KVNIdentificationViewController::dismissReconnectAlert()
{
    if (!m_reconnectAlert)
        return;
    auto alert = std::move(m_reconnectAlert);
    m_reconnectAlert.reset();
    if (alert->presentingViewController() && !alert->isBeingDismissed())
        alert->dismissViewControllerAnimated_completion(true, nullptr);
}

void KVNIdentificationViewController::cancelButtonPressed(const std::shared_ptr<UIControl>&)
{
    if (sessionStatus() == KVNIdentificationStatusGoodBye) {
        showResultScreenWithSuccess_canceledByUser(true, false);
        finishSession(m_identificationHandler);
        return;
    }
    presentCancelIdentificationAlert();
}

void KVNIdentificationViewController::presentCancelIdentificationAlert()
{
    auto weak = weakSelf();
    KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        self(), L("VIDEO_IDENT_CANCEL_ALERT_TITLE"), L("VIDEO_IDENT_CANCEL_ALERT_MESSAGE"), L("NO"), nullptr, L("YES"), [weak] {
            auto screen = weak.lock();
            if (!screen)
                return;
            screen->dismissReconnectAlert();
            screen->finishSession(screen->m_identificationHandler);
            KVNRequestManager::sharedManager()->POSTIdentificationCanceled();
            auto settings = currentSettings();
            if (settings && settings->forceErrorSuccessScreen()) {
                screen->routeResult(Outcome::Canceled, nullptr);
                return;
            }
            KVNIdentification::sharedIdentification()->openURLForIdentificationSuccess(false);
            if (auto navigation = screen->navigationController())
                navigation->dismissViewControllerAnimated_completion(true, nullptr);
            // With the data check in front the user goes back to it and may start again.
            if (settings && settings->showVideoOverviewCheck())
                return;
            if (auto controller = KavoniController::currentKavoniController())
                controller->identificationCanceledByUser();
        });
}

void KVNIdentificationViewController::onIdentificationFailedWithInternalError(const std::shared_ptr<NSError>& internalError)
{
    long publicCode = KavoniErrorCode::CallFailed;
    switch (internalError ? internalError->code() : 0) {
    case KavoniErrorCode::StartVideoIdentificationFailed:
    case KavoniErrorCode::RequestVideoChatFailed:
    case KavoniErrorCode::SetupCompleteFailed:
    case KavoniErrorCode::SDPOfferExchangeFailed:
        publicCode = KavoniErrorCode::ServiceError;
        break;
    default:
        break;
    }
    auto publicError = KavoniErrorPrivate::kavoniErrorWithCode_fromInternalError(publicCode, internalError);
    auto settings = currentSettings();
    if (settings && settings->forceErrorSuccessScreen()) {
        routeResult(Outcome::Failure, publicError);
        return;
    }
    KVNIdentification::sharedIdentification()->openURLForIdentificationSuccess(false);
    closeAndReport(Outcome::Failure, publicError);
}

void KVNIdentificationViewController::showResultScreenWithSuccess_canceledByUser(bool success, bool canceledByUser)
{
    routeResult(success ? Outcome::Success : canceledByUser ? Outcome::Canceled : Outcome::Failure, nullptr);
}

void KVNIdentificationViewController::routeResult(Outcome outcome, const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    auto ident = KVNIdentification::sharedIdentification();
    IdentTimerStop(&m_identDurationTimer);
    ident->setDurationInSeconds(m_identDurationTimer.m_seconds);
    m_waitingQueuePoll->stop();

    // The opened page shows the outcome; the host still hears the outcome itself, so that a
    // failure or a cancel never reaches it as a success.
    if (ident->openURLForIdentificationSuccess(outcome == Outcome::Success)) {
        closeAndReport(outcome, error);
        return;
    }
    auto settings = currentSettings();
    if (settings && settings->showErrorSuccessScreen()) {
        auto result = std::make_shared<KVNResultViewController>();
        result->init();
        result->setSuccess(outcome == Outcome::Success);
        result->setCanceledByUser(outcome == Outcome::Canceled);
        if (auto navigation = navigationController())
            navigation->pushViewController_animated(result, true);
        return;
    }
    closeAndReport(outcome, error);
}

void KVNIdentificationViewController::closeAndReport(Outcome outcome, const std::shared_ptr<NSError>& error)
{
    auto controller = KavoniController::currentKavoniController();
    if (!controller)
        return;
    controller->dismissIdentificationFromNavigationController(navigationController());
    switch (outcome) {
    case Outcome::Success:
        controller->identificationSuccessfull();
        break;
    case Outcome::Canceled:
        controller->identificationCanceledByUser();
        break;
    case Outcome::Failure:
        controller->identificationFailedWithError(error ? error
                                                        : KavoniErrorPrivate::kavoniErrorWithCode(KavoniErrorCode::IdentificationNotSuccessful));
        break;
    }
}
