#include "UIKit/UIWindow.h"

#include "UIKit/UIApplication.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIViewController.h"

UIWindow::UIWindow()
{
    setHidden(true);
}

UIWindow::~UIWindow() = default;

void UIWindow::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
}

void UIWindow::init()
{
    initWithFrame(UIScreen::mainScreen()->bounds());
}

std::shared_ptr<UIWindow> UIWindow::window() const
{
    return std::static_pointer_cast<UIWindow>(std::const_pointer_cast<UIView>(shared_from_this()));
}

void UIWindow::setRootViewController(const std::shared_ptr<UIViewController>& rootViewController)
{
    if (rootViewController == m_rootViewController)
        return;
    bool visible = !isHidden();
    if (auto old = m_rootViewController) {
        if (visible)
            old->beginAppearanceTransition_animated(false, false);
        if (auto view = old->viewIfLoaded(); view && view->superview().get() == this)
            view->removeFromSuperview();
        m_rootViewController = nullptr;
        if (visible)
            old->endAppearanceTransition();
    }
    m_rootViewController = rootViewController;
    if (!rootViewController)
        return;
    auto view = rootViewController->view();
    view->setFrame(bounds());
    if (visible)
        rootViewController->beginAppearanceTransition_animated(true, false);
    insertSubview_atIndex(view, 0);
    if (visible) {
        layoutIfNeeded();
        rootViewController->endAppearanceTransition();
        UIApplication::sharedApplication()->updateStatusBarAppearance();
    }
}

void UIWindow::makeKeyAndVisible()
{
    auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
    bool wasHidden = isHidden();
    setHidden(false);
    auto application = UIApplication::sharedApplication();
    application->windowBecameVisible(self);
    application->windowBecameKey(self);
    if (wasHidden && m_rootViewController) {
        m_rootViewController->beginAppearanceTransition_animated(true, false);
        layoutIfNeeded();
        m_rootViewController->endAppearanceTransition();
    }
    application->updateStatusBarAppearance();
}

void UIWindow::makeKeyWindow()
{
    UIApplication::sharedApplication()->windowBecameKey(std::static_pointer_cast<UIWindow>(shared_from_this()));
}

bool UIWindow::isKeyWindow() const
{
    return UIApplication::sharedApplication()->keyWindow().get() == this;
}

void UIWindow::layoutSubviews()
{
    UIView::layoutSubviews();
    // Screens (the root's view and presented views) fill their window.
    for (const auto& subview : subviews())
        if (subview->owningViewController())
            subview->setFrame(bounds());
}
