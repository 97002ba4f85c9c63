#include "ScriptRuntime/ScriptBridge.h"

#include "Foundation/NSLog.h"
#include "Foundation/NSRunLoop.h"
#include "ScriptRuntime/ScriptContext.h"
#include "ScriptRuntime/ScriptModuleRegistry.h"

ScriptBridge::ScriptBridge() = default;

ScriptBridge::~ScriptBridge()
{
    invalidate();
}

void ScriptBridge::initWithBundleURL_launchOptions(const std::string& bundleURL, const nlohmann::json& launchOptions)
{
    if (m_context || !m_bundleURL.empty())
        return;
    m_bundleURL = bundleURL;
    m_launchOptions = launchOptions;

    std::vector<ScriptContext::Module> modules;
    for (const auto& entry : ScriptModuleRegistry::registeredModules()) {
        std::shared_ptr<ScriptModule> instance = entry.factory ? entry.factory() : nullptr;
        if (!instance) {
            NSLog("ScriptBridge: the module class %@ made no instance", entry.className);
            continue;
        }
        ScriptContext::Module module;
        module.name = instance->moduleName().empty() ? entry.className : instance->moduleName();
        module.methods = instance->methodExports();
        module.queue = instance->methodQueue();
        if (!module.queue)
            module.queue = dispatch_queue_create(("script.module." + module.name).c_str());
        module.instance = std::move(instance);
        modules.push_back(std::move(module));
    }

    m_context = std::make_shared<ScriptContext>(std::move(modules), m_launchOptions);
    m_context->start();
    m_context->runBundle(m_bundleURL);
}

void ScriptBridge::invalidate()
{
    auto context = std::move(m_context);
    m_context = nullptr;
    if (context)
        context->stop();
}

std::optional<nlohmann::json> ScriptBridge::evaluate(const std::string& source, double timeoutSeconds)
{
    auto context = m_context;
    if (!context) {
        NSLog("ScriptBridge: cannot evaluate: the bridge is not running");
        return std::nullopt;
    }
    return context->evaluate(source, timeoutSeconds);
}

bool ScriptBridge::runUntilIdle(double timeoutSeconds)
{
    auto context = m_context;
    if (!context)
        return true;
    auto loop = NSRunLoop::mainRunLoop();
    return loop->spin_until([&] { return context->isIdle(); }, timeoutSeconds);
}
