#pragma once
// The remote signing page of the e-signature overlay: the signing service's page (the URL
// the agent sent when e-signing started) in the library's web view on a rounded card, with a
// spinner while it loads and an error view with a reload button when it fails. A cancelled
// load is loaded again without a word; links that ask to open outside the app are left to
// the application. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Private/UIElements/KVNWebViewDelegate.h"
#include "UIKit/UIViewController.h"

class KVNActivityIndicatorView;
class KVNErrorView;
class KVNWebView;
class UIControl;
namespace kvn {
class WebPageLoader;
}

class KVNOpenTrustViewController : public UIViewController, public KVNWebViewDelegate {
public:
    void init() override;
    void loadView() override;
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

    void loadURLString(const std::string& string);
    void reload(const std::shared_ptr<UIControl>& sender);

    const std::shared_ptr<KVNWebView>& webView() const { return m_webView; }
    const std::shared_ptr<KVNErrorView>& errorView() const { return m_errorView; }
    const std::shared_ptr<KVNActivityIndicatorView>& activityIndicator() const { return m_activityIndicator; }

    bool webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>& webView,
                                            const std::shared_ptr<NSURLRequest>& request) override;
    void webViewDidFinishLoad(const std::shared_ptr<KVNWebView>& webView) override;
    void webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>& webView, const std::shared_ptr<NSError>& error) override;

private:
    void setUp();

    std::shared_ptr<KVNWebView> m_webView;
    std::shared_ptr<KVNErrorView> m_errorView;
    std::shared_ptr<KVNActivityIndicatorView> m_activityIndicator;
    // The page last asked for: a reload after a load that never got as far as a URL of its
    // own still has something to load.
    std::optional<std::string> m_requestedURL;
    std::shared_ptr<kvn::WebPageLoader> m_pageLoader;
};
