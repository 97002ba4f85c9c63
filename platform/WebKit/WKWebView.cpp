#include "WebKit/WKWebView.h"

#include <cmath>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Network/HTTPErrorKeys.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "WebKit/Private/WebEngine.h"
#include "WebKit/Private/WebEngineView.h"
#include "WebKit/Private/WebPageView.h"

WKWebView::WKWebView() = default;

WKWebView::~WKWebView() = default;

void WKWebView::initWithFrame(CGRect frame) { initWithFrame_configuration(frame, WKWebViewConfiguration::make()); }

void WKWebView::initWithFrame_configuration(CGRect frame, const std::shared_ptr<WKWebViewConfiguration>& configuration)
{
    KVN_ASSERT_MAIN_THREAD();
    UIView::initWithFrame(frame);
    if (m_setUp)
        return;
    m_setUp = true;
    m_scrollView = std::make_shared<UIScrollView>();
    m_scrollView->initWithFrame(bounds());
    m_scrollView->setContentSize(bounds().size);
    addSubview(m_scrollView);
    m_pageView = std::make_shared<kvn::WebPageView>();
    m_pageView->initWithFrame(CGRectMake(0, 0, bounds().size.width, bounds().size.height));
    m_pageView->setUserInteractionEnabled(false);
    m_scrollView->addSubview(m_pageView);
    if (auto* engine = kvn::WebEngine::shared()) {
        auto self = std::static_pointer_cast<WKWebView>(shared_from_this());
        m_engine = std::make_unique<kvn::WebEngineView>(self, engine->context(), configuration ? *configuration : WKWebViewConfiguration());
        m_engine->resize(static_cast<int>(std::lround(frame.size.width)), static_cast<int>(std::lround(frame.size.height)));
    }
}

bool WKWebView::engineAvailable() { return kvn::WebEngine::shared() != nullptr; }

std::shared_ptr<WKNavigation> WKWebView::failUnavailable()
{
    auto navigation = std::make_shared<WKNavigation>(0);
    auto error = NSError::errorWithDomain_code_userInfo(
        WKErrorDomain, WKErrorWebViewUnavailable,
        {{NSLocalizedDescriptionKey, std::string("Web views cannot work in this process (no display).")}});
    kvn::postToMainQueue(std::weak_ptr<UIView>(shared_from_this()), [navigation, error](UIView& view) {
        auto& webView = static_cast<WKWebView&>(view);
        if (auto delegate = webView.navigationDelegate())
            delegate->webView_didFailProvisionalNavigation_withError(std::static_pointer_cast<WKWebView>(view.shared_from_this()),
                                                                     navigation, error);
    });
    return navigation;
}

std::shared_ptr<WKNavigation> WKWebView::loadRequest(const NSURLRequest& request)
{
    KVN_ASSERT_MAIN_THREAD();
    return m_engine ? m_engine->loadRequest(request) : failUnavailable();
}

std::shared_ptr<WKNavigation> WKWebView::loadFileURL_allowingReadAccessToURL(const std::string& URL, const std::string& readAccessURL)
{
    KVN_ASSERT_MAIN_THREAD();
    return m_engine ? m_engine->loadFile(URL, readAccessURL) : failUnavailable();
}

std::shared_ptr<WKNavigation> WKWebView::loadHTMLString_baseURL(const std::string& html, const std::optional<std::string>& baseURL)
{
    KVN_ASSERT_MAIN_THREAD();
    return m_engine ? m_engine->loadHTML(html, baseURL) : failUnavailable();
}

std::shared_ptr<WKNavigation> WKWebView::reload()
{
    KVN_ASSERT_MAIN_THREAD();
    return m_engine ? m_engine->reload() : nullptr;
}

void WKWebView::stopLoading()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_engine)
        m_engine->stopLoading();
}

std::optional<std::string> WKWebView::URL() const { return m_engine ? m_engine->URL() : std::nullopt; }

std::optional<long> WKWebView::mainDocumentStatusCode() const { return m_engine ? m_engine->mainDocumentStatusCode() : std::nullopt; }

std::optional<std::string> WKWebView::title() const { return m_engine ? m_engine->title() : std::nullopt; }

bool WKWebView::isLoading() const { return m_engine && m_engine->isLoading(); }

double WKWebView::estimatedProgress() const { return m_engine ? m_engine->estimatedProgress() : 0.0; }

void WKWebView::evaluateJavaScript_completionHandler(
    const std::string& script,
    std::function<void(const std::optional<std::string>& result, const std::shared_ptr<NSError>& error)> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_engine) {
        m_engine->evaluateJavaScript(script, std::move(completion));
        return;
    }
    if (completion)
        completion(std::nullopt, NSError::errorWithDomain_code_userInfo(WKErrorDomain, WKErrorWebViewUnavailable));
}

void WKWebView::takeSnapshot(std::function<void(const CGImageRef& image)> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_engine) {
        m_engine->takeSnapshot(std::move(completion));
        return;
    }
    if (completion)
        completion(nullptr);
}

void WKWebView::layoutSubviews()
{
    UIView::layoutSubviews();
    if (m_scrollView) {
        m_scrollView->setFrame(bounds());
        m_scrollView->setContentSize(bounds().size);
        m_pageView->setFrame(CGRectMake(0, 0, bounds().size.width, bounds().size.height));
    }
    if (m_engine)
        m_engine->resize(static_cast<int>(std::lround(bounds().size.width)), static_cast<int>(std::lround(bounds().size.height)));
}

void WKWebView::setBackgroundColor(std::shared_ptr<UIColor> color)
{
    UIView::setBackgroundColor(color);
    CGFloat red = 1, green = 1, blue = 1, alpha = 1;
    if (color && !color->getRed_green_blue_alpha(&red, &green, &blue, &alpha))
        return;
    if (m_engine)
        m_engine->setBackgroundColor(red, green, blue, alpha);
}

void WKWebView::setSnapshot(kvn::Badge<kvn::WebEngineView>, CGImageRef image)
{
    m_snapshot = image;
    if (m_pageView)
        m_pageView->setSnapshot(std::move(image));
}
