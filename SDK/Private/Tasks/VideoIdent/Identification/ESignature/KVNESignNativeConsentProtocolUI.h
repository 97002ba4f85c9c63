#pragma once
// The e-signing consent the library runs itself, full screen over the video call: the
// contracts fill the screen, and a lower screen on the lower three quarters walks the user
// through confirming the approval phrases, asking for a confirmation code by SMS or e-mail
// and typing it; an accepted code tells the service that signing is done. A handle above the
// lower screen drags it between a quarter and three quarters of the height, and the dimmed
// part of the screen toggles it up and down, so the user can read more of the contract.
// Failed requests are shown to the user, who may try again.
//
// The screen keeps the lower screen, the handle and the dimming in one state: the lower
// screen's top. Its top constraint carries it; the handle sits right above it and the
// dimming covers whatever is not in front. Every step change brings the new lower screen up.
// The video screen removes the screen when the agent moves the identification on; nothing
// is reported to the delegate. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNConsentStep.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNnativeESignViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckScreenReceiver.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewControllerDelegate.h"
#include "Private/UIElements/KVNPageSliderControlDelegate.h"
#include "UIKit/UIViewController.h"
#include "models/KVNCheckCellContent.h"

class KVNApprovalPhrase;
class KVNCheckTableViewController;
class KVNContractsViewController;
class KVNIdentCodeViewController;
class KVNPageSlideControl;
class NSError;
class UIActivityIndicatorView;
class UIButton;
class UIView;
namespace Layout {
class MadeConstraint;
}

class KVNESignNativeConsentProtocolUI : public UIViewController,
                                        public KVNIdentCodeViewControllerDelegate,
                                        public KVNPageSliderControlDelegate,
                                        public kvn::CheckScreenReceiver {
public:
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    bool prefersStatusBarHidden() const override { return true; }

    std::shared_ptr<KVNnativeESignViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNnativeESignViewControllerDelegate>& delegate) { m_delegate = delegate; }

    const std::shared_ptr<KVNContractsViewController>& contractViewController() const { return m_contractViewController; }
    const std::shared_ptr<KVNCheckTableViewController>& checkScreen() const { return m_checkScreen; }
    const std::shared_ptr<KVNIdentCodeViewController>& requestCodeScreen() const { return m_requestCodeScreen; }
    const std::shared_ptr<KVNPageSlideControl>& pageSlider() const { return m_pageSlider; }
    // The screen's own close button. (cancelButton() is the ident code screen's question,
    // which this screen answers with null.)
    const std::shared_ptr<UIButton>& closeButton() const { return m_cancelButton; }
    const std::shared_ptr<UIView>& overlayScreen() const { return m_overlayScreen; }
    std::shared_ptr<UIView> currentScreen() const { return m_currentScreen.lock(); }
    bool isSlideOut() const { return m_isSlideOut; }
    KVNConsentStep currentStep() const { return m_currentStep; }
    const std::optional<std::string>& checkScreenHeaderText() const { return m_checkScreenHeaderText; }
    const std::vector<KVNCheckCellContent>& approvalPhrases() const { return m_approvalPhrases; }

    void showStep(KVNConsentStep step);

    // The check screen: every phrase is confirmed.
    void checkScreenDone() override;

    // The ident code screen.
    void identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                            bool viaEmail) override;
    void identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                 const std::string& code) override;
    // Null: the code screen has none of this screen's buttons to hide while the user types.
    std::shared_ptr<UIButton> cancelButton() override { return nullptr; }
    std::shared_ptr<UIButton> chatButton() override { return nullptr; }

    // The handle: an upward drag gives a positive distance.
    void onSliderMoved(CGFloat distance) override;
    void onSliderMoveEnded(CGFloat distance) override;

    // A tap on the dimmed area.
    void documentViewTabbed();
    // Toggles the lower screen up or down (not while the code keyboard is up).
    void sliderTabbed();
    void cancelButtonPressed();

private:
    std::shared_ptr<KVNESignNativeConsentProtocolUI> self();
    void buildApprovalPhrases(const std::vector<std::shared_ptr<KVNApprovalPhrase>>& phrases);
    std::optional<std::string> headerText() const;

    void removeLowerScreens();
    void showLowerScreen(const std::shared_ptr<UIView>& screen);
    // Puts the lower screen's top at `top` and the handle and the dimming with it.
    void placeScreens(double top);
    void moveScreens(double distance);

    void requestCode(bool viaEmail);
    void requestCodeDone();
    void requestCodeFailed(const std::shared_ptr<NSError>& error);
    void sendCode(const std::string& code);
    void sendCodeFailed(const std::shared_ptr<NSError>& error);
    void showSuccessScreen();
    void sendSigningDone();
    void showRequestCodeError(const std::shared_ptr<NSError>& error);
    void showSendCodeError(const std::shared_ptr<NSError>& error);
    void showSigningDoneError(const std::shared_ptr<NSError>& error);
    // The error's own alert, with "OK" only: the screen it lies over lets the user try again.
    void showErrorAlert(const std::shared_ptr<NSError>& error);

    double width() const;
    double height() const;

    std::weak_ptr<KVNnativeESignViewControllerDelegate> m_delegate;
    std::shared_ptr<KVNContractsViewController> m_contractViewController;
    std::shared_ptr<KVNCheckTableViewController> m_checkScreen;
    std::shared_ptr<KVNIdentCodeViewController> m_requestCodeScreen;
    std::shared_ptr<KVNPageSlideControl> m_pageSlider;
    std::shared_ptr<UIButton> m_cancelButton;
    std::shared_ptr<UIView> m_overlayScreen;
    std::weak_ptr<UIView> m_currentScreen;
    // The current screen's top; its offset is the screen's top in this screen's view.
    std::shared_ptr<Layout::MadeConstraint> m_currentScreenTop;
    double m_screenTop = 0;
    // The view's size the screens were last placed for.
    CGSize m_placedForSize = CGSizeMake(0, 0);
    bool m_isSlideOut = false;
    KVNConsentStep m_currentStep = KVNConsentStepCheck;
    std::optional<std::string> m_checkScreenHeaderText;
    std::vector<KVNCheckCellContent> m_approvalPhrases;
};
