#include "Private/UIElements/WebPageLoader.h"

#include <utility>

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIViewAnimationOptions.h"

namespace {
constexpr double kFadeDuration = 0.25;
constexpr double kShowDelay = 0.2;
} // namespace

namespace kvn {

WebPageLoader::WebPageLoader(std::shared_ptr<KVNWebView> webView, std::shared_ptr<KVNActivityIndicatorView> spinner,
                             std::shared_ptr<KVNErrorView> errorView, std::shared_ptr<UIColor> pageBackground)
    : m_webView(std::move(webView)), m_spinner(std::move(spinner)), m_errorView(std::move(errorView)),
      m_pageBackground(std::move(pageBackground))
{
}

void WebPageLoader::load(std::function<std::optional<std::string>()> page)
{
    KVN_ASSERT_MAIN_THREAD();
    const uint64_t number = ++m_loadNumber;
    m_loadInFlight = false;
    if (m_errorView->alpha() > 0) {
        auto errorView = m_errorView;
        UIView::animateWithDuration_delay_options_animations_completion(
            kFadeDuration, 0, UIViewAnimationOptionCurveEaseOut, [errorView] { errorView->setAlpha(0); }, nullptr);
    }
    m_spinner->startAnimating();
    auto webView = m_webView;
    UIView::animateWithDuration_delay_options_animations_completion(
        webView->url() ? kFadeDuration : 0, 0, UIViewAnimationOptionCurveEaseOut, [webView] { webView->setAlpha(0); },
        [weak = weak_from_this(), number, page = std::move(page)](bool) {
            auto self = weak.lock();
            // A newer load has taken over; it starts its own page.
            if (!self || number != self->m_loadNumber)
                return;
            auto url = page ? page() : std::nullopt;
            if (!url) {
                self->m_spinner->stopAnimating();
                return;
            }
            self->m_loadInFlight = true;
            self->m_webView->loadURLString(*url);
        });
}

bool WebPageLoader::takeReport() { return std::exchange(m_loadInFlight, false); }

void WebPageLoader::showAfterDelay(std::function<void()> beforeShow)
{
    KVN_ASSERT_MAIN_THREAD();
    const uint64_t number = m_loadNumber;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(kShowDelay * NSEC_PER_SEC)), dispatch_get_main_queue(),
                   [self = shared_from_this(), number, beforeShow = std::move(beforeShow)] {
                       if (number != self->m_loadNumber)
                           return;
                       if (beforeShow)
                           beforeShow();
                       self->showPage();
                   });
}

void WebPageLoader::showPage()
{
    m_spinner->stopAnimating();
    auto webView = m_webView;
    UIView::animateWithDuration_delay_options_animations_completion(
        webView->url() ? kFadeDuration : 0, 0, UIViewAnimationOptionCurveEaseIn, [webView] { webView->setAlpha(1); }, nullptr);
    m_webView->setBackgroundColor(m_pageBackground);
}

void WebPageLoader::showError()
{
    KVN_ASSERT_MAIN_THREAD();
    m_spinner->stopAnimating();
    auto errorView = m_errorView;
    UIView::animateWithDuration_delay_options_animations_completion(
        kFadeDuration, 0, UIViewAnimationOptionCurveEaseIn, [errorView] { errorView->setAlpha(1); }, nullptr);
}

void WebPageLoader::addViewsTo(const std::shared_ptr<UIView>& root)
{
    root->addSubview(m_webView);
    Layout::ConstraintMaker::make(m_webView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    root->addSubview(m_errorView);
    Layout::ConstraintMaker::make(m_errorView, [&](Layout::ConstraintMaker& make) {
        make.center().equalTo(m_webView);
        make.left().equalTo(m_webView);
    });
    root->addSubview(m_spinner);
    Layout::ConstraintMaker::make(m_spinner, [&](Layout::ConstraintMaker& make) { make.center().equalTo(root); });
}

std::shared_ptr<KVNActivityIndicatorView> WebPageLoader::makeSpinner()
{
    auto spinner = std::make_shared<KVNActivityIndicatorView>();
    spinner->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    spinner->setTransform(CGAffineTransformMakeScale(0.9, 0.9));
    spinner->setHidesWhenStopped(true);
    return spinner;
}

std::shared_ptr<KVNErrorView> WebPageLoader::makeErrorView(const std::string& textKey, const std::string& buttonTitleKey)
{
    auto errorView = std::make_shared<KVNErrorView>();
    errorView->initWithFrame(CGRectZero);
    errorView->textLabel()->setText(KVNLocalizer::localizedStringForKey(textKey));
    errorView->actionButton()->setTitle_forState(KVNLocalizer::localizedStringForKey(buttonTitleKey), UIControlStateNormal);
    errorView->setAlpha(0);
    return errorView;
}

} // namespace kvn
