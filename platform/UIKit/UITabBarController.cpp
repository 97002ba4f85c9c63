#include "UIKit/UITabBarController.h"

#include <algorithm>

#include "UIKit/UIKitLog.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

UITabBarController::UITabBarController() = default;
UITabBarController::~UITabBarController() = default;

void UITabBarController::loadView()
{
    auto view = std::make_shared<UIView>();
    view->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(view);
    view->addSubview(tabBar());
    showSelectedTab();
}

std::shared_ptr<UITabBar> UITabBarController::tabBar()
{
    if (!m_tabBar) {
        m_tabBar = std::make_shared<UITabBar>();
        m_tabBar->initWithFrame(CGRectMake(0, 0, UIScreen::mainScreen()->bounds().size.width, UITabBar::kHeight));
        std::weak_ptr<UITabBarController> weakSelf = std::static_pointer_cast<UITabBarController>(shared_from_this());
        m_tabBar->setSelectionHandler([weakSelf](long index) {
            if (auto self = weakSelf.lock())
                self->setSelectedIndex(index);
        });
    }
    return m_tabBar;
}

void UITabBarController::setViewControllers(const std::vector<std::shared_ptr<UIViewController>>& viewControllers)
{
    for (size_t i = 0; i < viewControllers.size(); ++i) {
        const auto& tab = viewControllers[i];
        const bool duplicate = std::find(viewControllers.begin(), viewControllers.begin() + static_cast<long>(i), tab) !=
                               viewControllers.begin() + static_cast<long>(i);
        if (!tab || duplicate || (tab->parentViewController() && tab->parentViewController().get() != this)) {
            UIKitLog("UITabBarController: tab %zu is null, listed twice or in another container; the tabs are not changed", i);
            return;
        }
    }
    if (m_shownTabView) {
        m_shownTabView->removeFromSuperview();
        m_shownTabView = nullptr;
    }
    for (auto& old : m_tabs) {
        if (std::find(viewControllers.begin(), viewControllers.end(), old) == viewControllers.end()) {
            old->willMoveToParentViewController(nullptr);
            old->removeFromParentViewController();
        }
    }
    auto self = shared_from_this();
    for (auto& tab : viewControllers) {
        if (tab->parentViewController() != self) {
            addChildViewController(tab);
            tab->didMoveToParentViewController(self);
        }
    }
    m_tabs = viewControllers;
    if (m_selectedIndex < 0 || m_selectedIndex >= static_cast<long>(m_tabs.size()))
        m_selectedIndex = m_tabs.empty() ? -1 : 0;
    std::vector<std::optional<std::string>> titles;
    for (auto& tab : m_tabs)
        titles.push_back(tab->title());
    tabBar()->setItemTitles(titles);
    tabBar()->setSelectedIndex(m_selectedIndex);
    if (isViewLoaded())
        showSelectedTab();
}

void UITabBarController::setSelectedIndex(long index)
{
    if (index < 0 || index >= static_cast<long>(m_tabs.size())) {
        UIKitLog("UITabBarController: no tab %ld among %zu; the selection stays", index, m_tabs.size());
        return;
    }
    if (index == m_selectedIndex && m_shownTabView)
        return;
    m_selectedIndex = index;
    tabBar()->setSelectedIndex(index);
    if (isViewLoaded())
        showSelectedTab();
}

std::shared_ptr<UIViewController> UITabBarController::selectedViewController() const
{
    if (m_selectedIndex < 0 || m_selectedIndex >= static_cast<long>(m_tabs.size()))
        return nullptr;
    return m_tabs[static_cast<size_t>(m_selectedIndex)];
}

UIStatusBarStyle UITabBarController::preferredStatusBarStyle() const
{
    auto selected = selectedViewController();
    return selected ? selected->preferredStatusBarStyle() : UIViewController::preferredStatusBarStyle();
}

void UITabBarController::showSelectedTab()
{
    auto selected = selectedViewController();
    auto next = selected ? selected->view() : nullptr;
    if (next == m_shownTabView)
        return;
    // The views moving in and out of the window drive the tabs' appearance.
    if (m_shownTabView)
        m_shownTabView->removeFromSuperview();
    m_shownTabView = next;
    if (next) {
        view()->insertSubview_belowSubview(next, tabBar());
        layoutContent();
    }
}

void UITabBarController::viewDidLayoutSubviews()
{
    layoutContent();
}

void UITabBarController::layoutContent()
{
    auto view = viewIfLoaded();
    if (!view)
        return;
    const auto bounds = view->bounds();
    const double barHeight = UITabBar::kHeight;
    // Placed under its transform, which stays as whoever set it wants it.
    m_tabBar->setLayoutFrame(CGRectMake(0, bounds.size.height - barHeight, bounds.size.width, barHeight));
    if (m_shownTabView)
        m_shownTabView->setFrame(CGRectMake(0, 0, bounds.size.width, bounds.size.height - barHeight));
}
