#pragma once
// A native module the script can call: the runtime makes one instance per bridge and exposes
// it to the script as a global object named moduleName() (the registered class name when that
// is empty), with one function per exported method. Register a module class with
// SCRIPT_EXPORT_MODULE (ScriptModuleRegistry.h).
// Threads: moduleName(), methodExports() and methodQueue() are asked once, on the thread that
// starts the bridge; the methods then run on the module's method queue.
#include <string>
#include <vector>

#include "Foundation/Dispatch.h"
#include "ScriptRuntime/ScriptMethodExport.h"

class ScriptModule {
public:
    virtual ~ScriptModule() = default;

    virtual std::string moduleName() const = 0;
    virtual std::vector<ScriptMethodExport> methodExports() = 0;
    // The queue the methods run on; null (the default) asks the runtime for a serial queue of
    // the module's own.
    virtual dispatch_queue_t methodQueue() { return nullptr; }
};
