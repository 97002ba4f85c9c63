#include "ScriptRuntime/NavigationModule.h"

#include "Foundation/Dispatch.h"
#include "ScriptRuntime/NavigationManager.h"

namespace kvn {

namespace {

using LayoutStep = std::function<NavigationManager::LayoutError(NavigationManager&, const nlohmann::json& arguments)>;

ScriptMethodExport::Operation onMainQueue(LayoutStep step)
{
    return [step = std::move(step)](const nlohmann::json& arguments, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject) {
        dispatch_async(dispatch_get_main_queue(), [step, arguments, resolve = std::move(resolve), reject = std::move(reject)] {
            if (auto error = step(*NavigationManager::sharedInstance(), arguments))
                reject("E_LAYOUT", *error, nullptr);
            else
                resolve(true);
        });
    };
}

} // namespace

std::vector<ScriptMethodExport> NavigationModule::methodExports()
{
    return {
        {"setRoot", {ScriptArgumentType::Object},
         onMainQueue([](NavigationManager& manager, const nlohmann::json& arguments) { return manager.setRootWithLayout(arguments[0]); })},
        {"push", {ScriptArgumentType::Object},
         onMainQueue([](NavigationManager& manager, const nlohmann::json& arguments) { return manager.pushScreenWithLayout(arguments[0]); })},
        {"pop", {}, onMainQueue([](NavigationManager& manager, const nlohmann::json&) { return manager.popScreen(); })},
    };
}

} // namespace kvn
