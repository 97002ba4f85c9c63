#pragma once
// The load cycle of the e-signing screens' web pages, shared by the contract viewer and the
// remote signing page: a load fades out the error view and the page and turns the spinner;
// once the page is out of sight it asks its owner what to load. A finished page is shown 0.2 s
// later (the page fades back in); a failed one stops the spinner and shows the error view.
//
// Each load is numbered: only the newest may start its page, and a report of the web view
// counts only while that page is in flight (takeReport), so a late cancel of an older load
// cannot start a chain of reloads. Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class KVNActivityIndicatorView;
class KVNErrorView;
class KVNWebView;
class UIColor;
class UIView;

namespace kvn {

class WebPageLoader : public std::enable_shared_from_this<WebPageLoader> {
public:
    // `pageBackground` is what the web view shows behind a page once it is shown.
    WebPageLoader(std::shared_ptr<KVNWebView> webView, std::shared_ptr<KVNActivityIndicatorView> spinner,
                  std::shared_ptr<KVNErrorView> errorView, std::shared_ptr<UIColor> pageBackground);

    // `page` answers the URL once the fade is over, nullopt when there is nothing to load (the
    // spinner then stops).
    void load(std::function<std::optional<std::string>()> page);
    // Whether a finished or failed report of the web view belongs to the load in flight; it
    // counts once.
    bool takeReport();
    // Shows the finished page 0.2 s later, unless a newer load began by then; `beforeShow`
    // runs first. The wait keeps what `beforeShow` holds alive.
    void showAfterDelay(std::function<void()> beforeShow = nullptr);
    void showError();

    // Puts the page filling `root`, the error view centred over it and the spinner in the
    // middle of `root`, in that order.
    void addViewsTo(const std::shared_ptr<UIView>& root);

    // The spinner of these pages: large, white, a little smaller, gone when stopped.
    static std::shared_ptr<KVNActivityIndicatorView> makeSpinner();
    // An error view, hidden, with its text and button title from the string tables.
    static std::shared_ptr<KVNErrorView> makeErrorView(const std::string& textKey, const std::string& buttonTitleKey);

private:
    void showPage();

    std::shared_ptr<KVNWebView> m_webView;
    std::shared_ptr<KVNActivityIndicatorView> m_spinner;
    std::shared_ptr<KVNErrorView> m_errorView;
    std::shared_ptr<UIColor> m_pageBackground;
    uint64_t m_loadNumber = 0;
    bool m_loadInFlight = false;
};

} // namespace kvn
