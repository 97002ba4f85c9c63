#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNOpenTrustViewController.h"

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "WebKit/WKWebView.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"

namespace {
constexpr double kFadeDuration = 0.25;
constexpr double kShowDelay = 0.2;
} // namespace

void KVNOpenTrustViewController::init()
{
    UIViewController::init();
    setUp();
}

void KVNOpenTrustViewController::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = std::static_pointer_cast<KVNOpenTrustViewController>(shared_from_this());
    m_webView = std::make_shared<KVNWebView>();
    m_webView->initWithFrame(CGRectZero);
    m_webView->setDelegate(self);

    m_activityIndicator = std::make_shared<KVNActivityIndicatorView>();
    m_activityIndicator->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    m_activityIndicator->setTransform(CGAffineTransformMakeScale(0.9, 0.9));
    m_activityIndicator->setHidesWhenStopped(true);

    m_errorView = std::make_shared<KVNErrorView>();
    m_errorView->initWithFrame(CGRectZero);
    m_errorView->textLabel()->setText(KVNLocalizer::localizedStringForKey("OPENTRUST_LOADING_ERROR_DESCRIPTION"));
    m_errorView->actionButton()->setTitle_forState(KVNLocalizer::localizedStringForKey("OPENTRUST_LOADING_ERROR_RELOAD_BUTTON_TITLE"),
                                                   UIControlStateNormal);
    m_errorView->actionButton()->addTarget_action_forControlEvents(
        self,
        [weak = std::weak_ptr<KVNOpenTrustViewController>(self)](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->reload(sender);
        },
        UIControlEventTouchUpInside);
    m_errorView->setAlpha(0);
}

void KVNOpenTrustViewController::loadView()
{
    auto card = std::make_shared<KVNRoundedView>();
    card->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(card);
}

void KVNOpenTrustViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto root = view();
    root->addSubview(m_webView);
    Layout::ConstraintMaker::make(m_webView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    root->addSubview(m_errorView);
    Layout::ConstraintMaker::make(m_errorView, [&](Layout::ConstraintMaker& make) {
        make.center().equalTo(m_webView);
        make.left().equalTo(m_webView);
    });
    root->addSubview(m_activityIndicator);
    Layout::ConstraintMaker::make(m_activityIndicator, [&](Layout::ConstraintMaker& make) { make.center().equalTo(root); });

    auto video = KVNIdentification::sharedIdentification()->videoIdentification();
    auto url = video ? video->eSignatureOpenTrustURL() : std::nullopt;
    if (url && !url->empty()) {
        loadURLString(*url);
    } else {
        // The agent sent no page to sign on: say so rather than show a blank card.
        showError();
    }
}

void KVNOpenTrustViewController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    m_webView->setBackgroundColor(UIColor::whiteColor());
}

void KVNOpenTrustViewController::loadURLString(const std::string& string)
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = std::static_pointer_cast<KVNOpenTrustViewController>(shared_from_this());
    m_requestedURL = string;
    const uint64_t number = ++m_loadNumber;
    m_loadInFlight = false;
    if (m_errorView->alpha() > 0) {
        auto errorView = m_errorView;
        UIView::animateWithDuration_delay_options_animations_completion(
            kFadeDuration, 0, UIViewAnimationOptionCurveEaseOut, [errorView] { errorView->setAlpha(0); }, nullptr);
    }
    m_activityIndicator->startAnimating();
    auto webView = m_webView;
    UIView::animateWithDuration_delay_options_animations_completion(
        webView->url() ? kFadeDuration : 0, 0, UIViewAnimationOptionCurveEaseOut, [webView] { webView->setAlpha(0); },
        [weak = std::weak_ptr<KVNOpenTrustViewController>(self), number, string](bool) {
            auto self = weak.lock();
            if (!self || number != self->m_loadNumber)
                return;
            self->m_loadInFlight = true;
            self->m_webView->loadURLString(string);
        });
}

void KVNOpenTrustViewController::reload(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto current = m_webView->url();
    if (!current)
        current = m_requestedURL;
    if (!current) {
        showError();
        return;
    }
    loadURLString(*current);
}

// Links that open outside the app never get here: the web view hands them to the application.
bool KVNOpenTrustViewController::webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>&,
                                                                    const std::shared_ptr<NSURLRequest>&)
{
    return true;
}

void KVNOpenTrustViewController::webViewDidFinishLoad(const std::shared_ptr<KVNWebView>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_loadInFlight)
        return;
    m_loadInFlight = false;
    // The signing service refused the page: its error page is no signing page, and showing it
    // as one would hide that signing did not go through. The user can load it again.
    const auto status = m_webView->wkWebView() ? m_webView->wkWebView()->mainDocumentStatusCode() : std::nullopt;
    if (status && *status >= 400) {
        KVNLog("ESigning: the signing page answered HTTP %ld\n", *status);
        showError();
        return;
    }
    // Keeps the page alive until it is shown.
    auto self = std::static_pointer_cast<KVNOpenTrustViewController>(shared_from_this());
    const uint64_t number = m_loadNumber;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(kShowDelay * NSEC_PER_SEC)), dispatch_get_main_queue(),
                   [self, number] {
                       if (number == self->m_loadNumber)
                           self->showLoadedPage();
                   });
}

void KVNOpenTrustViewController::showLoadedPage()
{
    m_activityIndicator->stopAnimating();
    auto webView = m_webView;
    UIView::animateWithDuration_delay_options_animations_completion(
        webView->url() ? kFadeDuration : 0, 0, UIViewAnimationOptionCurveEaseIn, [webView] { webView->setAlpha(1); }, nullptr);
    m_webView->setBackgroundColor(UIColor::whiteColor());
}

void KVNOpenTrustViewController::webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_loadInFlight)
        return;
    m_loadInFlight = false;
    if (error && error->code() == NSURLErrorCancelled) {
        reload(nullptr);
        return;
    }
    showError();
}

void KVNOpenTrustViewController::showError()
{
    m_activityIndicator->stopAnimating();
    auto errorView = m_errorView;
    UIView::animateWithDuration_delay_options_animations_completion(
        kFadeDuration, 0, UIViewAnimationOptionCurveEaseIn, [errorView] { errorView->setAlpha(1); }, nullptr);
}
