#include "Private/UIElements/KVNWebView.h"

#include <filesystem>
#include <string_view>

#include <curl/curl.h>

#include "Foundation/MainThreadChecker.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNServer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIApplication.h"
#include "models/KVNIdentification.h"

namespace {

const std::string kClientSecretHeader = "X-Client-Secret";

struct URLHandleFree {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct CurlTextFree {
    void operator()(char* text) const { curl_free(text); }
};

// The URL parser: a scheme is required, any scheme goes, and blanks or control characters
// make the text no URL.
std::unique_ptr<CURLU, URLHandleFree> parsedURL(const std::string& string)
{
    std::unique_ptr<CURLU, URLHandleFree> handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, string.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return nullptr;
    return handle;
}

std::string fileURLOfPath(const std::string& path)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    const std::filesystem::path full = error ? std::filesystem::path(path) : absolute.lexically_normal();
    std::string url = "file://";
    for (const auto& part : full.relative_path())
        url += "/" + KVNServer::percentEncodedPathSegment(part.string());
    if (full.relative_path().empty())
        url += "/";
    return url;
}

} // namespace

KVNWebView::KVNWebView() = default;

KVNWebView::~KVNWebView()
{
    if (m_wkWebView) {
        if (auto scroll = m_wkWebView->scrollView())
            scroll->setDelegate({});
        m_wkWebView->setNavigationDelegate(nullptr);
        m_wkWebView->stopLoading();
    }
}

void KVNWebView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNWebView::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_wkWebView)
        return;
    m_wkWebView = std::make_shared<WKWebView>();
    m_wkWebView->initWithFrame_configuration(CGRectZero, WKWebViewConfiguration::make());
    m_wkWebView->setNavigationDelegate(std::static_pointer_cast<KVNWebView>(shared_from_this()));
    addSubview(m_wkWebView);
    auto self = shared_from_this();
    Layout::ConstraintMaker::make(m_wkWebView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
}

std::optional<std::string> KVNWebView::hostOfURLString(const std::string& string)
{
    auto handle = parsedURL(string);
    if (!handle)
        return std::nullopt;
    char* host = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || !host)
        return std::nullopt;
    std::unique_ptr<char, CurlTextFree> owned(host);
    return std::string(host);
}

bool KVNWebView::opensExternally(const std::string& URL)
{
    auto handle = parsedURL(URL);
    char* query = nullptr;
    if (!handle || curl_url_get(handle.get(), CURLUPART_QUERY, &query, 0) != CURLUE_OK || !query)
        return false;
    std::unique_ptr<char, CurlTextFree> owned(query);
    return std::string_view(query).find("openExternally") != std::string_view::npos;
}

bool KVNWebView::needsClientSecret(const NSURLRequest& request, const std::optional<std::string>& clientSecret,
                                   const std::optional<std::string>& APIURL, const std::optional<std::string>& hostURL)
{
    if (!clientSecret || clientSecret->empty())
        return false;
    auto host = hostOfURLString(request.URL());
    if (!host)
        return false;
    // Exact text: a host that differs in letter case is another host.
    auto isServiceHost = [&](const std::optional<std::string>& base) { return base && hostOfURLString(*base) == host; };
    if (!isServiceHost(APIURL) && !isServiceHost(hostURL))
        return false;
    return request.valueForHTTPHeaderField(kClientSecretHeader) != clientSecret;
}

void KVNWebView::loadURLString(const std::string& string)
{
    KVN_ASSERT_MAIN_THREAD();
    if (parsedURL(string)) {
        noteNewest(m_wkWebView->loadRequest(NSURLRequest(string)));
        return;
    }
    // Reported once, by the load's own finish or failure.
    std::string fileURL = fileURLOfPath(string);
    noteNewest(m_wkWebView->loadFileURL_allowingReadAccessToURL(fileURL, fileURL));
}

void KVNWebView::setBackgroundColor(std::shared_ptr<UIColor> color)
{
    UIView::setBackgroundColor(color);
    if (!m_wkWebView)
        return;
    m_wkWebView->setBackgroundColor(color);
    if (auto scroll = m_wkWebView->scrollView())
        scroll->setBackgroundColor(color);
}

void KVNWebView::webView_decidePolicyForNavigationAction_decisionHandler(const std::shared_ptr<WKWebView>& webView,
                                                                         const std::shared_ptr<WKNavigationAction>& navigationAction,
                                                                         std::function<void(WKNavigationActionPolicy)> decisionHandler)
{
    const auto& request = navigationAction->request();
    auto identification = KVNIdentification::sharedIdentification();
    const auto& server = identification->server();
    // Only what replaces the page is re-issued: loading a subframe's request here would put it
    // in place of the whole page.
    bool replacesPage = !navigationAction->targetFrame() || navigationAction->targetFrame()->isMainFrame();
    if (request && replacesPage && server &&
        needsClientSecret(*request, identification->clientSecret(), server->API_URL(), server->HOST_URL())) {
        decisionHandler(WKNavigationActionPolicyCancel);
        NSURLRequest copy = *request;
        copy.setValue_forHTTPHeaderField(identification->clientSecret(), kClientSecretHeader);
        noteNewest(webView->loadRequest(copy));
        return;
    }
    if (request && opensExternally(request->URL())) {
        auto application = UIApplication::sharedApplication();
        if (application->canOpenURL(request->URL())) {
            decisionHandler(WKNavigationActionPolicyCancel);
            application->openURL(request->URL());
            return;
        }
    }
    auto delegate = m_delegate.lock();
    bool allowed = delegate && request &&
        delegate->webView_shouldStartLoadWithRequest(std::static_pointer_cast<KVNWebView>(shared_from_this()), request);
    decisionHandler(allowed ? WKNavigationActionPolicyAllow : WKNavigationActionPolicyCancel);
}

void KVNWebView::noteNewest(const std::shared_ptr<WKNavigation>& navigation)
{
    if (navigation && navigation->identifier() > m_newestNavigation)
        m_newestNavigation = navigation->identifier();
}

void KVNWebView::webView_didStartProvisionalNavigation(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>& navigation)
{
    // A navigation the page started itself (a link) is the newest now.
    noteNewest(navigation);
}

void KVNWebView::webView_didFinishNavigation(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>&)
{
    if (auto delegate = m_delegate.lock())
        delegate->webViewDidFinishLoad(std::static_pointer_cast<KVNWebView>(shared_from_this()));
}

void KVNWebView::reportFailure(const std::shared_ptr<WKNavigation>& navigation, const std::shared_ptr<NSError>& error)
{
    bool replaced = navigation && navigation->identifier() < m_newestNavigation && error && error->domain() == "NSURLErrorDomain" &&
        error->code() == NSURLErrorCancelled;
    if (replaced)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->webView_didFailLoadWithError(std::static_pointer_cast<KVNWebView>(shared_from_this()), error);
}

void KVNWebView::webView_didFailNavigation_withError(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>& navigation,
                                                     const std::shared_ptr<NSError>& error)
{
    reportFailure(navigation, error);
}

void KVNWebView::webView_didFailProvisionalNavigation_withError(const std::shared_ptr<WKWebView>&,
                                                                const std::shared_ptr<WKNavigation>& navigation,
                                                                const std::shared_ptr<NSError>& error)
{
    reportFailure(navigation, error);
}
