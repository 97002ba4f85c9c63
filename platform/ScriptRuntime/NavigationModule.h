#pragma once
// The script's side of the navigation add-on: the module "Navigation" with setRoot(layout),
// push(layout) and pop(). Each hands the layout to the shared NavigationManager on the main
// queue and settles its promise there: resolved with true once the screens are in place,
// rejected ("E_LAYOUT") with the reason when the layout is refused. No state of its own.
// Threads: the runtime calls the methods on the module's own queue; the work runs on the main
// queue.
#include <string>
#include <vector>

#include "ScriptRuntime/ScriptModule.h"

namespace kvn {

class NavigationModule : public ScriptModule {
public:
    std::string moduleName() const override { return "Navigation"; }
    std::vector<ScriptMethodExport> methodExports() override;
};

} // namespace kvn
