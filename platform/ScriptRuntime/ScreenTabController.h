#pragma once
// Tabs of the script's screens, made from a tab layout
//   {"type": "tabs", "initialTab": 0, "style": {...}, "children": [stack or screen layouts]}
// with its props (the layout), its children (made already), the script's global props and the
// bridge that runs the script. Its tab bar can be moved out of sight by a screen's style.
// The initialiser is replaceable, process-wide, so that an app can add to the tab controller
// without the add-on knowing the app: a replacement runs the add-on's own steps (public below)
// where it wants them. Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "ScriptRuntime/SharedGlobalProps.h"
#include "UIKit/UITabBarController.h"

class ScriptBridge;

class ScreenTabController : public UITabBarController {
public:
    using Children = std::vector<std::shared_ptr<UIViewController>>;
    using InitOperation = std::function<void(ScreenTabController& controller, const nlohmann::json& props, const Children& children,
                                             const nlohmann::json& globalProps, const std::shared_ptr<ScriptBridge>& bridge)>;

    // Runs the installed initialiser, or the add-on's own.
    void initWithProps_children_globalProps_bridge(const nlohmann::json& props, const Children& children, const nlohmann::json& globalProps,
                                                   const std::shared_ptr<ScriptBridge>& bridge);
    // Null puts the add-on's own initialiser back.
    static void setInitOperation(InitOperation operation);

    // The add-on's own initialiser: the three steps in order.
    void initOwn(const nlohmann::json& props, const Children& children, const nlohmann::json& globalProps,
                 const std::shared_ptr<ScriptBridge>& bridge);
    void storeProps_globalProps_bridge(const nlohmann::json& props, const nlohmann::json& globalProps, const std::shared_ptr<ScriptBridge>& bridge);
    // The tabs' controllers, ready to be set: every one titled for its tab.
    Children prepareTabViewControllers(const Children& children);
    // Sets the tabs and selects the props' "initialTab" (the first when absent or out of range).
    void finishInitWithTabViewControllers(const Children& tabs);

    const nlohmann::json& props() const { return m_props; }
    const nlohmann::json& globalProps() const { return *m_globalProps; }
    // The layout's "style", an object (empty when the layout has none).
    nlohmann::json style() const;
    std::shared_ptr<ScriptBridge> bridge() const { return m_bridge.lock(); }

private:
    nlohmann::json m_props;
    SharedGlobalProps::Props m_globalProps = SharedGlobalProps::empty();
    std::weak_ptr<ScriptBridge> m_bridge;
};
