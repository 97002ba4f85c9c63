#pragma once
// The screen of the live video identification: the user's own camera full screen, the agent's
// video in a small box, and one child panel at a time chosen by the identification status (the
// info panel, the ident code screen, an e-signing screen), with the waiting list and the chat
// laid over them. It owns the session driver of the current attempt and is its delegate: it
// aims the camera and switches the torch by status, draws the identity-card and signature
// frames, toasts the agent's chat messages, reports foreground and background to the service,
// and ends the identification (errors, the user's cancel, the result routing) towards
// KavoniController.
//
// Main thread only. Make it with std::make_shared, then init(); KavoniController presents it as
// the root of a navigation controller of its own.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Private/Helper/IdentTimer.h"
#include "Private/Helper/KVNForegroundStateDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNnativeESignViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationLayout.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListControllerDelegate.h"
#include "UIKit/UIViewController.h"

class KVNChatButton;
class KVNChatViewController;
class KVNESignNativeConsentProtocolUI;
class KVNESignatureViewController;
class KVNForegroundStateHelper;
class KVNIdentCodeViewController;
class KVNIdentificationHandler;
class KVNInfoViewController;
class KVNMessage;
class KVNPositionRect;
class KVNPoweredByView;
class KVNPublisherView;
class KVNSubscriberView;
class KVNToast;
class KVNWaitingListViewController;
class UIAlertController;
class UIButton;
class UIControl;
class UIImageView;
namespace Layout {
class MadeConstraint;
}
namespace kvn {
class WaitingListEnrolment;
class WaitingQueuePoll;
} // namespace kvn

class KVNIdentificationViewController : public UIViewController,
                                        public KVNIdentificationHandlerDelegate,
                                        public KVNIdentCodeViewControllerDelegate,
                                        public KVNESignatureViewControllerDelegate,
                                        public KVNnativeESignViewControllerDelegate,
                                        public KVNWaitingListControllerDelegate,
                                        public KVNForegroundStateDelegate {
public:
    // Camera positions handed to the session driver.
    static constexpr long kCameraBack = 1;
    static constexpr long kCameraFront = 2;
    // The chat slides in and out over this long.
    static constexpr double kChatAnimationDuration = 0.25;

    KVNIdentificationViewController() = default;
    ~KVNIdentificationViewController() override;

    void init() override { setUp(); }
    void setUp();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool prefersStatusBarHidden() const override { return m_identificationLayout == KVNIdentificationLayoutESigning; }
    std::shared_ptr<UIViewController> childViewControllerForStatusBarHidden() const override;

    // A new attempt on this screen: a new session driver, both stopwatches restarted.
    virtual void reset();

    long identificationLayout() const { return m_identificationLayout; }
    void setIdentificationLayout(long layout);

    void showNativeEsigningUserInterface();
    void adjustPoweredByPosition();
    void adjustChatButtonPosition();
    void addCaptureFrame();
    void presentChat();
    void dismissChat();
    void chatButtonTapped(const std::shared_ptr<UIControl>& sender);
    void showToastForMessage(const std::shared_ptr<KVNMessage>& message);
    void sendForegroundStateToBackend(bool foreground);
    void tokenReceivedViaURLScheme();

    // Endings.
    void dismissReconnectAlert();
    void cancelButtonPressed(const std::shared_ptr<UIControl>& sender);
    void presentCancelIdentificationAlert();
    void onIdentificationFailedWithInternalError(const std::shared_ptr<NSError>& internalError);
    void showResultScreenWithSuccess_canceledByUser(bool success, bool canceledByUser);

    // KVNIdentificationHandlerDelegate
    void identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                const std::shared_ptr<NSError>& error) override;
    void identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>& handler, bool abort) override;
    void identificationHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                          const std::shared_ptr<UIView>& view) override;
    void identificationHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                           const std::shared_ptr<UIView>& view) override;
    void identificationHandler_didChangeIdentificationStatus(const std::shared_ptr<KVNIdentificationHandler>& handler, long status) override;
    void identificationHandlerDidUploadSignature(const std::shared_ptr<KVNIdentificationHandler>& handler) override;
    void identificationHandler_didReceiveRemoteMessage(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                       const std::shared_ptr<KVNMessage>& message) override;

    // The child screens' delegates. cancelButton, chatButton and subscriberView answer the
    // views of the same names.
    void identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                            bool viaEmail) override;
    void identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                 const std::string& code) override;
    void eSignatureViewController_requestsSignatureUpload(const std::shared_ptr<KVNESignatureViewController>& controller,
                                                          const std::shared_ptr<UIImage>& signature) override;
    std::shared_ptr<UIButton> cancelButton() override;
    std::shared_ptr<UIButton> chatButton() override;
    std::shared_ptr<UIView> subscriberView() override;
    void waitingListPushNotificationRequested() override;
    void willEnterForeground() override;
    void didEnterBackground() override;

    // The views and children as they stand.
    const std::shared_ptr<KVNPublisherView>& publisherView() const { return m_publisherView; }
    const std::shared_ptr<KVNSubscriberView>& agentBox() const { return m_subscriberView; }
    const std::shared_ptr<KVNChatButton>& chatButtonView() const { return m_chatButton; }
    const std::shared_ptr<KVNPoweredByView>& poweredByView() const { return m_poweredByView; }
    const std::shared_ptr<KVNToast>& toast() const { return m_toast; }
    const std::shared_ptr<KVNPositionRect>& idCardPositionRect() const { return m_idCardPositionRect; }
    const std::shared_ptr<UIImageView>& signatureMaskImageView() const { return m_signatureMaskImageView; }
    const std::shared_ptr<UIAlertController>& reconnectAlert() const { return m_reconnectAlert; }
    const std::shared_ptr<KVNIdentificationHandler>& identificationHandler() const { return m_identificationHandler; }
    const std::shared_ptr<KVNWaitingListViewController>& waitingListController() const { return m_waitingListController; }
    const std::shared_ptr<KVNInfoViewController>& infoViewController() const { return m_infoViewController; }
    const std::shared_ptr<KVNIdentCodeViewController>& codeViewController() const { return m_codeViewController; }
    const std::shared_ptr<KVNESignatureViewController>& eSignatureViewController() const { return m_eSignatureViewController; }
    const std::shared_ptr<KVNESignNativeConsentProtocolUI>& nativeEsignViewController() const { return m_nativeEsignViewController; }
    const std::shared_ptr<KVNChatViewController>& chatViewController() const { return m_chatViewController; }
    const std::shared_ptr<Layout::MadeConstraint>& chatVCTopConstraint() const { return m_chatVCTopConstraint; }

protected:
    // The session driver of a new attempt; tests put one with a stand-in call in its place.
    virtual std::shared_ptr<KVNIdentificationHandler> makeIdentificationHandler();

private:
    enum class Outcome { Success, Failure, Canceled };

    std::shared_ptr<KVNIdentificationViewController> self();
    std::weak_ptr<KVNIdentificationViewController> weakSelf();
    void addChildPanel(const std::shared_ptr<UIViewController>& child);
    void removeChildPanels();
    void placeWaitingList();
    void removeWaitingList();
    void finishSession(const std::shared_ptr<KVNIdentificationHandler>& handler);
    // Closes the open chat at once, without the slide: its messages count as unread again.
    void removeChat();
    static void removeChatPanel(const std::shared_ptr<KVNChatViewController>& chat);
    // Presents once nothing else is presented from the screen, waiting for a dismissal under
    // way to complete: a presentation during one is refused.
    void presentWhenFree(std::function<void()> present, int attemptsLeft = 20);
    void showErrorAlert(const std::shared_ptr<NSError>& error, std::optional<std::string> secondButtonTitle,
                        std::function<void()> okBlock, std::function<void()> secondBlock);
    void reportFatalError(const std::shared_ptr<NSError>& error);
    void routeResult(Outcome outcome, const std::shared_ptr<NSError>& error);
    void closeAndReport(Outcome outcome, const std::shared_ptr<NSError>& error);

    std::shared_ptr<UIImageView> m_signatureMaskImageView;
    std::shared_ptr<KVNPublisherView> m_publisherView;
    std::shared_ptr<KVNSubscriberView> m_subscriberView;
    std::shared_ptr<KVNPoweredByView> m_poweredByView;
    std::shared_ptr<UIButton> m_cancelButton;
    std::shared_ptr<KVNChatButton> m_chatButton;
    std::shared_ptr<KVNToast> m_toast;
    std::shared_ptr<KVNPositionRect> m_idCardPositionRect;
    std::shared_ptr<UIAlertController> m_reconnectAlert;
    std::shared_ptr<KVNIdentificationHandler> m_identificationHandler;
    std::shared_ptr<KVNWaitingListViewController> m_waitingListController;
    std::shared_ptr<KVNInfoViewController> m_infoViewController;
    std::shared_ptr<KVNIdentCodeViewController> m_codeViewController;
    std::shared_ptr<KVNESignatureViewController> m_eSignatureViewController;
    std::shared_ptr<KVNESignNativeConsentProtocolUI> m_nativeEsignViewController;
    std::shared_ptr<KVNChatViewController> m_chatViewController;
    std::shared_ptr<Layout::MadeConstraint> m_chatVCTopConstraint;
    long m_identificationLayout = KVNIdentificationLayoutNone;

    IdentTimer m_waitingListTimer;
    IdentTimer m_identDurationTimer;
    std::shared_ptr<KVNForegroundStateHelper> m_foregroundStateHelper;
    std::shared_ptr<kvn::WaitingQueuePoll> m_waitingQueuePoll;
    std::shared_ptr<kvn::WaitingListEnrolment> m_waitingListEnrolment;
    bool m_isPhone4S = false;
};
