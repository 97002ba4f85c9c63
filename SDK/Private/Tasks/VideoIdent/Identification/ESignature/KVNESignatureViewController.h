#pragma once
// The e-signing overlay of the video call: the contract viewer fills it, a floating button
// opens the viewer for reading (with the back footer), and the bottom holds either the
// handwritten signature panel or the remote signing page. The layout decides which; the
// first one follows the identification's handwritten flag. The call's cancel button, chat
// button and agent video are faded out while the user reads and back in afterwards, through
// the delegate. A drawn signature goes to the delegate for upload; the host answers with
// didUploadSignatureWithError, and a success moves on to the remote signing page. The
// overlay never ends itself: the call screen removes it when e-signing is over.
//     auto overlay = std::make_shared<KVNESignatureViewController>();
//     overlay->init();
//     overlay->setDelegate(callScreen);
// Main thread only.
#include <memory>

#include "Foundation/NSError.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureLayout.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewControllerDelegate.h"
#include "UIKit/UIViewController.h"

class KVNCheckContractFooter;
class KVNContractsViewController;
class KVNImageTextButton;
class KVNOpenTrustViewController;
class KVNRoundedView;
class KVNSignatureViewController;
class NSNotification;
class NSNotificationObserver;
class UIControl;
namespace Layout {
class MadeConstraint;
}

class KVNESignatureViewController : public UIViewController {
public:
    ~KVNESignatureViewController() override;

    void viewDidLoad() override;

    std::shared_ptr<KVNESignatureViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNESignatureViewControllerDelegate>& delegate) { m_delegate = delegate; }

    KVNESignatureLayout layout() const { return m_layout; }
    KVNESignatureLayout previousLayout() const { return m_previousLayout; }
    void setLayout(KVNESignatureLayout layout);

    // The host's answer to a signature upload: nullptr when it succeeded.
    void didUploadSignatureWithError(const std::shared_ptr<NSError>& error);

    // The contract viewer decides whether the status bar shows (it always hides it).
    std::shared_ptr<UIViewController> childViewControllerForStatusBarHidden() const override;

    void checkContractButtonTapped(const std::shared_ptr<UIControl>& sender);
    void backButtonTapped(const std::shared_ptr<UIControl>& sender);
    void signContractButtonTapped(const std::shared_ptr<UIControl>& sender);
    void declineContractButtonTapped(const std::shared_ptr<UIControl>& sender);
    void keyboardWillShow(const NSNotification& notification);
    void keyboardWillHide(const NSNotification& notification);
    void setCheckContractFooterHidden(bool hidden);

    const std::shared_ptr<KVNContractsViewController>& contractViewController() const { return m_contractViewController; }
    const std::shared_ptr<KVNRoundedView>& checkContractButtonView() const { return m_checkContractButtonView; }
    const std::shared_ptr<KVNImageTextButton>& checkContractButton() const { return m_checkContractButton; }
    const std::shared_ptr<KVNCheckContractFooter>& checkContractFooter() const { return m_checkContractFooter; }
    const std::shared_ptr<Layout::MadeConstraint>& checkContractTopConstraint() const { return m_checkContractTopConstraint; }
    const std::shared_ptr<Layout::MadeConstraint>& checkContractBottomConstraint() const { return m_checkContractBottomConstraint; }
    const std::shared_ptr<KVNSignatureViewController>& signatureViewController() const { return m_signatureViewController; }
    const std::shared_ptr<KVNOpenTrustViewController>& openTrustViewController() const { return m_openTrustViewController; }

    // The space under the signature panel and under the remote page: 30 points, 10 on
    // screens less than 568 points high. Fixed on first use, as the screen does not change.
    static double signatureBottomMargin();
    static double openTrustBottomMargin();
    // Forgets the margins so that a test can take them again for another screen size.
    static void resetMarginsForTesting();

private:
    void enterCheckContract(KVNESignatureLayout from, double duration, bool animated);
    void enterSignature(double duration, bool animated);
    void enterOpenTrust(double duration, bool animated);
    // Brings back the call's elements, the card and the given bottom panel.
    void showBottomPanel(const std::shared_ptr<UIView>& panel, double duration, bool animated);
    void makeSignaturePanel();
    void makeOpenTrustPage();
    std::shared_ptr<UIView> bottomPanelView(KVNESignatureLayout layout) const;
    // Where the panel's top would be: just under the agent's video box as it stands now.
    double panelTopOffset() const;
    void startObservingKeyboard();
    void stopObservingKeyboard();

    std::weak_ptr<KVNESignatureViewControllerDelegate> m_delegate;
    KVNESignatureLayout m_layout = KVNESignatureLayoutNone;
    KVNESignatureLayout m_previousLayout = KVNESignatureLayoutNone;
    std::shared_ptr<KVNContractsViewController> m_contractViewController;
    std::shared_ptr<KVNRoundedView> m_checkContractButtonView;
    std::shared_ptr<KVNImageTextButton> m_checkContractButton;
    std::shared_ptr<KVNCheckContractFooter> m_checkContractFooter;
    std::shared_ptr<Layout::MadeConstraint> m_checkContractTopConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_checkContractBottomConstraint;
    std::shared_ptr<KVNSignatureViewController> m_signatureViewController;
    std::shared_ptr<KVNOpenTrustViewController> m_openTrustViewController;
    // The remote page's top and the card's bottom against it, which the keyboard moves.
    std::shared_ptr<Layout::MadeConstraint> m_openTrustTopConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_cardAbovePageConstraint;
    std::shared_ptr<NSNotificationObserver> m_keyboardWillShowObserver;
    std::shared_ptr<NSNotificationObserver> m_keyboardWillHideObserver;
};
