#include "ScriptRuntime/ScriptContext.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <sstream>

#include "Foundation/NSError.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSRunLoop.h"
#include "ScriptRuntime/ScriptValue.h"

// Exported by the engine's library for embedders, but not declared in its installed headers:
// the execution watchdog (so that stopping can end a script that never returns) and the
// report of promise rejections nobody handles.
extern "C" {
typedef bool (*JSShouldTerminateCallback)(JSContextRef ctx, void* context);
JS_EXPORT void JSContextGroupSetExecutionTimeLimit(JSContextGroupRef group, double limit, JSShouldTerminateCallback callback,
                                                   void* context);
JS_EXPORT void JSContextGroupClearExecutionTimeLimit(JSContextGroupRef group);
JS_EXPORT void JSGlobalContextSetUnhandledRejectionCallback(JSGlobalContextRef ctx, JSObjectRef function, JSValueRef* exception);
}

namespace {

// How long script may run at a stretch before the watchdog asks whether we are stopping.
constexpr double kWatchdogSlice = 0.1;
// setInterval never repeats faster than this, so a zero interval cannot flood the loop.
constexpr double kMinimumIntervalSeconds = 0.001;

// The context whose script thread this is: the console and timer functions find it here.
thread_local ScriptContext* t_context = nullptr;

std::string joinArguments(JSContextRef ctx, size_t argc, const JSValueRef argv[])
{
    std::string line;
    for (size_t i = 0; i < argc; ++i) {
        if (i > 0)
            line += ' ';
        line += ScriptValue::describe(ctx, argv[i]);
    }
    return line;
}

const char* typeName(const nlohmann::json& value)
{
    if (value.is_string())
        return "a string";
    if (value.is_number())
        return "a number";
    if (value.is_boolean())
        return "a boolean";
    if (value.is_array())
        return "an array";
    if (value.is_object())
        return "an object";
    return "null";
}

bool fits(ScriptArgumentType type, const nlohmann::json& value)
{
    if (value.is_null())
        return true;
    switch (type) {
    case ScriptArgumentType::Any:
        return true;
    case ScriptArgumentType::String:
        return value.is_string();
    case ScriptArgumentType::Number:
        return value.is_number();
    case ScriptArgumentType::Boolean:
        return value.is_boolean();
    case ScriptArgumentType::Object:
        return value.is_object();
    case ScriptArgumentType::Array:
        return value.is_array();
    }
    return false;
}

const char* expectedName(ScriptArgumentType type)
{
    switch (type) {
    case ScriptArgumentType::String:
        return "a string";
    case ScriptArgumentType::Number:
        return "a number";
    case ScriptArgumentType::Boolean:
        return "a boolean";
    case ScriptArgumentType::Object:
        return "an object";
    case ScriptArgumentType::Array:
        return "an array";
    case ScriptArgumentType::Any:
        break;
    }
    return "any value";
}

// A bundle location as a file path: a plain path, or a file: URL (percent escapes decoded).
std::optional<std::string> bundlePath(const std::string& bundleURL)
{
    std::string rest;
    if (bundleURL.rfind("file://", 0) == 0) {
        rest = bundleURL.substr(7);
        if (rest.rfind("localhost/", 0) == 0)
            rest = rest.substr(9);
    } else if (bundleURL.find("://") != std::string::npos) {
        return std::nullopt;
    } else {
        return bundleURL.empty() ? std::nullopt : std::optional<std::string>(bundleURL);
    }
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(rest[i + 2]))) {
            path += static_cast<char>(std::stoi(rest.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    if (path.empty())
        return std::nullopt;
    return path;
}

} // namespace

// The part of a timer the main run loop's callbacks share with the script thread.
struct ScriptContext::TimerSchedule {
    std::mutex mutex;
    bool cancelled = false;
    uint64_t runLoopTimer = 0;
    double interval = 0; // seconds; 0 for a one-shot timer
};

ScriptContext::ScriptContext(std::vector<Module> modules, nlohmann::json launchOptions)
    : m_modules(std::move(modules)), m_launchOptions(std::move(launchOptions))
{
}

// The script thread holds a reference until it ends, so by now it has torn down (or never ran).
ScriptContext::~ScriptContext() = default;

void ScriptContext::start()
{
    m_thread.start("script.js", shared_from_this());
    m_thread.post([this] { setUp(); });
}

void ScriptContext::runBundle(const std::string& bundleURL)
{
    m_thread.post([this, bundleURL] { loadBundle(bundleURL); });
}

std::optional<nlohmann::json> ScriptContext::evaluate(const std::string& source, double timeoutSeconds)
{
    if (m_thread.isCurrent())
        return evaluateHere(source);
    auto result = std::make_shared<std::promise<std::optional<nlohmann::json>>>();
    auto future = result->get_future();
    if (!m_thread.post([this, source, result] { result->set_value(evaluateHere(source)); })) {
        NSLog("ScriptBridge: cannot evaluate: the bridge is stopped");
        return std::nullopt;
    }
    // A task dropped at stop breaks the promise, which also makes the future ready.
    auto ready = [&future] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    bool done = NSRunLoop::isMainThread()
                    ? NSRunLoop::mainRunLoop()->spin_until(ready, timeoutSeconds)
                    : future.wait_for(std::chrono::duration<double>(timeoutSeconds)) == std::future_status::ready;
    if (!done) {
        NSLog("ScriptBridge: no result from the script after %.1f s", timeoutSeconds);
        return std::nullopt;
    }
    try {
        return future.get();
    } catch (const std::future_error&) {
        return std::nullopt;
    }
}

bool ScriptContext::isIdle() const
{
    if (!m_thread.isIdle())
        return false;
    auto loop = NSRunLoop::mainRunLoop();
    if (loop->hasPendingBlocks())
        return false;
    double fireAt = 0;
    return !(loop->nextTimerDate(fireAt) && fireAt <= loop->now());
}

void ScriptContext::stop()
{
    m_stopping = true; // the watchdog ends a script that is running now
    m_thread.stop([this] { tearDown(); });
    if (m_thread.isCurrent())
        return; // the thread ends after the task that asked
    if (NSRunLoop::isMainThread()) {
        // A synchronous method on the main queue may be what the script thread waits for.
        auto loop = NSRunLoop::mainRunLoop();
        while (!m_thread.hasFinished())
            loop->spin_until([this] { return m_thread.hasFinished(); }, 1.0);
    }
    m_thread.join();
}

// MARK: script thread

void ScriptContext::setUp()
{
    t_context = this;
    m_context.reset(JSGlobalContextCreate(nullptr));
    JSGlobalContextRef ctx = m_context.get();
    JSContextGroupSetExecutionTimeLimit(JSContextGetGroup(ctx), kWatchdogSlice, shouldTerminate, this);

    JSClassDefinition definition = kJSClassDefinitionEmpty;
    definition.className = "NativeMethod";
    definition.callAsFunction = methodCallback;
    m_methodClass.reset(JSClassCreate(&definition));

    JSObjectRef global = JSContextGetGlobalObject(ctx);
    installConsole(global);
    installTimers(global);
    ScriptValue::setProperty(ctx, global, "launchOptions", ScriptValue::fromJSON(ctx, m_launchOptions),
                             kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete);
    installModules(global);

    JSValueRef exception = nullptr;
    JSGlobalContextSetUnhandledRejectionCallback(ctx, JSObjectMakeFunctionWithCallback(ctx, nullptr, unhandledRejectionCallback),
                                                 &exception);
    if (exception)
        reportException("the set-up", exception);
}

void ScriptContext::tearDown()
{
    if (m_context) {
        JSGlobalContextRef ctx = m_context.get();
        for (auto& [id, timer] : m_timers) {
            cancelSchedule(timer);
            JSValueUnprotect(ctx, timer.callback);
            for (JSValueRef argument : timer.arguments)
                JSValueUnprotect(ctx, argument);
        }
        for (auto& [id, promise] : m_promises) {
            JSValueUnprotect(ctx, promise.resolve);
            JSValueUnprotect(ctx, promise.reject);
        }
        JSContextGroupClearExecutionTimeLimit(JSContextGetGroup(ctx));
        m_context.reset();
    }
    m_timers.clear();
    m_promises.clear();
    m_methodClass.reset();
    m_bindings.clear();
    m_modules.clear(); // method calls still running keep their own module reference
    t_context = nullptr;
}

void ScriptContext::installConsole(JSObjectRef global)
{
    JSGlobalContextRef ctx = m_context.get();
    JSObjectRef console = JSObjectMake(ctx, nullptr, nullptr);
    auto add = [&](const char* name, JSObjectCallAsFunctionCallback callback) {
        ScriptValue::String functionName(name);
        ScriptValue::setProperty(ctx, console, name, JSObjectMakeFunctionWithCallback(ctx, functionName.get(), callback));
    };
    add("log", consoleLog);
    add("info", consoleLog);
    add("debug", consoleLog);
    add("warn", consoleWarn);
    add("error", consoleError);
    ScriptValue::setProperty(ctx, global, "console", console);
}

void ScriptContext::installTimers(JSObjectRef global)
{
    JSGlobalContextRef ctx = m_context.get();
    auto add = [&](const char* name, JSObjectCallAsFunctionCallback callback) {
        ScriptValue::String functionName(name);
        ScriptValue::setProperty(ctx, global, name, JSObjectMakeFunctionWithCallback(ctx, functionName.get(), callback));
    };
    add("setTimeout", setTimeoutCallback);
    add("setInterval", setIntervalCallback);
    add("clearTimeout", clearTimerCallback);
    add("clearInterval", clearTimerCallback);
}

void ScriptContext::installModules(JSObjectRef global)
{
    JSGlobalContextRef ctx = m_context.get();
    JSObjectRef functionPrototype = nullptr;
    if (JSValueRef function = ScriptValue::property(ctx, global, "Function"); function && JSValueIsObject(ctx, function)) {
        JSValueRef prototype = ScriptValue::property(ctx, JSValueToObject(ctx, function, nullptr), "prototype");
        if (prototype && JSValueIsObject(ctx, prototype))
            functionPrototype = JSValueToObject(ctx, prototype, nullptr);
    }

    for (size_t m = 0; m < m_modules.size(); ++m) {
        const Module& module = m_modules[m];
        ScriptValue::String name(module.name);
        if (module.name.empty() || JSObjectHasProperty(ctx, global, name.get())) {
            NSLog("ScriptBridge: the module name \"%@\" is empty or taken; that module is not exposed", module.name);
            continue;
        }
        JSObjectRef object = JSObjectMake(ctx, nullptr, nullptr);
        for (size_t i = 0; i < module.methods.size(); ++i) {
            m_bindings.push_back(MethodBinding{this, m, i});
            JSObjectRef function = JSObjectMake(ctx, m_methodClass.get(), &m_bindings.back());
            if (functionPrototype)
                JSObjectSetPrototype(ctx, function, functionPrototype); // call, apply, bind
            ScriptValue::setProperty(ctx, object, module.methods[i].scriptName.c_str(), function,
                                     kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete);
        }
        ScriptValue::setProperty(ctx, global, module.name.c_str(), object,
                                 kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete);
    }
}

void ScriptContext::loadBundle(const std::string& bundleURL)
{
    if (!m_context)
        return;
    auto path = bundlePath(bundleURL);
    if (!path) {
        NSLog("ScriptBridge: cannot load the bundle \"%@\": only a file path or file: URL can be loaded", bundleURL);
        return;
    }
    std::ifstream in(*path, std::ios::binary);
    if (!in) {
        NSLog("ScriptBridge: cannot read the bundle at %@", *path);
        return;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    NSLog("ScriptBridge: running %@", bundleURL);
    ScriptValue::String script(source);
    ScriptValue::String sourceURL(bundleURL);
    JSValueRef exception = nullptr;
    JSEvaluateScript(m_context.get(), script.get(), nullptr, sourceURL.get(), 1, &exception);
    if (exception)
        reportException("the bundle", exception);
}

std::optional<nlohmann::json> ScriptContext::evaluateHere(const std::string& source)
{
    if (!m_context)
        return std::nullopt;
    ScriptValue::String script(source);
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(m_context.get(), script.get(), nullptr, nullptr, 1, &exception);
    if (exception) {
        reportException("evaluated script", exception);
        return std::nullopt;
    }
    std::string error;
    auto json = ScriptValue::toJSON(m_context.get(), value, &error);
    if (!json)
        NSLog("ScriptBridge: the evaluated script's value cannot be returned: %@", error);
    return json;
}

void ScriptContext::reportException(const std::string& where, JSValueRef exception)
{
    NSLog("ScriptBridge: uncaught exception in %@: %@", where, ScriptValue::describeException(m_context.get(), exception));
}

bool ScriptContext::shouldTerminate(JSContextRef ctx, void* context)
{
    auto* self = static_cast<ScriptContext*>(context);
    if (self->m_stopping)
        return true;
    // The watchdog fires once per limit: arm it again for the next stretch.
    JSContextGroupSetExecutionTimeLimit(JSContextGetGroup(ctx), kWatchdogSlice, shouldTerminate, context);
    return false;
}

// MARK: native methods

std::optional<nlohmann::json> ScriptContext::checkedArguments(const Module&, const ScriptMethodExport& method, size_t argc,
                                                              const JSValueRef argv[], std::string& error)
{
    const auto& types = method.argumentTypes;
    if (argc > types.size()) {
        error = NSString::stringWithFormat("takes %zu argument%s, got %zu", types.size(), types.size() == 1 ? "" : "s", argc);
        return std::nullopt;
    }
    nlohmann::json arguments = nlohmann::json::array();
    for (size_t i = 0; i < types.size(); ++i) {
        if (i >= argc) {
            arguments.push_back(nullptr);
            continue;
        }
        std::string why;
        auto value = ScriptValue::toJSON(m_context.get(), argv[i], &why);
        if (!value) {
            error = NSString::stringWithFormat("argument %zu cannot be passed: %@", i + 1, why);
            return std::nullopt;
        }
        if (!fits(types[i], *value)) {
            error = NSString::stringWithFormat("argument %zu must be %s, got %s", i + 1, expectedName(types[i]), typeName(*value));
            return std::nullopt;
        }
        arguments.push_back(std::move(*value));
    }
    return arguments;
}

JSValueRef ScriptContext::callMethod(const MethodBinding& binding, size_t argc, const JSValueRef argv[], JSValueRef* exception)
{
    JSGlobalContextRef ctx = m_context.get();
    if (!ctx || binding.module >= m_modules.size())
        return JSValueMakeUndefined(ctx);
    const Module& module = m_modules[binding.module];
    const ScriptMethodExport& method = module.methods[binding.method];
    const std::string label = module.name + "." + method.scriptName;

    std::string error;
    auto arguments = checkedArguments(module, method, argc, argv, error);
    if (arguments && !method.operation) {
        error = "has no native operation";
        arguments.reset();
    }
    if (!arguments) {
        NSLog("ScriptBridge: %@ %@", label, error);
        JSObjectRef typeError = ScriptValue::makeError(ctx, label + " " + error, "TypeError");
        if (method.isSynchronous) {
            *exception = typeError;
            return JSValueMakeUndefined(ctx);
        }
        JSObjectRef resolve = nullptr, reject = nullptr;
        JSObjectRef promise = JSObjectMakeDeferredPromise(ctx, &resolve, &reject, exception);
        if (!promise)
            return JSValueMakeUndefined(ctx);
        JSValueRef reason = typeError;
        JSObjectCallAsFunction(ctx, reject, nullptr, 1, &reason, nullptr);
        return promise;
    }

    if (method.isSynchronous) {
        struct Outcome {
            std::mutex mutex;
            std::optional<ScriptPromise::Settlement> settlement;
        };
        auto outcome = std::make_shared<Outcome>();
        auto handle = std::make_shared<ScriptPromise>(label, [outcome](ScriptPromise::Settlement settlement) {
            if (settlement.kind == ScriptPromise::Settlement::Kind::Abandoned)
                return;
            std::lock_guard lock(outcome->mutex);
            outcome->settlement = std::move(settlement);
        });
        std::string thrown;
        dispatch_sync(module.queue, [&] {
            try {
                method.operation(*arguments, handle->resolveBlock(), handle->rejectBlock());
            } catch (const std::exception& e) {
                thrown = e.what();
            } catch (...) {
                thrown = "unknown exception";
            }
        });
        handle.reset();
        if (!thrown.empty()) {
            NSLog("ScriptBridge: %@ threw: %@", label, thrown);
            *exception = ScriptValue::makeError(ctx, label + " failed: " + thrown);
            return JSValueMakeUndefined(ctx);
        }
        std::lock_guard lock(outcome->mutex);
        if (!outcome->settlement)
            return JSValueMakeUndefined(ctx);
        if (outcome->settlement->kind == ScriptPromise::Settlement::Kind::Rejected) {
            *exception = makeRejection(*outcome->settlement);
            return JSValueMakeUndefined(ctx);
        }
        return ScriptValue::fromJSON(ctx, outcome->settlement->value);
    }

    JSObjectRef resolve = nullptr, reject = nullptr;
    JSObjectRef promise = JSObjectMakeDeferredPromise(ctx, &resolve, &reject, exception);
    if (!promise)
        return JSValueMakeUndefined(ctx);
    JSValueProtect(ctx, resolve);
    JSValueProtect(ctx, reject);
    const uint64_t promiseID = m_nextPromiseID++;
    m_promises.emplace(promiseID, PendingPromise{resolve, reject});

    auto handle = std::make_shared<ScriptPromise>(label, [weak = weak_from_this(), promiseID](ScriptPromise::Settlement settlement) {
        auto self = weak.lock();
        if (!self)
            return;
        ScriptContext* context = self.get();
        context->m_thread.post(
            [context, promiseID, settlement = std::move(settlement)]() mutable { context->settle(promiseID, std::move(settlement)); });
    });
    m_thread.beginWork();
    dispatch_async(module.queue, [self = shared_from_this(), instance = module.instance, operation = method.operation,
                                  arguments = std::move(*arguments), handle, label]() mutable {
        try {
            operation(arguments, handle->resolveBlock(), handle->rejectBlock());
        } catch (const std::exception& e) {
            NSLog("ScriptBridge: %@ threw: %s", label, e.what());
            if (!handle->isSettled())
                handle->reject("E_NATIVE_EXCEPTION", label + " failed: " + e.what());
        } catch (...) {
            NSLog("ScriptBridge: %@ threw an unknown exception", label);
            if (!handle->isSettled())
                handle->reject("E_NATIVE_EXCEPTION", label + " failed");
        }
        // An unused handle's release is queued before the call counts as done.
        handle.reset();
        self->m_thread.endWork();
    });
    return promise;
}

void ScriptContext::settle(uint64_t promiseID, ScriptPromise::Settlement settlement)
{
    auto it = m_promises.find(promiseID);
    if (it == m_promises.end() || !m_context)
        return;
    PendingPromise promise = it->second;
    m_promises.erase(it);
    JSGlobalContextRef ctx = m_context.get();
    JSValueRef exception = nullptr;
    if (settlement.kind == ScriptPromise::Settlement::Kind::Resolved) {
        JSValueRef value = ScriptValue::fromJSON(ctx, settlement.value);
        JSObjectCallAsFunction(ctx, promise.resolve, nullptr, 1, &value, &exception);
    } else if (settlement.kind == ScriptPromise::Settlement::Kind::Rejected) {
        JSValueRef reason = makeRejection(settlement);
        JSObjectCallAsFunction(ctx, promise.reject, nullptr, 1, &reason, &exception);
    }
    JSValueUnprotect(ctx, promise.resolve);
    JSValueUnprotect(ctx, promise.reject);
    if (exception)
        reportException("a promise callback", exception);
}

JSObjectRef ScriptContext::makeRejection(const ScriptPromise::Settlement& settlement)
{
    JSGlobalContextRef ctx = m_context.get();
    std::string message = settlement.message;
    if (message.empty() && settlement.error)
        message = settlement.error->localizedDescription();
    JSObjectRef error = ScriptValue::makeError(ctx, message);
    std::string code = settlement.code;
    if (code.empty() && settlement.error)
        code = std::to_string(settlement.error->code());
    if (!code.empty())
        ScriptValue::setProperty(ctx, error, "code", ScriptValue::makeString(ctx, code));
    if (settlement.error)
        ScriptValue::setProperty(ctx, error, "domain", ScriptValue::makeString(ctx, settlement.error->domain()));
    return error;
}

// MARK: timers

JSValueRef ScriptContext::setTimer(size_t argc, const JSValueRef argv[], bool repeats, JSValueRef* exception)
{
    JSGlobalContextRef ctx = m_context.get();
    const char* name = repeats ? "setInterval" : "setTimeout";
    JSObjectRef callback = argc > 0 && JSValueIsObject(ctx, argv[0]) ? JSValueToObject(ctx, argv[0], nullptr) : nullptr;
    if (!callback || !JSObjectIsFunction(ctx, callback)) {
        *exception = ScriptValue::makeError(ctx, std::string(name) + ": the first argument must be a function", "TypeError");
        return JSValueMakeUndefined(ctx);
    }
    double milliseconds = 0;
    if (argc > 1) {
        milliseconds = JSValueToNumber(ctx, argv[1], exception);
        if (*exception)
            return JSValueMakeUndefined(ctx);
    }
    double seconds = milliseconds > 0 ? milliseconds / 1000.0 : 0.0; // NaN and negatives too
    if (repeats)
        seconds = std::max(seconds, kMinimumIntervalSeconds);

    Timer timer;
    timer.callback = callback;
    JSValueProtect(ctx, callback);
    for (size_t i = 2; i < argc; ++i) {
        timer.arguments.push_back(argv[i]);
        JSValueProtect(ctx, argv[i]);
    }
    timer.schedule = std::make_shared<TimerSchedule>();
    timer.schedule->interval = repeats ? seconds : 0.0;
    const uint64_t timerID = m_nextTimerID++;
    auto schedule = timer.schedule;
    m_timers.emplace(timerID, std::move(timer));
    scheduleTimerFire(weak_from_this(), schedule, timerID, NSRunLoop::mainRunLoop()->now() + seconds);
    return JSValueMakeNumber(ctx, static_cast<double>(timerID));
}

void ScriptContext::scheduleTimerFire(const std::weak_ptr<ScriptContext>& context, const std::shared_ptr<TimerSchedule>& schedule,
                                      uint64_t timerID, double fireAt)
{
    auto loop = NSRunLoop::mainRunLoop();
    std::lock_guard lock(schedule->mutex);
    if (schedule->cancelled)
        return;
    // The main run loop keeps the time; the callback itself runs on the script thread.
    schedule->runLoopTimer = loop->scheduleAt(fireAt, [context, schedule, timerID, fireAt] {
        auto self = context.lock();
        if (!self)
            return;
        {
            std::lock_guard lock(schedule->mutex);
            if (schedule->cancelled)
                return;
        }
        // The next round is scheduled here, on the loop's own time, so intervals keep step
        // with the clock however late the script thread runs the callback.
        if (schedule->interval > 0)
            scheduleTimerFire(context, schedule, timerID, std::max(fireAt, NSRunLoop::mainRunLoop()->now()) + schedule->interval);
        ScriptContext* raw = self.get();
        raw->m_thread.post([raw, timerID] { raw->fireTimer(timerID); });
    });
}

void ScriptContext::cancelSchedule(Timer& timer)
{
    std::lock_guard lock(timer.schedule->mutex);
    timer.schedule->cancelled = true;
    NSRunLoop::mainRunLoop()->cancelTimer(timer.schedule->runLoopTimer);
}

void ScriptContext::clearTimer(size_t argc, const JSValueRef argv[])
{
    JSGlobalContextRef ctx = m_context.get();
    if (argc < 1 || !JSValueIsNumber(ctx, argv[0]))
        return;
    double number = JSValueToNumber(ctx, argv[0], nullptr);
    if (!(number >= 1))
        return;
    auto it = m_timers.find(static_cast<uint64_t>(number));
    if (it == m_timers.end())
        return;
    cancelSchedule(it->second);
    JSValueUnprotect(ctx, it->second.callback);
    for (JSValueRef argument : it->second.arguments)
        JSValueUnprotect(ctx, argument);
    m_timers.erase(it);
}

void ScriptContext::fireTimer(uint64_t timerID)
{
    auto it = m_timers.find(timerID);
    if (it == m_timers.end() || !m_context)
        return; // cleared meanwhile
    JSGlobalContextRef ctx = m_context.get();
    const bool repeats = it->second.schedule->interval > 0;
    Timer timer = it->second;
    if (!repeats)
        m_timers.erase(it); // gone before its callback runs, as clearTimeout inside it expects
    JSValueRef exception = nullptr;
    JSObjectCallAsFunction(ctx, timer.callback, nullptr, timer.arguments.size(), timer.arguments.data(), &exception);
    if (!repeats) {
        JSValueUnprotect(ctx, timer.callback);
        for (JSValueRef argument : timer.arguments)
            JSValueUnprotect(ctx, argument);
    }
    if (exception)
        reportException(repeats ? "an interval" : "a timeout", exception);
}

// MARK: engine callbacks

JSValueRef ScriptContext::consoleLog(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*)
{
    NSLog("%@", joinArguments(ctx, argc, argv));
    return JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::consoleWarn(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*)
{
    NSLog("[warn] %@", joinArguments(ctx, argc, argv));
    return JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::consoleError(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*)
{
    NSLog("[error] %@", joinArguments(ctx, argc, argv));
    return JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::setTimeoutCallback(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[],
                                             JSValueRef* exception)
{
    return t_context ? t_context->setTimer(argc, argv, false, exception) : JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::setIntervalCallback(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[],
                                              JSValueRef* exception)
{
    return t_context ? t_context->setTimer(argc, argv, true, exception) : JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::clearTimerCallback(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[],
                                             JSValueRef*)
{
    if (t_context)
        t_context->clearTimer(argc, argv);
    return JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::unhandledRejectionCallback(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[],
                                                     JSValueRef*)
{
    // Called with (promise, reason).
    NSLog("ScriptBridge: unhandled promise rejection: %@",
          ScriptValue::describeException(ctx, argc > 1 ? argv[1] : JSValueMakeUndefined(ctx)));
    return JSValueMakeUndefined(ctx);
}

JSValueRef ScriptContext::methodCallback(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc, const JSValueRef argv[],
                                         JSValueRef* exception)
{
    auto* binding = static_cast<MethodBinding*>(JSObjectGetPrivate(function));
    if (!binding || !binding->context)
        return JSValueMakeUndefined(ctx);
    return binding->context->callMethod(*binding, argc, argv, exception);
}
