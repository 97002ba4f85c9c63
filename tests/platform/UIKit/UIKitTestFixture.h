#pragma once
// A fixture for the UIKit layer's tests: the shared manual-clock fixture plus a fresh
// application state, and a visible key window for tests that need one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include <vector>

#include "support/ManualClockFixture.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

class UIKitTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
    }

    void TearDown() override
    {
        ManualClockFixture::TearDown();
        UIApplication::sharedApplication()->resetForTesting();
    }

    void pump() { loop->pump(); }

    // A visible key window of 320 x 480 with `root` as its root view controller.
    std::shared_ptr<UIWindow> showWindow(const std::shared_ptr<UIViewController>& root)
    {
        auto window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 320, 480));
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        return window;
    }

    // Puts `view` at its frame in a visible window of its own, which the test keeps, so that
    // fingers reach it through the window's hit test.
    std::shared_ptr<UIWindow> showInWindow(const std::shared_ptr<UIView>& view)
    {
        auto window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 320, 480));
        window->setHidden(false);
        window->addSubview(view);
        m_windows.push_back(window);
        return window;
    }

    // A window as showWindow makes it, showing a blank screen, and that screen's view: the
    // place to put views that tests touch.
    struct ShownScreen {
        std::shared_ptr<UIWindow> window;
        std::shared_ptr<UIView> view;
    };
    ShownScreen showBlankScreen()
    {
        auto controller = std::make_shared<UIViewController>();
        auto window = showWindow(controller);
        return {window, controller->view()};
    }

private:
    std::vector<std::shared_ptr<UIWindow>> m_windows;
};

// A view controller that writes down its lifecycle messages, e.g. "willAppear", "didLoad".
class RecordingViewController : public UIViewController {
public:
    explicit RecordingViewController(std::string name = {}, std::vector<std::string>* journal = nullptr)
        : m_name(std::move(name)), m_journal(journal) {}

    std::vector<std::string> events;
    UIStatusBarStyle statusBarStyle = UIStatusBarStyle::Default;

    void viewDidLoad() override { note("didLoad"); }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    void willMoveToParentViewController(const std::shared_ptr<UIViewController>& parent) override
    {
        note(parent ? "willMoveToParent" : "willMoveToNil");
    }
    void didMoveToParentViewController(const std::shared_ptr<UIViewController>& parent) override
    {
        note(parent ? "didMoveToParent" : "didMoveToNil");
    }
    UIStatusBarStyle preferredStatusBarStyle() const override { return statusBarStyle; }

    // Forgets what was recorded so far.
    void clear() { events.clear(); }

private:
    void note(const std::string& event)
    {
        events.push_back(event);
        if (m_journal)
            m_journal->push_back(m_name + "." + event);
    }

    std::string m_name;
    std::vector<std::string>* m_journal;
};
