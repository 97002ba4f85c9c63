#pragma once
// The script's access to the push device token: the module "DeviceTokenManager" with one
// method, "getDeviceToken", which resolves with the token AppDelegate stored in the user
// defaults, or with "" while none has arrived. It never rejects. No state of its own.
// Threads: the runtime calls the method on the module's own queue; the user defaults may be
// read from any thread.
#include <string>
#include <vector>

#include "ScriptRuntime/ScriptModule.h"
#include "ScriptRuntime/ScriptPromise.h"

class DeviceTokenManager : public ScriptModule {
public:
    // Empty: the script sees the module under its class name.
    std::string moduleName() const override { return ""; }
    std::vector<ScriptMethodExport> methodExports() override;

    // "getDeviceToken".
    void findEventsWithResolver_rejecter(ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject);
};
