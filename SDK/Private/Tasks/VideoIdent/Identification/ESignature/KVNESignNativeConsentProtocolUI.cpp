#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignNativeConsentProtocolUI.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSError.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNPageSlideControl.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "models/KVNApprovalPhrase.h"
#include "models/KVNContract.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"

namespace {

// The lower screen's top when it is up and when it is down, as parts of the height; the
// handle is a tenth of the width high and sits right above it.
constexpr double kUpFraction = 0.25;
constexpr double kDownFraction = 0.75;
constexpr double kSliderHeightFraction = 0.1;
constexpr double kOverlayAlpha = 0.4;
constexpr double kCloseButtonInset = 10;

std::shared_ptr<KVNVideoIdentification> videoData() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

void setStatus(long status)
{
    if (auto video = videoData())
        video->setIdentificationStatus(status);
}

} // namespace

std::shared_ptr<KVNESignNativeConsentProtocolUI> KVNESignNativeConsentProtocolUI::self()
{
    return std::static_pointer_cast<KVNESignNativeConsentProtocolUI>(shared_from_this());
}

double KVNESignNativeConsentProtocolUI::width() const
{
    auto root = viewIfLoaded();
    return root ? static_cast<double>(static_cast<long>(root->bounds().size.width)) : 0;
}

double KVNESignNativeConsentProtocolUI::height() const
{
    auto root = viewIfLoaded();
    return root ? static_cast<double>(static_cast<long>(root->bounds().size.height)) : 0;
}

void KVNESignNativeConsentProtocolUI::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto me = self();
    std::weak_ptr<KVNESignNativeConsentProtocolUI> weak = me;
    auto root = view();
    root->setBackgroundColor(UIColor::whiteColor());
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden_animated(true, false);
    setNeedsStatusBarAppearanceUpdate();

    m_contractViewController = std::make_shared<KVNContractsViewController>();
    m_contractViewController->init();

    m_checkScreen = std::make_shared<KVNCheckTableViewController>();
    m_checkScreen->init(true);
    m_checkScreenHeaderText = headerText();
    if (auto video = videoData())
        buildApprovalPhrases(video->approvalPhrases());
    m_checkScreen->provideContentForHeader_approvalPhrases(m_checkScreenHeaderText, m_approvalPhrases);

    m_requestCodeScreen = std::make_shared<KVNIdentCodeViewController>();
    m_requestCodeScreen->init(true);
    m_requestCodeScreen->setDelegate(me);
    // A child, unlike the check screen, so that it hears its appearance: it follows the
    // keyboard only while it is on screen, and its keyboard state stops the lower screen's
    // toggle. The check screen stays out, since it would bring back the navigation bar.
    addChildViewController(m_requestCodeScreen);
    m_requestCodeScreen->didMoveToParentViewController(me);

    m_cancelButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_cancelButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-close"), UIControlStateNormal);
    m_cancelButton->addTarget_action_forControlEvents(
        me, kvn::bindToMainQueue(weak, [](KVNESignNativeConsentProtocolUI& ui, const std::shared_ptr<UIControl>&) { ui.cancelButtonPressed(); }),
        UIControlEventTouchUpInside);

    m_isSlideOut = true;
    m_currentStep = KVNConsentStepCheck;
    m_checkScreen->setConsentProtcolUI(std::weak_ptr<kvn::CheckScreenReceiver>(me));
    m_requestCodeScreen->setConsentProtcolUI(me);

    const double W = width(), H = height();
    const double sliderHeight = kSliderHeightFraction * W;
    m_pageSlider = std::make_shared<KVNPageSlideControl>();
    m_pageSlider->initWithFrame(CGRectMake(0, 0, W, sliderHeight));
    m_pageSlider->setFrame(CGRectMake(0, kUpFraction * H - sliderHeight, W, sliderHeight));
    m_pageSlider->setDelegate(me);

    m_overlayScreen = std::make_shared<UIView>();
    m_overlayScreen->initWithFrame(CGRectMake(0, 0, W, m_pageSlider->frame().origin.y));
    m_overlayScreen->setBackgroundColor(UIColor::colorWithWhite_alpha(0, kOverlayAlpha));
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(
        me, kvn::bindToMainQueue(weak, [](KVNESignNativeConsentProtocolUI& ui, const std::shared_ptr<UIGestureRecognizer>&) {
            ui.documentViewTabbed();
        }));
    m_overlayScreen->addGestureRecognizer(tap);

    auto document = m_contractViewController->view();
    root->addSubview(document);
    Layout::ConstraintMaker::make(document, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    m_contractViewController->setEnabled_animated(true, true);

    showStep(m_currentStep);
}

void KVNESignNativeConsentProtocolUI::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    // A new size (the owner pins the view after it loaded) moves the lower screen back to
    // its resting place for the current state, so that the handle and the dimming stay with it.
    auto root = viewIfLoaded();
    if (!root || !m_currentScreenTop)
        return;
    const CGSize size = root->bounds().size;
    if (size.width == m_placedForSize.width && size.height == m_placedForSize.height)
        return;
    placeScreens((m_isSlideOut ? kUpFraction : kDownFraction) * height());
    root->setNeedsLayout();
}

std::optional<std::string> KVNESignNativeConsentProtocolUI::headerText() const
{
    auto video = videoData();
    const auto contracts = video ? video->eSignatureContracts() : std::vector<std::shared_ptr<KVNContract>>{};
    auto ident = KVNIdentification::sharedIdentification();
    auto text = contracts.size() < 2 ? ident->nativeEsignTextSingle() : ident->nativeEsignTextPlural();
    if (!text)
        return std::nullopt;
    std::string names;
    for (const auto& contract : contracts)
        names += (contract ? contract->name().value_or("") : std::string()) + " ";
    // The count first: a contract's name may hold "{0}" and must stay as it is.
    auto header = NSString::stringByReplacingOccurrencesOfString(*text, "{0}",
                                                                  NSString::stringWithFormat("%i", static_cast<int>(contracts.size())));
    return NSString::stringByReplacingOccurrencesOfString(header, "{1}", names);
}

void KVNESignNativeConsentProtocolUI::buildApprovalPhrases(const std::vector<std::shared_ptr<KVNApprovalPhrase>>& phrases)
{
    m_approvalPhrases.clear();
    for (const auto& phrase : phrases) {
        if (!phrase)
            continue;
        KVNCheckCellContent content;
        content.setText(phrase->text());
        // A row offers one link: the phrase's last.
        for (const auto& link : phrase->urls()) {
            if (!link)
                continue;
            content.setLinkLabel(link->linkLabel());
            content.setLink(link->link());
        }
        m_approvalPhrases.push_back(std::move(content));
    }
}

// Steps ----------------------------------------------------------------------------------

void KVNESignNativeConsentProtocolUI::showStep(KVNConsentStep step)
{
    KVN_ASSERT_MAIN_THREAD();
    switch (step) {
    case KVNConsentStepCheck:
        m_currentStep = step;
        removeLowerScreens();
        showLowerScreen(m_checkScreen->view());
        break;
    case KVNConsentStepRequestCode:
        m_currentStep = step;
        removeLowerScreens();
        showLowerScreen(m_requestCodeScreen->view());
        break;
    case KVNConsentStepEnterCode:
        // The code screen is in front already and switched to the code entry itself.
        m_currentStep = step;
        break;
    case KVNConsentStepSuccess:
        m_currentStep = step;
        showSuccessScreen();
        break;
    default:
        NSLog("unknown esigning step");
        break;
    }
}

void KVNESignNativeConsentProtocolUI::checkScreenDone()
{
    KVN_ASSERT_MAIN_THREAD();
    showStep(KVNConsentStepRequestCode);
}

void KVNESignNativeConsentProtocolUI::removeLowerScreens()
{
    m_pageSlider->removeFromSuperview();
    m_overlayScreen->removeFromSuperview();
    if (auto screen = m_currentScreen.lock())
        screen->removeFromSuperview();
    m_cancelButton->removeFromSuperview();
    m_currentScreenTop.reset();
}

void KVNESignNativeConsentProtocolUI::showLowerScreen(const std::shared_ptr<UIView>& screen)
{
    auto root = view();
    const double top = kUpFraction * height();
    root->addSubview(screen);
    Layout::ConstraintMaker::remake(screen, [&](Layout::ConstraintMaker& make) {
        make.left().right().bottom().equalTo(root);
        m_currentScreenTop = make.top().equalTo(root).offset(top).kept();
    });
    root->addSubview(m_pageSlider);
    root->addSubview(m_overlayScreen);
    root->addSubview(m_cancelButton);
    Layout::ConstraintMaker::remake(m_cancelButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root).offset(kCloseButtonInset);
        make.top().equalTo(root).offset(kCloseButtonInset);
    });
    m_currentScreen = screen;
    // Every new lower screen starts up, whatever the one before it was left at: the handle
    // and the dimming come along, so nothing stale lies over the new screen.
    m_isSlideOut = true;
    placeScreens(top);
    root->layoutIfNeeded();
}

// The lower screen's position -------------------------------------------------------------

void KVNESignNativeConsentProtocolUI::placeScreens(double top)
{
    auto root = viewIfLoaded();
    if (!root || !m_currentScreenTop)
        return;
    const double W = width(), H = height();
    const double sliderHeight = kSliderHeightFraction * W;
    m_screenTop = top;
    m_currentScreenTop->setOffset(top);
    m_pageSlider->setFrame(CGRectMake(0, top - sliderHeight, W, sliderHeight));
    // Up, the dimming lies over the document above the handle; down, over the lower screen.
    if (m_isSlideOut)
        m_overlayScreen->setFrame(CGRectMake(0, 0, W, top - sliderHeight));
    else
        m_overlayScreen->setFrame(CGRectMake(0, top, W, H - top));
    m_placedForSize = root->bounds().size;
}

void KVNESignNativeConsentProtocolUI::documentViewTabbed()
{
    KVN_ASSERT_MAIN_THREAD();
    sliderTabbed();
}

void KVNESignNativeConsentProtocolUI::sliderTabbed()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_currentScreenTop)
        return;
    // While the user types the code the keyboard covers the lower screen's bottom; moving it
    // down would hide the field under it.
    if (m_requestCodeScreen && m_requestCodeScreen->keyBoardVisible())
        return;
    m_isSlideOut = !m_isSlideOut;
    placeScreens((m_isSlideOut ? kUpFraction : kDownFraction) * height());
    if (!m_isSlideOut)
        m_contractViewController->setEnabled_animated(true, true);
    view()->layoutIfNeeded();
}

void KVNESignNativeConsentProtocolUI::onSliderMoved(CGFloat distance) { moveScreens(distance); }

void KVNESignNativeConsentProtocolUI::onSliderMoveEnded(CGFloat distance) { moveScreens(distance); }

void KVNESignNativeConsentProtocolUI::moveScreens(double distance)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_currentScreenTop)
        return;
    const double H = height();
    const long newTop = static_cast<long>(m_screenTop - distance);
    NSLog("%d - y position", static_cast<int>(newTop));
    NSLog("%d - topscreen", static_cast<int>(kUpFraction * H));
    NSLog("%d - bottomscreen", static_cast<int>(kDownFraction * H));
    if (newTop < kUpFraction * H || newTop > kDownFraction * H)
        return;
    placeScreens(m_screenTop - distance);
    auto root = view();
    root->setNeedsDisplay();
    root->layoutIfNeeded();
}

void KVNESignNativeConsentProtocolUI::cancelButtonPressed()
{
    KVN_ASSERT_MAIN_THREAD();
    auto owner = m_delegate.lock();
    if (!owner)
        return;
    if (auto callCancel = owner->cancelButton())
        callCancel->sendActionsForControlEvents(UIControlEventTouchUpInside);
}

// The confirmation code ----------------------------------------------------------------------

void KVNESignNativeConsentProtocolUI::identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>&,
                                                                                        bool viaEmail)
{
    requestCode(viaEmail);
}

void KVNESignNativeConsentProtocolUI::identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>&,
                                                                             const std::string& code)
{
    sendCode(code);
}

void KVNESignNativeConsentProtocolUI::requestCode(bool viaEmail)
{
    KVN_ASSERT_MAIN_THREAD();
    std::weak_ptr<KVNESignNativeConsentProtocolUI> weak = self();
    std::shared_ptr<UIActivityIndicatorView> overlay = KVNActivityIndicatorView::addFullOverlayToView(view());
    auto answered = kvn::bindToMainQueue(weak, [](KVNESignNativeConsentProtocolUI& ui, const std::shared_ptr<NSError>& error) {
        if (error)
            ui.requestCodeFailed(error);
        else
            ui.requestCodeDone();
    });
    KVNRequestManager::sharedManager()->POSTRequestIdentCodeViaEmail_callback(
        viaEmail, [overlay, answered](const std::shared_ptr<NSError>& error) {
            // The overlay goes whatever became of the screen.
            KVNActivityIndicatorView::removeConveringIndicator(overlay);
            answered(error);
        });
    setStatus(KVNIdentificationStatusSendCode);
}

void KVNESignNativeConsentProtocolUI::requestCodeDone()
{
    m_requestCodeScreen->requestingCodeWasSuccessfull();
    showStep(KVNConsentStepEnterCode);
}

void KVNESignNativeConsentProtocolUI::requestCodeFailed(const std::shared_ptr<NSError>& error)
{
    // No code is on its way: the code screen stays on the request, ready to ask again.
    m_requestCodeScreen->requestingCodeFailed();
    showRequestCodeError(error);
}

void KVNESignNativeConsentProtocolUI::sendCode(const std::string& code)
{
    KVN_ASSERT_MAIN_THREAD();
    // The answer holds the screen: a code the service accepted must reach the signing
    // completion even if the screen was let go meanwhile.
    KVNRequestManager::sharedManager()->POSTIdentCode_callback(code, [ui = self()](const std::shared_ptr<NSError>& error) {
        if (error)
            ui->sendCodeFailed(error);
        else
            ui->showStep(KVNConsentStepSuccess);
    });
    setStatus(KVNIdentificationStatusAgentBusy);
}

void KVNESignNativeConsentProtocolUI::sendCodeFailed(const std::shared_ptr<NSError>& error)
{
    showStep(KVNConsentStepRequestCode);
    // The code entry stays; its input comes back so that the user can type the code again.
    m_requestCodeScreen->sendingCodeFailed();
    showSendCodeError(error);
}

void KVNESignNativeConsentProtocolUI::showSuccessScreen()
{
    setStatus(KVNIdentificationStatusAgentBusy);
    sendSigningDone();
}

void KVNESignNativeConsentProtocolUI::sendSigningDone()
{
    std::weak_ptr<KVNESignNativeConsentProtocolUI> weak = self();
    KVNRequestManager::sharedManager()->sendEsignSuccess(
        kvn::bindToMainQueue(weak, [](KVNESignNativeConsentProtocolUI& ui, const std::shared_ptr<NSError>& error) {
            if (error)
                ui.showSigningDoneError(error);
        }));
}

void KVNESignNativeConsentProtocolUI::showRequestCodeError(const std::shared_ptr<NSError>& error) { showErrorAlert(error); }

void KVNESignNativeConsentProtocolUI::showSendCodeError(const std::shared_ptr<NSError>& error) { showErrorAlert(error); }

void KVNESignNativeConsentProtocolUI::showErrorAlert(const std::shared_ptr<NSError>& error)
{
    KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        *error, self(), KVNLocalizer::localizedStringForKey("OK"), nullptr, std::nullopt, nullptr);
}

void KVNESignNativeConsentProtocolUI::showSigningDoneError(const std::shared_ptr<NSError>& error)
{
    // The code was accepted and the code screen is spent: the alert is the only way to
    // tell the service again.
    std::weak_ptr<KVNESignNativeConsentProtocolUI> weak = self();
    KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        *error, self(), KVNLocalizer::localizedStringForKey("OK"), nullptr, KVNLocalizer::localizedStringForKey("RETRY"),
        kvn::bindToMainQueue(weak, [](KVNESignNativeConsentProtocolUI& ui) { ui.sendSigningDone(); }));
}
