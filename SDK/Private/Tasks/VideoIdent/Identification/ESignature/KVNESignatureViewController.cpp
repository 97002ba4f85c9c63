#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewController.h"

#include <optional>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotification.h"
#include "Foundation/NSNotificationCenter.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCheckContractFooter.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNOpenTrustViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNSignatureViewController.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr double kTransitionDuration = 0.25;
constexpr double kSmallScreenHeight = 568;
constexpr double kMargin = 30;
constexpr double kSmallScreenMargin = 10;
constexpr double kSideInset = 10;
constexpr double kGapUnderVideo = 25;
constexpr double kCardGap = 25;
constexpr double kCardMinimumGap = 10;
constexpr double kCardTop = 75;
constexpr double kCardHeight = 32;

std::optional<double>& storedMargin()
{
    static std::optional<double> margin;
    return margin;
}

double bottomMargin()
{
    auto& margin = storedMargin();
    if (!margin)
        margin = UIScreen::mainScreen()->bounds().size.height < kSmallScreenHeight ? kSmallScreenMargin : kMargin;
    return *margin;
}

bool isSmallScreen() { return UIScreen::mainScreen()->bounds().size.height < kSmallScreenHeight; }

std::shared_ptr<KVNVideoIdentification> videoIdentification() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

void setAlpha(const std::shared_ptr<UIView>& view, double alpha)
{
    if (view)
        view->setAlpha(alpha);
}

} // namespace

double KVNESignatureViewController::signatureBottomMargin() { return bottomMargin(); }
double KVNESignatureViewController::openTrustBottomMargin() { return bottomMargin(); }
void KVNESignatureViewController::resetMarginsForTesting() { storedMargin().reset(); }

KVNESignatureViewController::~KVNESignatureViewController() { stopObservingKeyboard(); }

void KVNESignatureViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = std::static_pointer_cast<KVNESignatureViewController>(shared_from_this());
    auto weak = std::weak_ptr<KVNESignatureViewController>(self);
    auto root = view();
    root->setBackgroundColor(UIColor::whiteColor());

    m_contractViewController = std::make_shared<KVNContractsViewController>();
    m_contractViewController->init();
    addChildViewController(m_contractViewController);
    root->addSubview(m_contractViewController->view());
    m_contractViewController->didMoveToParentViewController(self);
    Layout::ConstraintMaker::make(m_contractViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });

    m_checkContractButtonView = std::make_shared<KVNRoundedView>();
    m_checkContractButtonView->initWithFrame(CGRectZero);
    m_checkContractButtonView->layer()->setCornerRadius(KavoniAppearance::sharedAppearance()->cornerRadius());
    m_checkContractButton = UIButton::buttonWithType<KVNImageTextButton>(UIButtonTypeSystem);
    m_checkContractButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-search"), UIControlStateNormal);
    m_checkContractButton->setTitle_forState(KVNLocalizer::localizedStringForKey("ESIGNATURE_CHECK_CONTRACT_BUTTON_TITLE"),
                                             UIControlStateNormal);
    m_checkContractButton->addTarget_action_forControlEvents(
        self,
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->checkContractButtonTapped(sender);
        },
        UIControlEventTouchUpInside);
    m_checkContractButtonView->addSubview(m_checkContractButton);
    Layout::ConstraintMaker::make(m_checkContractButton, [&](Layout::ConstraintMaker& make) {
        make.centerY().equalTo(m_checkContractButtonView);
        make.left().equalTo(m_checkContractButtonView).offset(kSideInset);
        make.right().equalTo(m_checkContractButtonView).offset(-kSideInset);
    });
    root->addSubview(m_checkContractButtonView);
    Layout::ConstraintMaker::make(m_checkContractButtonView, [&](Layout::ConstraintMaker& make) {
        make.top().greaterThanOrEqualTo(root).offset(kCardTop);
        make.left().equalTo(root).offset(kSideInset);
        make.height().equalTo(kCardHeight);
    });

    m_checkContractFooter = std::make_shared<KVNCheckContractFooter>();
    m_checkContractFooter->initWithFrame(CGRectZero);
    m_checkContractFooter->backButton()->addTarget_action_forControlEvents(
        self,
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->backButtonTapped(sender);
        },
        UIControlEventTouchUpInside);
    root->addSubview(m_checkContractFooter);
    Layout::ConstraintMaker::make(m_checkContractFooter, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(root);
        m_checkContractTopConstraint = make.top().equalTo(root->bottomAnchor()).kept();
    });

    auto video = videoIdentification();
    setLayout(video && video->eSignatureHandWritten() ? KVNESignatureLayoutSignature : KVNESignatureLayoutOpenTrust);
    startObservingKeyboard();
}

std::shared_ptr<UIViewController> KVNESignatureViewController::childViewControllerForStatusBarHidden() const
{
    return m_contractViewController;
}

void KVNESignatureViewController::setLayout(KVNESignatureLayout layout)
{
    KVN_ASSERT_MAIN_THREAD();
    if (layout == m_layout)
        return;
    const KVNESignatureLayout from = m_layout;
    m_previousLayout = from;
    m_layout = layout;
    // The first layout is put in place at once; every later change is seen to happen.
    const bool animated = from != KVNESignatureLayoutNone;
    const double duration = animated ? kTransitionDuration : 0;

    switch (layout) {
    case KVNESignatureLayoutCheckContract:
        enterCheckContract(from, duration, animated);
        break;
    case KVNESignatureLayoutSignature:
        enterSignature(duration, animated);
        break;
    case KVNESignatureLayoutOpenTrust:
        enterOpenTrust(duration, animated);
        break;
    case KVNESignatureLayoutNone:
        break;
    }

    auto root = view();
    UIView::animateWithDuration_animations(duration, [root] { root->layoutIfNeeded(); });
}

void KVNESignatureViewController::enterCheckContract(KVNESignatureLayout from, double duration, bool animated)
{
    m_contractViewController->setEnabled_animated(true, animated);
    auto delegate = m_delegate.lock();
    std::vector<std::shared_ptr<UIView>> faded{m_checkContractButtonView, bottomPanelView(from)};
    if (delegate) {
        faded.push_back(delegate->cancelButton());
        faded.push_back(delegate->subscriberView());
        faded.push_back(delegate->chatButton());
    }
    UIView::animateWithDuration_delay_options_animations_completion(
        duration, 0, UIViewAnimationOptionCurveEaseInOut,
        [faded] {
            for (const auto& view : faded)
                setAlpha(view, 0);
        },
        nullptr);
    view()->layoutIfNeeded();
    setCheckContractFooterHidden(false);
}

void KVNESignatureViewController::enterSignature(double duration, bool animated)
{
    if (!m_signatureViewController)
        makeSignaturePanel();
    showBottomPanel(m_signatureViewController->view(), duration, animated);
}

void KVNESignatureViewController::enterOpenTrust(double duration, bool animated)
{
    // The signature is uploaded (or was never asked for): the panel is done with for good.
    if (m_signatureViewController) {
        m_signatureViewController->willMoveToParentViewController(nullptr);
        m_signatureViewController->view()->removeFromSuperview();
        m_signatureViewController->removeFromParentViewController();
        m_signatureViewController.reset();
    }
    if (!m_openTrustViewController)
        makeOpenTrustPage();
    showBottomPanel(m_openTrustViewController->view(), duration, animated);
}

void KVNESignatureViewController::showBottomPanel(const std::shared_ptr<UIView>& panel, double duration, bool animated)
{
    m_checkContractButtonView->setAlpha(0);
    panel->setAlpha(0);
    std::vector<std::shared_ptr<UIView>> shown{panel, m_checkContractButtonView};
    if (auto delegate = m_delegate.lock()) {
        shown.push_back(delegate->subscriberView());
        shown.push_back(delegate->cancelButton());
        shown.push_back(delegate->chatButton());
    }
    UIView::animateWithDuration_delay_options_animations_completion(
        duration, 0, UIViewAnimationOptionCurveEaseInOut,
        [shown] {
            for (const auto& view : shown)
                setAlpha(view, 1);
        },
        nullptr);
    m_contractViewController->setEnabled_animated(false, animated);
    view()->layoutIfNeeded();
    setCheckContractFooterHidden(true);
}

void KVNESignatureViewController::makeSignaturePanel()
{
    auto self = std::static_pointer_cast<KVNESignatureViewController>(shared_from_this());
    auto weak = std::weak_ptr<KVNESignatureViewController>(self);
    m_signatureViewController = std::make_shared<KVNSignatureViewController>();
    m_signatureViewController->init();
    m_signatureViewController->declineContractButton()->addTarget_action_forControlEvents(
        self,
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->declineContractButtonTapped(sender);
        },
        UIControlEventTouchUpInside);
    m_signatureViewController->signContractButton()->addTarget_action_forControlEvents(
        self,
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->signContractButtonTapped(sender);
        },
        UIControlEventTouchUpInside);

    auto root = view();
    auto panel = m_signatureViewController->view();
    addChildViewController(m_signatureViewController);
    root->addSubview(panel);
    m_signatureViewController->didMoveToParentViewController(self);
    const double top = panelTopOffset();
    Layout::ConstraintMaker::make(panel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root).offset(kSideInset);
        make.right().equalTo(root).offset(-kSideInset);
        make.bottom().equalTo(root).offset(-signatureBottomMargin());
        make.top().equalTo(root).offset(top).priorityLow();
    });
    Layout::ConstraintMaker::make(m_checkContractButtonView, [&](Layout::ConstraintMaker& make) {
        make.bottom().equalTo(panel->topAnchor()).offset(-kCardGap).priorityLow();
        make.bottom().lessThanOrEqualTo(panel->topAnchor()).offset(-kCardMinimumGap);
    });
}

void KVNESignatureViewController::makeOpenTrustPage()
{
    auto self = std::static_pointer_cast<KVNESignatureViewController>(shared_from_this());
    m_openTrustViewController = std::make_shared<KVNOpenTrustViewController>();
    m_openTrustViewController->init();
    auto root = view();
    auto page = m_openTrustViewController->view();
    addChildViewController(m_openTrustViewController);
    root->addSubview(page);
    m_openTrustViewController->didMoveToParentViewController(self);
    const double top = panelTopOffset();
    Layout::ConstraintMaker::make(page, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root).offset(kSideInset);
        make.right().equalTo(root).offset(-kSideInset);
        make.bottom().equalTo(root).offset(-openTrustBottomMargin());
        m_openTrustTopConstraint = make.top().equalTo(root).offset(top).priorityLow().kept();
    });
    Layout::ConstraintMaker::make(m_checkContractButtonView, [&](Layout::ConstraintMaker& make) {
        m_cardAbovePageConstraint = make.bottom().equalTo(page->topAnchor()).offset(-kCardGap).kept();
    });
}

std::shared_ptr<UIView> KVNESignatureViewController::bottomPanelView(KVNESignatureLayout layout) const
{
    if (layout == KVNESignatureLayoutSignature && m_signatureViewController)
        return m_signatureViewController->view();
    if (layout == KVNESignatureLayoutOpenTrust && m_openTrustViewController)
        return m_openTrustViewController->view();
    return nullptr;
}

double KVNESignatureViewController::panelTopOffset() const
{
    auto delegate = m_delegate.lock();
    auto video = delegate ? delegate->subscriberView() : nullptr;
    return (video ? CGRectGetMaxY(video->frame()) : 0) + kGapUnderVideo;
}

void KVNESignatureViewController::setCheckContractFooterHidden(bool hidden)
{
    KVN_ASSERT_MAIN_THREAD();
    auto root = view();
    if (hidden) {
        if (m_checkContractBottomConstraint) {
            m_checkContractBottomConstraint->uninstall();
            m_checkContractBottomConstraint.reset();
        }
        if (!m_checkContractTopConstraint) {
            Layout::ConstraintMaker::make(m_checkContractFooter, [&](Layout::ConstraintMaker& make) {
                m_checkContractTopConstraint = make.top().equalTo(root->bottomAnchor()).kept();
            });
        }
        return;
    }
    if (m_checkContractTopConstraint) {
        m_checkContractTopConstraint->uninstall();
        m_checkContractTopConstraint.reset();
    }
    if (!m_checkContractBottomConstraint) {
        Layout::ConstraintMaker::make(m_checkContractFooter, [&](Layout::ConstraintMaker& make) {
            m_checkContractBottomConstraint = make.bottom().equalTo(root->bottomAnchor()).kept();
        });
    }
}

void KVNESignatureViewController::checkContractButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    view()->endEditing(true);
    setLayout(KVNESignatureLayoutCheckContract);
}

void KVNESignatureViewController::backButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    setLayout(m_previousLayout);
}

void KVNESignatureViewController::signContractButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_signatureViewController)
        return;
    auto sendButton = m_signatureViewController->signContractButton();
    sendButton->setEnabled_animated(false, true);
    auto image = m_signatureViewController->canvas()->drawnImage();
    auto delegate = m_delegate.lock();
    // Nothing would answer the upload: the user must be able to send again.
    if (!image || !delegate) {
        sendButton->setEnabled_animated(image != nullptr, true);
        return;
    }
    delegate->eSignatureViewController_requestsSignatureUpload(std::static_pointer_cast<KVNESignatureViewController>(shared_from_this()),
                                                               image);
}

void KVNESignatureViewController::declineContractButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto delegate = m_delegate.lock();
    if (auto cancel = delegate ? delegate->cancelButton() : nullptr)
        cancel->sendActionsForControlEvents(UIControlEventTouchUpInside);
}

void KVNESignatureViewController::didUploadSignatureWithError(const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_signatureViewController)
        m_signatureViewController->signContractButton()->setEnabled_animated(true, true);
    // A failed upload keeps the drawing on the canvas, to be sent again or redrawn.
    if (!error)
        setLayout(KVNESignatureLayoutOpenTrust);
}

void KVNESignatureViewController::startObservingKeyboard()
{
    stopObservingKeyboard();
    auto weak = std::weak_ptr<KVNESignatureViewController>(std::static_pointer_cast<KVNESignatureViewController>(shared_from_this()));
    auto center = NSNotificationCenter::defaultCenter();
    m_keyboardWillShowObserver = center->addObserverForName_object_queue_usingBlock(
        UIKeyboardWillShowNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNESignatureViewController& self, const NSNotification& note) { self.keyboardWillShow(note); }));
    m_keyboardWillHideObserver = center->addObserverForName_object_queue_usingBlock(
        UIKeyboardWillHideNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNESignatureViewController& self, const NSNotification& note) { self.keyboardWillHide(note); }));
}

void KVNESignatureViewController::stopObservingKeyboard()
{
    auto center = NSNotificationCenter::defaultCenter();
    if (m_keyboardWillShowObserver)
        center->removeObserver(m_keyboardWillShowObserver);
    if (m_keyboardWillHideObserver)
        center->removeObserver(m_keyboardWillHideObserver);
    m_keyboardWillShowObserver.reset();
    m_keyboardWillHideObserver.reset();
}

// On small screens the keyboard would cover the remote page's fields: the page climbs to the
// top while it is open. Larger screens leave it where it is.
void KVNESignatureViewController::keyboardWillShow(const NSNotification&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_openTrustViewController || !m_openTrustTopConstraint || !isSmallScreen())
        return;
    m_openTrustTopConstraint->setOffset(0);
    if (m_cardAbovePageConstraint)
        m_cardAbovePageConstraint->setOffset(-kCardMinimumGap);
    auto root = view();
    UIView::animateWithDuration_animations(kTransitionDuration, [root] { root->layoutIfNeeded(); });
}

void KVNESignatureViewController::keyboardWillHide(const NSNotification&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_openTrustViewController || !m_openTrustTopConstraint || !isSmallScreen())
        return;
    m_openTrustTopConstraint->setOffset(panelTopOffset());
    if (m_cardAbovePageConstraint)
        m_cardAbovePageConstraint->setOffset(-kCardGap);
    auto root = view();
    UIView::animateWithDuration_animations(kTransitionDuration, [root] { root->layoutIfNeeded(); });
}
