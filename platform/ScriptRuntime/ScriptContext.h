#pragma once
// Internal to the runtime (the host uses ScriptBridge). The engine behind a ScriptBridge: one
// global context on a thread of its own (ScriptThread), with the host's console and timers, the
// launch options, and the native modules as globals.
// Its public operations may be called from any thread; they hand work to the script thread.
// Everything that touches the engine runs there. Timers are kept on the main run loop's clock
// and only their callbacks run on the script thread, so a manual clock in tests steps them.
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <JavaScriptCore/JavaScript.h>
#include <nlohmann/json.hpp>

#include "Foundation/Dispatch.h"
#include "ScriptRuntime/ScriptModule.h"
#include "ScriptRuntime/ScriptPromise.h"
#include "ScriptRuntime/ScriptThread.h"

class ScriptContext : public std::enable_shared_from_this<ScriptContext> {
public:
    struct Module {
        std::string name; // as the script sees it
        std::shared_ptr<ScriptModule> instance;
        std::vector<ScriptMethodExport> methods;
        dispatch_queue_t queue;
    };

    ScriptContext(std::vector<Module> modules, nlohmann::json launchOptions);
    ~ScriptContext();

    // Starts the script thread and builds the global context on it.
    void start();
    // Reads the bundle (a file path or file: URL) and runs it, after what is queued already.
    void runBundle(const std::string& bundleURL);
    // Runs `source` on the script thread and waits for its value as JSON (undefined gives
    // null). nullopt, with a console line, when it throws, has no JSON form, the context is
    // stopped or `timeoutSeconds` pass. On the main thread the main run loop keeps turning
    // while it waits, so modules on the main queue cannot deadlock it.
    std::optional<nlohmann::json> evaluate(const std::string& source, double timeoutSeconds);
    // Nothing queued or running on the script thread, no method call outstanding on a module
    // queue, no main-queue block waiting and no timer due on the main run loop.
    bool isIdle() const;
    // Ends running script, cancels the timers, releases every engine value, the context and
    // the modules, and waits for the script thread to end (turning the main run loop meanwhile
    // when called on the main thread). Idempotent.
    void stop();

private:
    struct PendingPromise {
        JSObjectRef resolve;
        JSObjectRef reject;
    };
    struct TimerSchedule; // shared with the main run loop's timer callbacks
    struct Timer {
        JSObjectRef callback;
        std::vector<JSValueRef> arguments;
        std::shared_ptr<TimerSchedule> schedule;
    };
    struct MethodBinding {
        ScriptContext* context;
        size_t module;
        size_t method;
    };

    // Script thread from here on.
    void setUp();
    void tearDown();
    void installConsole(JSObjectRef global);
    void installTimers(JSObjectRef global);
    void installModules(JSObjectRef global);
    void loadBundle(const std::string& bundleURL);
    std::optional<nlohmann::json> evaluateHere(const std::string& source);

    JSValueRef callMethod(const MethodBinding& binding, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    std::optional<nlohmann::json> checkedArguments(const Module& module, const ScriptMethodExport& method, size_t argc,
                                                   const JSValueRef argv[], std::string& error);
    void settle(uint64_t promiseID, ScriptPromise::Settlement settlement);
    JSObjectRef makeRejection(const ScriptPromise::Settlement& settlement);

    JSValueRef setTimer(size_t argc, const JSValueRef argv[], bool repeats, JSValueRef* exception);
    void clearTimer(size_t argc, const JSValueRef argv[]);
    void fireTimer(uint64_t timerID);
    static void scheduleTimerFire(const std::weak_ptr<ScriptContext>& context, const std::shared_ptr<TimerSchedule>& schedule,
                                  uint64_t timerID, double fireAt);
    void cancelSchedule(Timer& timer);

    void reportException(const std::string& where, JSValueRef exception);

    static JSValueRef consoleLog(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef consoleWarn(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef consoleError(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef setTimeoutCallback(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef setIntervalCallback(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef clearTimerCallback(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef unhandledRejectionCallback(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static JSValueRef methodCallback(JSContextRef, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*);
    static bool shouldTerminate(JSContextRef ctx, void* context);

    std::vector<Module> m_modules;
    const nlohmann::json m_launchOptions;
    ScriptThread m_thread;
    std::atomic<bool> m_stopping{false};

    struct GlobalContextReleaser {
        void operator()(JSGlobalContextRef context) const { JSGlobalContextRelease(context); }
    };
    struct ClassReleaser {
        void operator()(JSClassRef jsClass) const { JSClassRelease(jsClass); }
    };
    // Both are let go on the script thread, in tearDown.
    std::unique_ptr<OpaqueJSContext, GlobalContextReleaser> m_context;
    std::unique_ptr<OpaqueJSClass, ClassReleaser> m_methodClass;
    std::deque<MethodBinding> m_bindings; // stable addresses: the method functions point at them
    std::map<uint64_t, PendingPromise> m_promises;
    uint64_t m_nextPromiseID = 1;
    std::map<uint64_t, Timer> m_timers;
    uint64_t m_nextTimerID = 1;
};
