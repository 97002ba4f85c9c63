#pragma once
// One screen of the script: made from a screen layout
//   {"type": "screen", "title": "Home", "texts": ["a line", ...], "style": {...},
//    "navigatorStyle": {...}}
// it shows its texts as lines from the top. The layout's "style" is read when the screen is
// made: "rootBackgroundImageName" puts an image of the main bundle behind the screen, "textColor"
// ("#rrggbb") colours its lines. The
// navigator style is applied each time the screen comes on screen: "screenBackgroundColor"
// ("#rrggbb"), "tabBarHidden" (moves the tab bar out of sight), "navBarHidden",
// "statusBarTextColorScheme" ("light" or "dark"), and keys an app may read of its own. Values
// of the wrong kind are ignored.
// Two of its operations are replaceable, process-wide, so that an app can add to them without
// the add-on knowing the app: making a screen from a layout, and applying the style on
// appearance. A replacement gets the screen and runs the add-on's own steps (public below)
// where it wants them. Main thread only.
#include <functional>
#include <memory>

#include <nlohmann/json.hpp>

#include "ScriptRuntime/SharedGlobalProps.h"
#include "UIKit/UIViewController.h"

class ScreenController : public UIViewController {
public:
    using LayoutOperation = std::function<std::shared_ptr<ScreenController>(const nlohmann::json& layout, const nlohmann::json& globalProps)>;
    using StyleOperation = std::function<void(ScreenController& screen, bool appeared)>;

    // Makes a screen through the installed operation, or the add-on's own.
    static std::shared_ptr<ScreenController> controllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps);
    static std::shared_ptr<ScreenController> makeControllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps);
    // Null puts the add-on's own operation back.
    static void setLayoutOperation(LayoutOperation operation);
    static void setStyleOperation(StyleOperation operation);

    void initWithLayout_globalProps(const nlohmann::json& layout, const nlohmann::json& globalProps);
    const nlohmann::json& layout() const { return m_layout; }
    const nlohmann::json& globalProps() const { return *m_globalProps; }
    // The layout's "style" and "navigatorStyle", objects (empty when the layout has none).
    const nlohmann::json& layoutStyle() const { return m_layoutStyle; }
    const nlohmann::json& navigatorStyle() const { return m_style; }

    // Runs the installed style operation, or the add-on's own: the steps below in order.
    void applyStyleOnAppear(bool appeared);
    void applyOwnStyle(bool appeared);
    void applyBackgroundStyle();
    // Moves the tab bar down by its height when the style hides it; nothing otherwise.
    void applyTabBarStyle();
    void applyNavigationBarStyle();
    void applyStatusBarStyle();

    // The navigator style's boolean `key`; false when absent or not a boolean.
    bool styleFlag(const char* key) const;
    // The navigator style's text `key`; nullopt when absent or not a text.
    std::optional<std::string> styleText(const char* key) const;
    // The layout style's text `key`; nullopt when absent or not a text.
    std::optional<std::string> layoutStyleText(const char* key) const;

    void setPreferredStatusBarStyle(UIStatusBarStyle style);
    UIStatusBarStyle preferredStatusBarStyle() const override { return m_statusBarStyle; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidLayoutSubviews() override;

private:
    nlohmann::json m_layout;
    SharedGlobalProps::Props m_globalProps = SharedGlobalProps::empty();
    nlohmann::json m_layoutStyle = nlohmann::json::object();
    nlohmann::json m_style = nlohmann::json::object();
    UIStatusBarStyle m_statusBarStyle = UIStatusBarStyle::Default;
};
