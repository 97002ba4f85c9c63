#pragma once
// A web page in a view, rendered by the system's web engine. Loads go through the navigation
// delegate (policy, start, finish, failure); what the page shows is drawn from the engine's
// latest snapshot, taken after each finished load and a few times after it (a PDF draws late),
// so a picture of the window shows the page.
//
// The engine needs a display: without one (no DISPLAY, or the toolkit could not open it) the
// view is inert and every load fails with WKErrorWebViewUnavailable, reported through the
// delegate. Certificate checks
// stay on; authorities added to HTTPTrust (and KVN_EXTRA_CA_FILE) are trusted as well.
//
// Each view holds an engine web process (a few hundred MB): release views when done.
// KVN_WEBKIT_TRACE=1 logs the engine's navigation signals to stderr.
// Main thread only: the engine runs on the thread that set it up, turned by the main run loop.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGImage.h"
#include "Foundation/Badge.h"
#include "Foundation/NSError.h"
#include "Network/NSURLRequest.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UIView.h"
#include "WebKit/WKError.h"
#include "WebKit/WKNavigation.h"
#include "WebKit/WKNavigationDelegate.h"
#include "WebKit/WKWebViewConfiguration.h"

namespace kvn {
class WebEngineView;
class WebPageView;
}

class WKWebView : public UIView {
public:
    WKWebView();
    ~WKWebView() override;

    void initWithFrame(CGRect frame) override;
    void initWithFrame_configuration(CGRect frame, const std::shared_ptr<WKWebViewConfiguration>& configuration);

    // Each answers the navigation the load starts (nullptr when the view is inert).
    std::shared_ptr<WKNavigation> loadRequest(const NSURLRequest& request);
    // `URL` and `readAccessURL` are file URLs ("file:///...").
    std::shared_ptr<WKNavigation> loadFileURL_allowingReadAccessToURL(const std::string& URL, const std::string& readAccessURL);
    std::shared_ptr<WKNavigation> loadHTMLString_baseURL(const std::string& html, const std::optional<std::string>& baseURL);
    std::shared_ptr<WKNavigation> reload();
    void stopLoading();

    // The page's URL (the one being loaded while a load is under way), nullopt before any.
    std::optional<std::string> URL() const;
    // The HTTP status of the current page's own answer (a page the server refused still
    // finishes loading, showing the server's error page), nullopt before the answer and for
    // pages that did not come over HTTP.
    std::optional<long> mainDocumentStatusCode() const;
    std::optional<std::string> title() const;
    bool isLoading() const;
    // 0.0 to 1.0.
    double estimatedProgress() const;

    std::shared_ptr<WKNavigationDelegate> navigationDelegate() const { return m_navigationDelegate.lock(); }
    void setNavigationDelegate(const std::shared_ptr<WKNavigationDelegate>& delegate) { m_navigationDelegate = delegate; }

    // The view the page scrolls in (it fills the web view). The engine scrolls the page
    // itself, so this one's content is only its own bounds and its offset stays at zero; it
    // is there for its colour and its delegate.
    std::shared_ptr<UIScrollView> scrollView() const { return m_scrollView; }

    // Runs a script in the page; the completion gets the result as text (JSON for objects),
    // or an error.
    void evaluateJavaScript_completionHandler(
        const std::string& script,
        std::function<void(const std::optional<std::string>& result, const std::shared_ptr<NSError>& error)> completion);

    // Takes a fresh snapshot of the page now; the completion gets it (nullptr when the engine
    // could not) once it is also what the view draws.
    void takeSnapshot(std::function<void(const CGImageRef& image)> completion);
    // The snapshot the view draws, nullptr before the first.
    CGImageRef snapshotImage() const { return m_snapshot; }

    // Whether web views can work in this process (a display and the engine could be set up).
    // The reason is logged once when they cannot.
    static bool engineAvailable();

    // Also what the engine paints behind a page that has no background of its own (a PDF's
    // margins, a page still loading).
    void setBackgroundColor(std::shared_ptr<UIColor> color) override;
    void layoutSubviews() override;

    // The engine's side calls these (kvn::WebEngineView only).
    void setSnapshot(kvn::Badge<kvn::WebEngineView>, CGImageRef image);

private:
    void setUp(const std::shared_ptr<WKWebViewConfiguration>& configuration);
    std::shared_ptr<WKNavigation> failUnavailable();

    std::unique_ptr<kvn::WebEngineView> m_engine;
    std::weak_ptr<WKNavigationDelegate> m_navigationDelegate;
    std::shared_ptr<UIScrollView> m_scrollView;
    std::shared_ptr<kvn::WebPageView> m_pageView;
    CGImageRef m_snapshot;
    bool m_setUp = false;
};
