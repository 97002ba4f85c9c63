#pragma once
// The running application: its state (active, inactive, background) with the notifications
// of each change, its windows and key window, the status bar style, the idle timer, and
// opening URLs. A headless machine has nothing to open a URL with: an openable URL (one
// whose scheme is in the openable set) is recorded and logged, and tests read what was
// opened. Tests also drive the state changes. Main thread only.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Foundation/NSDictionary.h"
#include "UIKit/UIStatusBarStyle.h"

class UIWindow;
class UIViewController;

enum class UIApplicationState : long {
    Active = 0,
    Inactive = 1,
    Background = 2,
};

extern const std::string UIApplicationDidEnterBackgroundNotification;
extern const std::string UIApplicationWillEnterForegroundNotification;
extern const std::string UIApplicationWillResignActiveNotification;
extern const std::string UIApplicationDidBecomeActiveNotification;
// The URL of the app's own page of the system settings.
extern const std::string UIApplicationOpenSettingsURLString;

class UIApplication {
public:
    static std::shared_ptr<UIApplication> sharedApplication();

    UIApplicationState applicationState() const { return m_state; }

    // URLs.
    bool canOpenURL(const std::string& url) const;
    // Opens (records) the URL when it can be opened; answers whether it did.
    bool openURL(const std::string& url);
    // The same; the completion, when given, gets the answer on a later turn of the main queue.
    void openURL_options_completionHandler(const std::string& url, const NSDictionary& options,
                                           std::function<void(bool success)> completion);

    // Windows.
    std::shared_ptr<UIWindow> keyWindow() const { return m_keyWindow.lock(); }
    // Visible windows, in the order they were shown.
    std::vector<std::shared_ptr<UIWindow>> windows() const;

    // Status bar. With view-controller-based appearance the screens' preferred style is
    // applied when they ask for an update; the setter sets the style directly either way.
    UIStatusBarStyle statusBarStyle() const { return m_statusBarStyle; }
    void setStatusBarStyle(UIStatusBarStyle style) { m_statusBarStyle = style; }
    void setStatusBarStyle_animated(UIStatusBarStyle style, bool animated) { m_statusBarStyle = style; }

    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool disabled) { m_idleTimerDisabled = disabled; }

    // Test and host controls --------------------------------------------------------------
    // Every URL opened so far, in order.
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }
    // Schemes (lower case, without ':') that count as openable; the default is
    // http, https, mailto, tel and app-settings.
    void setOpenableURLSchemesForTesting(std::set<std::string> schemes) { m_openableSchemes = std::move(schemes); }
    // Will resign active (state Inactive), then did enter background (state Background).
    void simulateEnterBackground();
    // Will enter foreground (state Inactive), then did become active (state Active).
    void simulateEnterForeground();
    // The active/inactive half alone (a system overlay over the app).
    void simulateResignActive();
    void simulateBecomeActive();
    // Back to the state of a fresh process: active, no windows, nothing opened, defaults.
    void resetForTesting();

private:
    friend class UIWindow;
    friend class UIViewController;

    void windowBecameVisible(const std::shared_ptr<UIWindow>& window);
    void windowBecameKey(const std::shared_ptr<UIWindow>& window);
    // Applies the preferred style of the key window's top-most screen when the app uses
    // view-controller-based status bar appearance.
    void updateStatusBarAppearance();
    void setState(UIApplicationState state, const std::string& notification);
    static std::set<std::string> defaultOpenableSchemes();

    UIApplicationState m_state = UIApplicationState::Active;
    std::weak_ptr<UIWindow> m_keyWindow;
    std::vector<std::weak_ptr<UIWindow>> m_windows;
    UIStatusBarStyle m_statusBarStyle = UIStatusBarStyle::Default;
    bool m_idleTimerDisabled = false;
    std::vector<std::string> m_openedURLs;
    std::set<std::string> m_openableSchemes = defaultOpenableSchemes();
};
