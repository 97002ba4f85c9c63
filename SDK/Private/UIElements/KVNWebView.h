#pragma once
// The web view of the e-signing screens (contracts, the remote signing page). Requests for the
// identification service's own hosts (its API and web hosts, compared exactly) carry the
// identification's client secret in "X-Client-Secret": a navigation there without it is
// cancelled and re-issued with it, and only the re-issued request is put to the delegate.
// A page link whose query asks for "openExternally" is handed to the application to open
// outside the app (when it can) and never loaded here. Everything else is the delegate's to
// allow.
//
// Each load is reported once, finished or failed, whether it came from a URL or a file path.
// The cancel of a load that a newer one replaced (its re-issued copy, or the owner's next
// load) is not reported: an owner that reloads on a cancel would load the page twice, or
// forever. A stopped load's cancel is. Laid out to fill itself with the web view.
// Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Private/UIElements/KVNWebViewDelegate.h"
#include "UIKit/UIView.h"
#include "WebKit/WKNavigationDelegate.h"
#include "WebKit/WKWebView.h"

class KVNWebView : public UIView, public WKNavigationDelegate {
public:
    KVNWebView();
    ~KVNWebView() override;

    void initWithFrame(CGRect frame) override;

    // A string the URL parser accepts loads as a URL; anything else is taken as a file path.
    void loadURLString(const std::string& string);
    void setBackgroundColor(std::shared_ptr<UIColor> color) override;

    const std::shared_ptr<WKWebView>& wkWebView() const { return m_wkWebView; }
    std::shared_ptr<UIScrollView> scrollView() const { return m_wkWebView ? m_wkWebView->scrollView() : nullptr; }
    std::optional<std::string> url() const { return m_wkWebView ? m_wkWebView->URL() : std::nullopt; }
    std::shared_ptr<KVNWebViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNWebViewDelegate>& delegate) { m_delegate = delegate; }

    // The host of a URL as the parser reads it (IPv6 addresses in brackets), nullopt when the
    // text is no URL.
    static std::optional<std::string> hostOfURLString(const std::string& string);
    // Whether the URL's query asks for the link to open outside the app.
    static bool opensExternally(const std::string& URL);
    // Whether a navigation to `request` must be re-issued carrying the client secret.
    static bool needsClientSecret(const NSURLRequest& request, const std::optional<std::string>& clientSecret,
                                  const std::optional<std::string>& APIURL, const std::optional<std::string>& hostURL);

    void webView_decidePolicyForNavigationAction_decisionHandler(const std::shared_ptr<WKWebView>& webView,
                                                                 const std::shared_ptr<WKNavigationAction>& navigationAction,
                                                                 std::function<void(WKNavigationActionPolicy)> decisionHandler) override;
    void webView_didStartProvisionalNavigation(const std::shared_ptr<WKWebView>& webView,
                                               const std::shared_ptr<WKNavigation>& navigation) override;
    void webView_didFinishNavigation(const std::shared_ptr<WKWebView>& webView, const std::shared_ptr<WKNavigation>& navigation) override;
    void webView_didFailNavigation_withError(const std::shared_ptr<WKWebView>& webView, const std::shared_ptr<WKNavigation>& navigation,
                                             const std::shared_ptr<NSError>& error) override;
    void webView_didFailProvisionalNavigation_withError(const std::shared_ptr<WKWebView>& webView,
                                                        const std::shared_ptr<WKNavigation>& navigation,
                                                        const std::shared_ptr<NSError>& error) override;

private:
    void setUp();
    void reportFailure(const std::shared_ptr<WKNavigation>& navigation, const std::shared_ptr<NSError>& error);
    void noteNewest(const std::shared_ptr<WKNavigation>& navigation);

    std::shared_ptr<WKWebView> m_wkWebView;
    std::weak_ptr<KVNWebViewDelegate> m_delegate;
    // The newest load asked for or started (the web view numbers its loads in order).
    uint64_t m_newestNavigation = 0;
};
