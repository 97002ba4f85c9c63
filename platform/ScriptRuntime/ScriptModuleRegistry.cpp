#include "ScriptRuntime/ScriptModuleRegistry.h"

#include <mutex>

#include "Foundation/NSLog.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<ScriptModuleRegistry::Entry> entries;
};

// Built on first use: registrations run from other files' static initialisers.
Registry& registry()
{
    static Registry* shared = new Registry; // never destroyed: static destructors may still ask
    return *shared;
}

} // namespace

bool ScriptModuleRegistry::registerModuleClass(const std::string& className, Factory factory)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& entry : r.entries) {
        if (entry.className == className) {
            NSLog("ScriptBridge: the module class %@ is registered twice; the second is ignored", className);
            return false;
        }
    }
    r.entries.push_back(Entry{className, std::move(factory)});
    return true;
}

std::vector<ScriptModuleRegistry::Entry> ScriptModuleRegistry::registeredModules()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.entries;
}
