#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSError.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPicker.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "Private/UIElements/KVNWebView.h"
#include "Private/UIElements/WebPageLoader.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "models/KVNContract.h"
#include "models/KVNContractDefinition.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr double kPickerHeight = 60;
constexpr double kFooterHeight = 84;
constexpr double kVeilAlpha = 0.9;
constexpr double kFadeDuration = 0.25;

std::vector<std::shared_ptr<KVNContract>> sessionContracts()
{
    auto video = KVNIdentification::sharedIdentification()->videoIdentification();
    return video ? video->eSignatureContracts() : std::vector<std::shared_ptr<KVNContract>>{};
}

} // namespace

void KVNContractsViewController::init()
{
    UIViewController::init();
    setUp();
}

void KVNContractsViewController::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = std::static_pointer_cast<KVNContractsViewController>(shared_from_this());
    m_enabled = false;

    m_webView = std::make_shared<KVNWebView>();
    m_webView->initWithFrame(CGRectZero);
    m_webView->setDelegate(self);
    auto scrollView = m_webView->scrollView();
    scrollView->setDelegate(std::weak_ptr<UIScrollViewDelegate>(self));
    const auto insets = UIEdgeInsetsMake(kPickerHeight, 0, kFooterHeight, 0);
    scrollView->setContentInset(insets);
    scrollView->setScrollIndicatorInsets(insets);
    scrollView->setScrollEnabled(false);

    m_activityIndicator = kvn::WebPageLoader::makeSpinner();

    m_overlay = std::make_shared<UIView>();
    m_overlay->initWithFrame(CGRectZero);
    m_overlay->setBackgroundColor(UIColor::whiteColor());
    m_overlay->setAlpha(kVeilAlpha);

    m_contractPicker = std::make_shared<KVNContractPicker>();
    m_contractPicker->initWithContracts(sessionContracts());
    m_contractPicker->setDelegate(self);

    m_contractPickerShadowView = std::make_shared<KVNRoundedView>();
    m_contractPickerShadowView->initWithFrame(CGRectZero);
    m_contractPickerShadowView->layer()->setCornerRadius(0);
    m_contractPickerShadowView->layer()->setShadowColor(UIColor::colorWithWhite_alpha(0, 1)->CGColor());
    m_contractPickerShadowView->setBackgroundColor(UIColor::colorWithWhite_alpha(1, 0.5));

    m_errorView = kvn::WebPageLoader::makeErrorView("CONTRACTS_LOADING_ERROR_DESCRIPTION", "CONTRACTS_LOADING_ERROR_RELOAD_BUTTON_TITLE");
    m_errorView->actionButton()->addTarget_action_forControlEvents(
        self,
        [weak = std::weak_ptr<KVNContractsViewController>(self)](const auto&) {
            if (auto strong = weak.lock())
                strong->loadContract();
        },
        UIControlEventTouchUpInside);

    auto contracts = sessionContracts();
    m_currentContract = contracts.empty() ? nullptr : contracts.front();
    m_pageLoader = std::make_shared<kvn::WebPageLoader>(m_webView, m_activityIndicator, m_errorView,
                                                        KavoniAppearance::sharedAppearance()->webViewBackgroundColor());
}

void KVNContractsViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto root = view();
    root->setBackgroundColor(UIColor::whiteColor());
    m_webView->setBackgroundColor(UIColor::whiteColor());

    m_pageLoader->addViewsTo(root);

    addChildViewController(m_contractPicker);
    auto table = m_contractPicker->tableView();
    root->addSubview(table);
    m_contractPicker->didMoveToParentViewController(shared_from_this());
    table->setAlpha(0);
    Layout::ConstraintMaker::make(table, [&](Layout::ConstraintMaker& make) {
        make.top().left().right().equalTo(root);
        make.bottom().lessThanOrEqualTo(root);
    });

    root->insertSubview_belowSubview(m_contractPickerShadowView, table);
    m_contractPickerShadowView->setAlpha(0);
    Layout::ConstraintMaker::make(m_contractPickerShadowView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(table);
        make.top().equalTo(table->bottomAnchor()).offset(-20);
        make.height().equalTo(10);
    });

    root->addSubview(m_overlay);
    Layout::ConstraintMaker::make(m_overlay, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });

    loadContract();
}

void KVNContractsViewController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    m_webView->setBackgroundColor(KavoniAppearance::sharedAppearance()->webViewBackgroundColor());
}

std::optional<std::string> KVNContractsViewController::documentURL() const
{
    if (!m_currentContract || !m_currentContract->contractDefinition())
        return std::nullopt;
    const auto& identifier = m_currentContract->contractDefinition()->identifier();
    // An empty identifier would load the documents list rather than a document.
    if (!identifier || identifier->empty())
        return std::nullopt;
    auto server = KVNIdentification::sharedIdentification()->server();
    auto base = server ? server->APIURLWithLastPathComponent(std::string("documents")) : std::nullopt;
    if (!base)
        return std::nullopt;
    return *base + "/" + *identifier + "/data";
}

void KVNContractsViewController::loadContract()
{
    KVN_ASSERT_MAIN_THREAD();
    m_pageLoader->load([weak = std::weak_ptr<KVNContractsViewController>(
                            std::static_pointer_cast<KVNContractsViewController>(shared_from_this()))]() -> std::optional<std::string> {
        auto self = weak.lock();
        auto url = self ? self->documentURL() : std::nullopt;
        if (self && !url)
            KVNLogLocated(__FILE__, __LINE__, "ESigning: No contract found. No contract will be loaded.");
        return url;
    });
}

void KVNContractsViewController::contractPicker_didSelectContract(const std::shared_ptr<KVNContractPicker>&,
                                                                  const std::shared_ptr<KVNContract>& contract)
{
    m_currentContract = contract;
    loadContract();
}

bool KVNContractsViewController::webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSURLRequest>&)
{
    return true;
}

void KVNContractsViewController::webViewDidFinishLoad(const std::shared_ptr<KVNWebView>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_pageLoader->takeReport())
        return;
    // Keeps the viewer alive until the page is shown.
    m_pageLoader->showAfterDelay([self = std::static_pointer_cast<KVNContractsViewController>(shared_from_this())] {
        self->m_webView->scrollView()->setContentOffset_animated(CGPointMake(0, self->m_enabled ? -kPickerHeight : 0), false);
    });
}

void KVNContractsViewController::webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    // Reports of a load that a newer one replaced, or that already ended, are stale.
    if (!m_pageLoader->takeReport())
        return;
    if (error && error->code() == NSURLErrorCancelled) {
        loadContract();
        return;
    }
    m_pageLoader->showError();
}

void KVNContractsViewController::scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>&)
{
    m_contractPicker->setCollapsed_animated(true, true);
}

void KVNContractsViewController::setEnabled_animated(bool enabled, bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    m_enabled = enabled;
    if (!isViewLoaded())
        return;
    m_webView->scrollView()->setScrollEnabled(enabled);
    m_contractPicker->setCollapsed_animated(true, true);
    auto self = std::static_pointer_cast<KVNContractsViewController>(shared_from_this());
    UIView::animateWithDuration_animations(animated ? kFadeDuration : 0, [self, enabled] {
        self->m_webView->scrollView()->setContentOffset(CGPointMake(0, enabled ? -kPickerHeight : 0));
        const double shown = enabled ? 1 : 0;
        self->m_contractPicker->tableView()->setAlpha(shown);
        self->m_contractPickerShadowView->setAlpha(shown);
        self->m_overlay->setAlpha(enabled ? 0 : kVeilAlpha);
        self->setNeedsStatusBarAppearanceUpdate();
    });
}
