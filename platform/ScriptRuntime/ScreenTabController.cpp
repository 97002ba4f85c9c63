#include "ScriptRuntime/ScreenTabController.h"

#include "Foundation/MainThreadChecker.h"
#include "ScriptRuntime/ScriptBridge.h"

namespace {

ScreenTabController::InitOperation& initOperation()
{
    static ScreenTabController::InitOperation operation;
    return operation;
}

} // namespace

void ScreenTabController::initWithProps_children_globalProps_bridge(const nlohmann::json& props, const Children& children,
                                                                    const nlohmann::json& globalProps, const std::shared_ptr<ScriptBridge>& bridge)
{
    KVN_ASSERT_MAIN_THREAD();
    if (const auto& operation = initOperation())
        operation(*this, props, children, globalProps, bridge);
    else
        initOwn(props, children, globalProps, bridge);
}

void ScreenTabController::setInitOperation(InitOperation operation)
{
    initOperation() = std::move(operation);
}

void ScreenTabController::initOwn(const nlohmann::json& props, const Children& children, const nlohmann::json& globalProps,
                                  const std::shared_ptr<ScriptBridge>& bridge)
{
    storeProps_globalProps_bridge(props, globalProps, bridge);
    finishInitWithTabViewControllers(prepareTabViewControllers(children));
}

void ScreenTabController::storeProps_globalProps_bridge(const nlohmann::json& props, const nlohmann::json& globalProps,
                                                        const std::shared_ptr<ScriptBridge>& bridge)
{
    init();
    m_props = props;
    m_globalProps = SharedGlobalProps::share(globalProps);
    m_bridge = bridge;
}

ScreenTabController::Children ScreenTabController::prepareTabViewControllers(const Children& children)
{
    Children tabs;
    for (const auto& child : children) {
        if (!child)
            continue;
        if (!child->title())
            child->setTitle("Tab " + std::to_string(tabs.size() + 1));
        tabs.push_back(child);
    }
    return tabs;
}

void ScreenTabController::finishInitWithTabViewControllers(const Children& tabs)
{
    setViewControllers(tabs);
    auto it = m_props.is_object() ? m_props.find("initialTab") : m_props.end();
    if (m_props.is_object() && it != m_props.end() && it->is_number_integer()) {
        const auto index = it->get<long>();
        if (index >= 0 && index < static_cast<long>(tabs.size()))
            setSelectedIndex(index);
    }
}

nlohmann::json ScreenTabController::style() const
{
    if (m_props.is_object() && m_props.contains("style") && m_props["style"].is_object())
        return m_props["style"];
    return nlohmann::json::object();
}
