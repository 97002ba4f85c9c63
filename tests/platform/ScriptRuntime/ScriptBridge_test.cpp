// The script bridge on the real engine: native modules and their promises, argument checks,
// method queues, console, timers on the run loop's clock, bad scripts, and stopping.
#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "Foundation/NSError.h"
#include "Foundation/NSRunLoop.h"
#include "ScriptRuntime/NavigationManager.h"
#include "ScriptRuntime/ScriptBridge.h"
#include "ScriptRuntime/ScriptModuleRegistry.h"
#include "support/ManualClockFixture.h"

using nlohmann::json;

namespace {

// Where a module's last method ran.
struct CallSite {
    bool mainThread = false;
    long threadID = 0;
    bool onDeclaredQueue = false;
};
std::mutex g_siteMutex;
CallSite g_site;
std::vector<ScriptPromiseResolveBlock> g_keptResolvers; // handlers a method keeps unsettled

void recordSite(const dispatch_queue_t& declared)
{
    std::lock_guard lock(g_siteMutex);
    g_site = CallSite{NSRunLoop::isMainThread(), static_cast<long>(::syscall(SYS_gettid)), declared && declared->isCurrent()};
}

// Exposed under its class name.
class EchoModule : public ScriptModule {
public:
    std::string moduleName() const override { return ""; }
    std::vector<ScriptMethodExport> methodExports() override
    {
        using T = ScriptArgumentType;
        return {
            {"echo", {T::Any, T::Any}, [](const json& args, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock) {
                 recordSite(nullptr);
                 resolve(args);
             }},
            {"fail", {}, [](const json&, ScriptPromiseResolveBlock, ScriptPromiseRejectBlock reject) {
                 reject("E_DENIED", "", NSError::errorWithDomain_code_userInfo("test.domain", 7, {{NSLocalizedDescriptionKey, std::string("denied")}}));
             }},
            {"explode", {}, [](const json&, ScriptPromiseResolveBlock, ScriptPromiseRejectBlock) { throw std::runtime_error("kaboom"); }},
            {"keep", {}, [](const json&, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock) {
                 std::lock_guard lock(g_siteMutex);
                 g_keptResolvers.push_back(std::move(resolve));
             }},
            {"add", {T::Number, T::Number}, [](const json& args, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject) {
                 if (args[0].is_null() || args[1].is_null())
                     return reject("E_ARGS", "two numbers please", nullptr);
                 resolve(args[0].get<double>() + args[1].get<double>());
             }, true},
        };
    }
};
SCRIPT_EXPORT_MODULE(EchoModule);

// A name of its own, a declared queue and typed arguments.
class GreeterModule : public ScriptModule {
public:
    static dispatch_queue_t queue()
    {
        static dispatch_queue_t q = dispatch_queue_create("test.greeter");
        return q;
    }
    std::string moduleName() const override { return "Greeter"; }
    dispatch_queue_t methodQueue() override { return queue(); }
    std::vector<ScriptMethodExport> methodExports() override
    {
        using T = ScriptArgumentType;
        return {{"greet", {T::String, T::Object}, [](const json& args, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock) {
                     recordSite(queue());
                     resolve("hello " + (args[0].is_string() ? args[0].get<std::string>() : std::string("nobody")));
                 }}};
    }
};
SCRIPT_EXPORT_MODULE(GreeterModule);

// Methods on the main queue: a synchronous one must not deadlock a main thread that waits.
class MainModule : public ScriptModule {
public:
    std::string moduleName() const override { return ""; }
    dispatch_queue_t methodQueue() override { return dispatch_get_main_queue(); }
    std::vector<ScriptMethodExport> methodExports() override
    {
        return {{"where", {}, [](const json&, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock) {
                     recordSite(dispatch_get_main_queue());
                     resolve(NSRunLoop::isMainThread());
                 }, true}};
    }
};
SCRIPT_EXPORT_MODULE(MainModule);

class ScriptBridgeTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        {
            std::lock_guard lock(g_siteMutex);
            g_site = {};
            g_keptResolvers.clear();
        }
        testing::internal::CaptureStderr();
        m_capturing = true;
    }

    void TearDown() override
    {
        if (bridge)
            bridge->invalidate();
        bridge.reset();
        NavigationManager::sharedInstance()->stopBridge();
        std::string output = console();
        if (HasFailure())
            std::printf("--- console ---\n%s---------------\n", output.c_str());
        {
            std::lock_guard lock(g_siteMutex);
            g_keptResolvers.clear();
        }
        ManualClockFixture::TearDown();
    }

    std::string writeBundle(const std::string& source)
    {
        auto path = tempDirectory() / "main.jsbundle";
        std::ofstream(path) << source;
        return "file://" + path.string();
    }

    // Starts a bridge on `source` and waits until the bundle has run.
    void start(const std::string& source, const json& launchOptions = json::object())
    {
        bridge = std::make_shared<ScriptBridge>();
        bridge->initWithBundleURL_launchOptions(writeBundle(source), launchOptions);
        ASSERT_TRUE(bridge->runUntilIdle());
    }

    json eval(const std::string& source)
    {
        auto value = bridge->evaluate(source);
        EXPECT_TRUE(value) << source;
        return value.value_or(json("<no value>"));
    }

    // Runs `expression` (a promise) and gives what it settles with: {"ok": value} or
    // {"error": message, "code": …, "name": …}.
    json settle(const std::string& expression)
    {
        eval("globalThis.__out = undefined; Promise.resolve().then(() => " + expression +
             ").then(v => { __out = {ok: v === undefined ? null : v}; },"
             " e => { __out = {error: String(e && e.message), name: e && e.name, code: e && e.code, domain: e && e.domain}; }); 0");
        EXPECT_TRUE(bridge->runUntilIdle());
        return eval("__out === undefined ? 'pending' : __out");
    }

    // Everything written to the console so far; ends the capture.
    std::string console()
    {
        if (m_capturing) {
            m_output = testing::internal::GetCapturedStderr();
            m_capturing = false;
        }
        return m_output;
    }

    // A fresh capture after console() ended the last one.
    void restartConsole()
    {
        console();
        testing::internal::CaptureStderr();
        m_capturing = true;
        m_output.clear();
    }

    // The script thread's id, read from the console line it writes when the bundle starts
    // ("… name[pid:tid] ScriptBridge: running …").
    long scriptThreadID()
    {
        std::string out = console();
        auto at = out.find("] ScriptBridge: running");
        auto colon = at == std::string::npos ? at : out.rfind(':', at);
        return colon == std::string::npos ? -1 : std::stol(out.substr(colon + 1, at - colon - 1));
    }

    std::shared_ptr<ScriptBridge> bridge;

private:
    bool m_capturing = false;
    std::string m_output;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(ScriptBridgeTest, ScriptAwaitsAModulePromiseResolvedOnTheModuleQueue)
{
    start(R"(
        var result = 'pending';
        (async () => { result = await EchoModule.echo('token', 42); })();
    )");
    EXPECT_EQ(eval("result"), json::array({"token", 42}));
    long scriptThread = scriptThreadID();
    std::lock_guard lock(g_siteMutex);
    EXPECT_FALSE(g_site.mainThread);
    EXPECT_GT(scriptThread, 0);
    EXPECT_NE(g_site.threadID, scriptThread);
}

TEST_F(ScriptBridgeTest, MethodsRunOnTheQueueTheModuleDeclares)
{
    start("");
    EXPECT_EQ(settle("Greeter.greet('Ann')"), json({{"ok", "hello Ann"}}));
    {
        std::lock_guard lock(g_siteMutex);
        EXPECT_TRUE(g_site.onDeclaredQueue);
    }
    // Synchronous, on the main queue, while the main thread waits in evaluate.
    EXPECT_EQ(eval("MainModule.where()"), json(true));
    std::lock_guard lock(g_siteMutex);
    EXPECT_TRUE(g_site.mainThread);
}

TEST_F(ScriptBridgeTest, ArgumentsReachTheMethodAsJSONAndComeBack)
{
    start("");
    struct Case {
        const char* script;
        json expected;
    } cases[] = {
        {"'text'", "text"},
        {"'üñí€😀'", "üñí€😀"},
        {"-7", -7},
        {"2.5", 2.5},
        {"9007199254740993", 9007199254740992LL}, // beyond exact integers: the double's value
        {"true", true},
        {"null", nullptr},
        {"undefined", nullptr},
        {"NaN", nullptr},
        {"[1, 'two', [3]]", json::array({1, "two", json::array({3})})},
        {"{a: {b: [true, null]}, skip: undefined}", json({{"a", {{"b", {true, nullptr}}}}})},
    };
    for (const auto& c : cases) {
        json out = settle(std::string("EchoModule.echo(") + c.script + ")");
        EXPECT_EQ(out, json({{"ok", json::array({c.expected, nullptr})}})) << c.script;
    }
    EXPECT_EQ(settle("EchoModule.echo()"), json({{"ok", json::array({nullptr, nullptr})}})) << "missing arguments are null";
}

TEST_F(ScriptBridgeTest, BadArgumentsAreRefusedWithAClearError)
{
    start("");
    struct Case {
        const char* call;
        const char* message;
    } cases[] = {
        {"Greeter.greet(42)", "Greeter.greet argument 1 must be a string, got a number"},
        {"Greeter.greet('a', [1])", "Greeter.greet argument 2 must be an object, got an array"},
        {"Greeter.greet('a', {}, 3)", "Greeter.greet takes 2 arguments, got 3"},
        {"EchoModule.echo(() => 1)", "EchoModule.echo argument 1 cannot be passed: a function has no JSON form"},
        {"EchoModule.echo(Symbol('s'))", "EchoModule.echo argument 1 cannot be passed: a symbol has no JSON form"},
        {"(() => { const o = {}; o.self = o; return EchoModule.echo(o); })()", "EchoModule.echo argument 1 cannot be passed: TypeError"},
        {"(() => { let v = 0; for (let i = 0; i < 20000; ++i) v = [v]; return EchoModule.echo(v); })()",
         "EchoModule.echo argument 1 cannot be passed: the value's JSON text cannot be read back: arrays and objects nested deeper than 512"},
    };
    for (const auto& c : cases) {
        json out = settle(c.call);
        ASSERT_TRUE(out.contains("error")) << c.call << " gave " << out;
        EXPECT_EQ(out["name"], "TypeError") << c.call;
        EXPECT_TRUE(contains(out["error"].get<std::string>(), c.message)) << out["error"];
        EXPECT_TRUE(contains(console(), c.message)) << c.call;
        restartConsole();
    }
    // A null argument is the script's way to pass nothing.
    EXPECT_EQ(settle("Greeter.greet(null)"), json({{"ok", "hello nobody"}}));
}

TEST_F(ScriptBridgeTest, RejectionsAndNativeExceptionsReachTheScriptAsErrors)
{
    start("");
    EXPECT_EQ(settle("EchoModule.fail()"),
              json({{"error", "denied"}, {"name", "Error"}, {"code", "E_DENIED"}, {"domain", "test.domain"}}));
    json exploded = settle("EchoModule.explode()");
    EXPECT_EQ(exploded["code"], "E_NATIVE_EXCEPTION");
    EXPECT_EQ(exploded["error"], "EchoModule.explode failed: kaboom");
    EXPECT_TRUE(contains(console(), "EchoModule.explode threw: kaboom"));
}

TEST_F(ScriptBridgeTest, SynchronousMethodsReturnOrThrowDirectly)
{
    start("");
    EXPECT_EQ(eval("EchoModule.add(2, 3.5)"), json(5.5));
    EXPECT_EQ(eval("try { EchoModule.add(1); 'returned' } catch (e) { e.code + ': ' + e.message }"), "E_ARGS: two numbers please");
    EXPECT_EQ(eval("try { EchoModule.add('1', 2); 'returned' } catch (e) { e.name }"), "TypeError");
}

TEST_F(ScriptBridgeTest, ConsoleWritesToThePlatformConsole)
{
    start(R"(
        console.log('plain', 1, true, null, undefined, {a: [1, 'x']});
        console.warn('careful');
        console.error(new TypeError('bad thing'));
        const cyclic = {}; cyclic.me = cyclic;
        console.log('cyclic', cyclic);
    )");
    std::string out = console();
    EXPECT_TRUE(contains(out, "] plain 1 true null undefined {\"a\":[1,\"x\"]}\n")) << out;
    EXPECT_TRUE(contains(out, "] [warn] careful\n")) << out;
    EXPECT_TRUE(contains(out, "] [error] TypeError: bad thing\n")) << out;
    EXPECT_TRUE(contains(out, "] cyclic [object Object]\n")) << out;
}

TEST_F(ScriptBridgeTest, TimersFireInClockOrderOnTheScriptThread)
{
    start(R"(
        var fired = [];
        setTimeout(() => fired.push('b20'), 20);
        setTimeout(() => fired.push('a10'), 10);
        setTimeout((x, y) => fired.push('a10-second:' + x + y), 10, 'p', 'q');
        setTimeout(() => fired.push('zero'));
        const dropped = setTimeout(() => fired.push('cleared'), 5);
        clearTimeout(dropped);
        let ticks = 0;
        const every = setInterval(() => { fired.push('tick' + ++ticks); if (ticks === 3) clearInterval(every); }, 15);
    )");
    EXPECT_EQ(eval("fired"), json::array({"zero"})) << "nothing else is due before the clock moves";
    runFor(0.010);
    ASSERT_TRUE(bridge->runUntilIdle());
    EXPECT_EQ(eval("fired"), json::array({"zero", "a10", "a10-second:pq"}));
    runFor(0.100);
    ASSERT_TRUE(bridge->runUntilIdle());
    EXPECT_EQ(eval("fired"), json::array({"zero", "a10", "a10-second:pq", "tick1", "b20", "tick2", "tick3"}));
}

TEST_F(ScriptBridgeTest, AnExceptionInATimerIsLoggedAndLaterTimersStillRun)
{
    start(R"(
        var after = false;
        setTimeout(function boom() { null.property; }, 1);
        setTimeout(() => { after = true; }, 2);
    )");
    runFor(0.005);
    ASSERT_TRUE(bridge->runUntilIdle());
    EXPECT_EQ(eval("after"), json(true));
    std::string out = console();
    EXPECT_TRUE(contains(out, "ScriptBridge: uncaught exception in a timeout: TypeError:")) << out;
    EXPECT_TRUE(contains(out, "main.jsbundle:3:")) << out;
}

TEST_F(ScriptBridgeTest, BadScriptsAreLoggedAndLeaveTheBridgeWorking)
{
    struct Case {
        const char* bundle;
        const char* logged;
    } cases[] = {
        {"var a = 1;\nfunction (", "uncaught exception in the bundle: SyntaxError:"},
        {"EchoModule.missing('x');", "uncaught exception in the bundle: TypeError:"},
        {"NoSuchModule.call();", "uncaught exception in the bundle: ReferenceError: Can't find variable: NoSuchModule"},
        {"(async () => { await EchoModule.fail(); })();", "unhandled promise rejection: Error: denied"},
    };
    for (const auto& c : cases) {
        start(c.bundle);
        EXPECT_EQ(eval("1 + 1"), json(2)) << c.bundle;
        bridge->invalidate();
        std::string out = console();
        EXPECT_TRUE(contains(out, std::string("ScriptBridge: ") + c.logged)) << c.bundle << "\n" << out;
        EXPECT_TRUE(contains(out, "main.jsbundle")) << out;
        restartConsole();
    }
    // A bundle that is not there, and a location that is not a file.
    for (const char* url : {"file:///nonexistent/main.jsbundle", "https://example.invalid/main.jsbundle"}) {
        bridge = std::make_shared<ScriptBridge>();
        bridge->initWithBundleURL_launchOptions(url, json::object());
        EXPECT_EQ(eval("typeof EchoModule.echo"), "function");
        bridge->invalidate();
        EXPECT_TRUE(contains(console(), "ScriptBridge: cannot ")) << url;
        restartConsole();
    }
}

TEST_F(ScriptBridgeTest, StoppingReleasesPendingWorkAndEndsARunawayScript)
{
    start(R"(
        var late = 'unset';
        EchoModule.keep().then(v => { late = v; });
        setTimeout(() => {}, 60000);
        setInterval(() => {}, 1000);
    )");
    ScriptPromiseResolveBlock kept;
    {
        std::lock_guard lock(g_siteMutex);
        ASSERT_EQ(g_keptResolvers.size(), 1u);
        kept = g_keptResolvers.front();
    }
    bridge->invalidate();
    EXPECT_FALSE(bridge->isValid());
    kept("too late"); // after the stop: nothing to settle, nothing breaks
    kept = nullptr;
    EXPECT_FALSE(bridge->evaluate("1"));
    runFor(120); // the stopped bridge's timers never fire

    // A script that never returns does not keep the bridge from stopping.
    start("");
    eval("setTimeout(() => { EchoModule.echo('looping'); for (;;) {} }, 0); 0");
    ASSERT_TRUE(loop->spin_until([] {
        std::lock_guard lock(g_siteMutex);
        return g_site.threadID != 0;
    }));
    bridge->invalidate();
    EXPECT_FALSE(bridge->isValid());
}

TEST_F(ScriptBridgeTest, NavigationManagerStartsTheBridgeWithTheLaunchOptions)
{
    auto manager = NavigationManager::sharedInstance();
    ASSERT_EQ(manager, NavigationManager::sharedInstance());
    manager->startWithBundleURL_launchOptions(writeBundle("var seen = launchOptions.token;"), json({{"token", "dev-123"}}));
    auto started = manager->bridge();
    ASSERT_TRUE(started && started->isValid());
    ASSERT_TRUE(started->runUntilIdle());
    EXPECT_EQ(started->evaluate("seen"), json("dev-123"));
    EXPECT_EQ(started->launchOptions(), json({{"token", "dev-123"}}));
    manager->stopBridge();
    EXPECT_EQ(manager->bridge(), nullptr);
    EXPECT_FALSE(started->isValid());
}

} // namespace
