#include "DeviceTokenManager.h"

#include "Foundation/NSUserDefaults.h"
#include "ScriptRuntime/ScriptModuleRegistry.h"

SCRIPT_EXPORT_MODULE(DeviceTokenManager);

std::vector<ScriptMethodExport> DeviceTokenManager::methodExports()
{
    return {
        // The runtime keeps the module alive while one of its calls is queued.
        {"getDeviceToken", {}, [this](const nlohmann::json&, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject) {
             findEventsWithResolver_rejecter(std::move(resolve), std::move(reject));
         }},
    };
}

void DeviceTokenManager::findEventsWithResolver_rejecter(ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject)
{
    auto token = NSUserDefaults::standardUserDefaults()->stringForKey("deviceToken");
    resolve(token && !token->empty() ? *token : std::string());
}
