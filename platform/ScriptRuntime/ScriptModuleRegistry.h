#pragma once
// The module classes of the program. Each class registers itself while the program loads:
//     SCRIPT_EXPORT_MODULE(DeviceTokenManager);   // at namespace scope in the class's .cpp
// and every bridge started later makes one instance of each. Note for static libraries: the
// linker keeps an object file only when something refers to it, so a module living alone in a
// .cpp of a static library must be referred to (or the library linked whole) to register.
// Any thread; registration normally happens before main().
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptRuntime/ScriptModule.h"

class ScriptModuleRegistry {
public:
    using Factory = std::function<std::shared_ptr<ScriptModule>()>;
    struct Entry {
        std::string className;
        Factory factory;
    };

    // Returns false (and keeps the first) when the class name is registered already.
    static bool registerModuleClass(const std::string& className, Factory factory);
    template <class T>
    static bool registerModule(const std::string& className)
    {
        return registerModuleClass(className, [] { return std::make_shared<T>(); });
    }
    // In registration order.
    static std::vector<Entry> registeredModules();
};

#define SCRIPT_EXPORT_MODULE(ClassName)                                                                                    \
    [[maybe_unused]] static const bool kScriptModuleRegistered_##ClassName =                                              \
        ::ScriptModuleRegistry::registerModule<ClassName>(#ClassName)
