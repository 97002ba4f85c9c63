#pragma once
// The root of a view tree on the screen. A window shows its root view controller's view,
// filling the window, and becomes the application's key window with makeKeyAndVisible;
// presented view controllers put their views into the window of the presenter.
// Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UIViewController;

class UIWindow : public UIView {
public:
    UIWindow();
    ~UIWindow() override;

    // Windows start hidden, as on the platform.
    void initWithFrame(CGRect frame) override;
    // A window of the main screen's bounds.
    void init();

    std::shared_ptr<UIWindow> window() const override;

    std::shared_ptr<UIViewController> rootViewController() const { return m_rootViewController; }
    // Replaces the root: the old root's view leaves the window, the new one's view fills it.
    // On a visible window the old root disappears and the new one appears.
    void setRootViewController(const std::shared_ptr<UIViewController>& rootViewController);

    // Shows the window and makes it the application's key window.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;

    void layoutSubviews() override;

private:
    std::shared_ptr<UIViewController> m_rootViewController;
};
