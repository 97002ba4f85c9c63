#pragma once
// Tabs of screens: every tab's controller is a child, the selected one's view fills the view
// above the tab bar, and a tap on the bar (or setSelectedIndex) switches tabs; the screens
// appear and disappear with their views, as children do. The tab bar is a subview of the
// controller's view, so a transform on it moves it (and what it carries) without changing
// the screens' frames. Misuse (an index out of range, a null or already contained tab) is
// logged and ignored. Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UITabBar.h"
#include "UIKit/UIViewController.h"

class UITabBarController : public UIViewController {
public:
    UITabBarController();
    ~UITabBarController() override;

    std::vector<std::shared_ptr<UIViewController>> viewControllers() const { return m_tabs; }
    // Replaces the tabs; the first is selected (or the one selected before, while in range).
    void setViewControllers(const std::vector<std::shared_ptr<UIViewController>>& viewControllers);

    long selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(long index);
    std::shared_ptr<UIViewController> selectedViewController() const;

    std::shared_ptr<UITabBar> tabBar();

    void loadView() override;
    void viewDidLayoutSubviews() override;
    // The selected tab's.
    UIStatusBarStyle preferredStatusBarStyle() const override;

private:
    void showSelectedTab();
    void layoutContent();

    std::vector<std::shared_ptr<UIViewController>> m_tabs;
    long m_selectedIndex = -1;
    std::shared_ptr<UITabBar> m_tabBar;
    std::shared_ptr<UIView> m_shownTabView;
};
