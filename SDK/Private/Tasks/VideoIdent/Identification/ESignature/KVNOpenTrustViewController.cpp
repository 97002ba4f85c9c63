#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNOpenTrustViewController.h"

#include "Foundation/MainThreadChecker.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "Private/UIElements/KVNWebView.h"
#include "Private/UIElements/WebPageLoader.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "WebKit/WKWebView.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"

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

    m_activityIndicator = kvn::WebPageLoader::makeSpinner();

    m_errorView = kvn::WebPageLoader::makeErrorView("OPENTRUST_LOADING_ERROR_DESCRIPTION", "OPENTRUST_LOADING_ERROR_RELOAD_BUTTON_TITLE");
    m_errorView->actionButton()->addTarget_action_forControlEvents(
        self,
        [weak = std::weak_ptr<KVNOpenTrustViewController>(self)](const std::shared_ptr<UIControl>& sender) {
            if (auto strong = weak.lock())
                strong->reload(sender);
        },
        UIControlEventTouchUpInside);
    m_pageLoader = std::make_shared<kvn::WebPageLoader>(m_webView, m_activityIndicator, m_errorView, UIColor::whiteColor());
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
    m_pageLoader->addViewsTo(root);

    auto video = KVNIdentification::sharedIdentification()->videoIdentification();
    auto url = video ? video->eSignatureOpenTrustURL() : std::nullopt;
    if (url && !url->empty()) {
        loadURLString(*url);
    } else {
        // The agent sent no page to sign on: say so rather than show a blank card.
        m_pageLoader->showError();
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
    m_requestedURL = string;
    m_pageLoader->load([string]() -> std::optional<std::string> { return string; });
}

void KVNOpenTrustViewController::reload(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto current = m_webView->url();
    if (!current)
        current = m_requestedURL;
    if (!current) {
        m_pageLoader->showError();
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
    if (!m_pageLoader->takeReport())
        return;
    // The signing service refused the page: its error page is no signing page, and showing it
    // as one would hide that signing did not go through. The user can load it again.
    const auto status = m_webView->wkWebView() ? m_webView->wkWebView()->mainDocumentStatusCode() : std::nullopt;
    if (status && *status >= 400) {
        KVNLog("ESigning: the signing page answered HTTP %ld\n", *status);
        m_pageLoader->showError();
        return;
    }
    // Keeps the page alive until it is shown.
    m_pageLoader->showAfterDelay([self = std::static_pointer_cast<KVNOpenTrustViewController>(shared_from_this())] {});
}

void KVNOpenTrustViewController::webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_pageLoader->takeReport())
        return;
    if (error && error->code() == NSURLErrorCancelled) {
        reload(nullptr);
        return;
    }
    m_pageLoader->showError();
}
