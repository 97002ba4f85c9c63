#pragma once
// Shows the e-signing contracts one at a time as the service's web pages, with the picker at
// the top to switch between them. In the background state the page lies dimmed under a white
// veil and does not scroll; in the reading state the veil goes, the page scrolls and the
// picker shows. A failed load offers a reload; a cancelled load is loaded again, unless a
// newer load has taken its place. Without a contract (or one without an identifier) nothing
// is loaded. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerDelegate.h"
#include "Private/UIElements/KVNWebViewDelegate.h"
#include "UIKit/UIScrollViewDelegate.h"
#include "UIKit/UIViewController.h"

class KVNActivityIndicatorView;
class KVNContract;
class KVNContractPicker;
class KVNErrorView;
class KVNRoundedView;
class KVNWebView;
namespace kvn {
class WebPageLoader;
}
class UIView;

class KVNContractsViewController : public UIViewController,
                                   public KVNWebViewDelegate,
                                   public UIScrollViewDelegate,
                                   public KVNContractPickerDelegate {
public:
    void init() override;
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

    bool enabled() const { return m_enabled; }
    void setEnabled_animated(bool enabled, bool animated);
    void loadContract();
    // The page of the current contract, nullopt when there is none to load.
    std::optional<std::string> documentURL() const;

    bool prefersStatusBarHidden() const override { return true; }

    const std::shared_ptr<KVNWebView>& webView() const { return m_webView; }
    const std::shared_ptr<KVNActivityIndicatorView>& activityIndicator() const { return m_activityIndicator; }
    const std::shared_ptr<UIView>& overlay() const { return m_overlay; }
    const std::shared_ptr<KVNContractPicker>& contractPicker() const { return m_contractPicker; }
    const std::shared_ptr<KVNRoundedView>& contractPickerShadowView() const { return m_contractPickerShadowView; }
    const std::shared_ptr<KVNErrorView>& errorView() const { return m_errorView; }
    const std::shared_ptr<KVNContract>& currentContract() const { return m_currentContract; }

    void contractPicker_didSelectContract(const std::shared_ptr<KVNContractPicker>& picker,
                                          const std::shared_ptr<KVNContract>& contract) override;
    bool webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>& webView,
                                            const std::shared_ptr<NSURLRequest>& request) override;
    void webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>& webView, const std::shared_ptr<NSError>& error) override;
    void webViewDidFinishLoad(const std::shared_ptr<KVNWebView>& webView) override;
    void scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>& scrollView) override;

private:
    void setUp();

    std::shared_ptr<KVNWebView> m_webView;
    std::shared_ptr<KVNActivityIndicatorView> m_activityIndicator;
    std::shared_ptr<UIView> m_overlay;
    std::shared_ptr<KVNContractPicker> m_contractPicker;
    std::shared_ptr<KVNRoundedView> m_contractPickerShadowView;
    std::shared_ptr<KVNErrorView> m_errorView;
    std::shared_ptr<KVNContract> m_currentContract;
    bool m_enabled = false;
    // A cancel that arrives for an older load (or after the newest one ended) must not start
    // yet another load, or a slow page is cancelled forever: the loader tells them apart.
    std::shared_ptr<kvn::WebPageLoader> m_pageLoader;
};
