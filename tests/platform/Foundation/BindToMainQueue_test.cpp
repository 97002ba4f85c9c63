// Work brought back to the main queue with its owner: it runs on the main thread, later than
// the call that posted it, and only while a weak owner lives; a shared owner is held until its
// work has run and let go on the main thread.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/NSRunLoop.h"
#include "support/ManualClockFixture.h"

namespace {

// What the work saw, kept outside the owner so that it survives the owner.
struct Log {
    std::vector<std::string> runs;
    bool allOnMainThread = true;
    bool ownerReleasedOnMainThread = false;
    int ownersReleased = 0;
};

struct Owner {
    explicit Owner(Log& log) : log(log) {}
    ~Owner()
    {
        ++log.ownersReleased;
        log.ownerReleasedOnMainThread = NSRunLoop::isMainThread();
    }
    void note(const std::string& what)
    {
        log.runs.push_back(what);
        log.allOnMainThread = log.allOnMainThread && NSRunLoop::isMainThread();
    }
    Log& log;
};

void onWorker(const std::function<void()>& call) { std::thread(call).join(); }

class BindToMainQueueTest : public ManualClockFixture {};

TEST_F(BindToMainQueueTest, WorkFromAWorkerRunsLaterOnTheMainThreadOnlyWhileItsWeakOwnerLives)
{
    const struct {
        bool ownerLivesUntilTheLoopTurns;
        std::vector<std::string> expected;
    } cases[] = {
        {true, {"posted", "bound"}},
        {false, {}}, // the owner went before its work came back: nothing runs, nothing crashes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ownerLivesUntilTheLoopTurns ? "owner lives" : "owner gone");
        Log log;
        auto owner = std::make_shared<Owner>(log);
        const std::weak_ptr<Owner> weak = owner;
        const auto handler = kvn::bindToMainQueue(weak, [](Owner& o, const std::string& what) { o.note(what); });
        onWorker([&] {
            kvn::postToMainQueue(weak, [](Owner& o) { o.note("posted"); });
            handler(std::string("bound"));
        });
        EXPECT_TRUE(log.runs.empty()) << "work waits for the main loop";
        if (!c.ownerLivesUntilTheLoopTurns)
            owner.reset();
        loop->pump();
        EXPECT_EQ(log.runs, c.expected);
        EXPECT_TRUE(log.allOnMainThread);
    }
}

TEST_F(BindToMainQueueTest, PostedWorkWaitsForTheLoopButABoundHandlerCalledOnTheMainThreadRunsAtOnce)
{
    Log log;
    auto owner = std::make_shared<Owner>(log);
    kvn::postToMainQueue(std::weak_ptr<Owner>(owner), [](Owner& o) { o.note("posted"); });
    EXPECT_TRUE(log.runs.empty()) << "posted work never runs inside the call that posts it";
    // A result already on the main queue (an HTTP answer) keeps its place: nothing that runs
    // after it, a cancellation say, can be overtaken by it.
    kvn::bindToMainQueue(std::weak_ptr<Owner>(owner), [](Owner& o) { o.note("bound"); })();
    EXPECT_EQ(log.runs, (std::vector<std::string>{"bound"}));
    auto gone = std::make_shared<Owner>(log);
    auto handler = kvn::bindToMainQueue(std::weak_ptr<Owner>(gone), [](Owner& o) { o.note("gone"); });
    gone.reset();
    handler();
    loop->pump();
    EXPECT_EQ(log.runs, (std::vector<std::string>{"bound", "posted"}));
}

TEST_F(BindToMainQueueTest, ASharedOwnerIsHeldUntilItsWorkHasRunAndReleasedOnTheMainThread)
{
    Log log;
    onWorker([&] {
        auto owner = std::make_shared<Owner>(log);
        kvn::postToMainQueue(owner, [](Owner& o) { o.note("posted"); });
        // The worker's own reference goes here; the posted block holds the owner.
    });
    EXPECT_EQ(log.ownersReleased, 0);
    loop->pump();
    EXPECT_EQ(log.runs, (std::vector<std::string>{"posted"}));
    EXPECT_EQ(log.ownersReleased, 1);
    EXPECT_TRUE(log.ownerReleasedOnMainThread);
}

TEST_F(BindToMainQueueTest, EachCallOfABoundHandlerPostsACopyOfItsArgumentsInCallOrderMoveOnlyOnesIncluded)
{
    Log log;
    auto owner = std::make_shared<Owner>(log);
    // Handlers are stored as std::function: the bound callable must be copyable.
    const std::function<void(const std::string&, std::unique_ptr<int>)> handler =
        kvn::bindToMainQueue(std::weak_ptr<Owner>(owner), [](Owner& o, const std::string& text, std::unique_ptr<int> n) {
            o.note(text + ":" + (n ? std::to_string(*n) : "null"));
        });
    onWorker([&] {
        handler("one", std::make_unique<int>(1));
        handler("two", nullptr);
    });
    onWorker([&] {
        std::string text = "three";
        handler(text, std::make_unique<int>(3));
        text = "changed after the call"; // the posted block has its own copy
    });
    loop->pump();
    EXPECT_EQ(log.runs, (std::vector<std::string>{"one:1", "two:null", "three:3"}));
}

} // namespace
