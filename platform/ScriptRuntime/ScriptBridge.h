#pragma once
// The script runtime as the host sees it: started from a bundle URL (a file path or file: URL of
// "main.jsbundle") and the launch options, it runs the bundle on a thread of its own with the
// registered native modules as globals, the launch options as the global `launchOptions`, and a
// console and timers from the host. Timers keep the main run loop's time and fire as it turns
// (their callbacks run on the script thread). Errors in the script are written to the console;
// they never stop the bridge or the host.
// Threads: made, started and stopped on the main thread (stopping also works from others);
// evaluate() from any thread but the script's own waits for the script.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class ScriptContext;

class ScriptBridge {
public:
    ScriptBridge();
    // Stops the bridge.
    ~ScriptBridge();
    ScriptBridge(const ScriptBridge&) = delete;
    ScriptBridge& operator=(const ScriptBridge&) = delete;

    // Makes one instance of every registered module, starts the script thread and runs the
    // bundle there. Once only; later calls are ignored.
    void initWithBundleURL_launchOptions(const std::string& bundleURL, const nlohmann::json& launchOptions);

    const std::string& bundleURL() const { return m_bundleURL; }
    const nlohmann::json& launchOptions() const { return m_launchOptions; }
    // Started and not stopped.
    bool isValid() const { return m_context != nullptr; }

    // Stops the bridge: ends a script that is running, cancels its timers, settles nothing more,
    // releases the engine and the modules and waits for the script thread to end.
    void invalidate();

    // For tests and tools: runs `source` after everything queued for the script and returns its
    // value as JSON (undefined gives null); nullopt, with a console line, when it throws or has
    // no JSON form, or the bridge is stopped.
    std::optional<nlohmann::json> evaluate(const std::string& source, double timeoutSeconds = 10.0);
    // For tests, on the main thread: turns the main run loop until the script has nothing left
    // to do now: no task queued, no module method outstanding, no main-queue block, no timer due.
    // Timers not yet due are not waited for (a test steps the clock for them). False when that
    // does not happen within `timeoutSeconds`.
    bool runUntilIdle(double timeoutSeconds = 10.0);

private:
    std::string m_bundleURL;
    nlohmann::json m_launchOptions;
    std::shared_ptr<ScriptContext> m_context;
};
