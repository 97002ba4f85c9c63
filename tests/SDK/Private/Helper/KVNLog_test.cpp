#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/NSString.h"
#include "Private/Helper/KVNLog.h"

namespace {

template <class F>
std::string stderrOf(F&& write)
{
    testing::internal::CaptureStderr();
    write();
    return testing::internal::GetCapturedStderr();
}

} // namespace

TEST(KVNLog, WritesPrefixAndFormattedTextWithoutAddingANewline)
{
    EXPECT_EQ(stderrOf([] { KVNLog("abc"); }), "-> abc");
    EXPECT_EQ(stderrOf([] { KVNLog("%@ has %d items\n", std::string("cart"), 3); }), "-> cart has 3 items\n");
    EXPECT_EQ(stderrOf([] { KVNLog("token: %@\n", std::optional<std::string>()); }), "-> token: (null)\n");
}

TEST(KVNLog, ArgumentTextIsNeverReadAsAFormat)
{
    EXPECT_EQ(stderrOf([] { KVNLog("%@", std::string("100%d %s %@")); }), "-> 100%d %s %@");
    EXPECT_EQ(stderrOf([] { KVNLogLocated("/x/Handler", 1, "%@", std::string("50%s")); }), "\nKavoni (Handler:1):\n50%s\n");
}

TEST(KVNLogLocated, WritesFileNameLineAndTextEndingInOneNewline)
{
    struct Case {
        const char* file;
        int line;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"/src/SDK/Private/Handler", 12, "abc", "\nKavoni (Handler:12):\nabc\n"},          // newline appended
        {"/src/SDK/Private/Handler", 12, "abc\n", "\nKavoni (Handler:12):\nabc\n"},        // newline kept, not doubled
        {"KVNTimer.cpp", 7, "two\nlines", "\nKavoni (KVNTimer.cpp:7):\ntwo\nlines\n"},     // bare file name
        {"/a/b/KVNAlert.cpp", 0, "", "\nKavoni (KVNAlert.cpp:0):\n\n"},                    // empty format
    };
    for (const auto& c : cases)
        EXPECT_EQ(stderrOf([&] { KVNLogLocated(c.file, c.line, c.format); }), c.expected) << c.file << " " << c.format;

    EXPECT_EQ(stderrOf([] { KVNLogLocated("/x/Font.cpp", 3, "Could not find font named: %@.", std::string("Foo")); }),
              "\nKavoni (Font.cpp:3):\nCould not find font named: Foo.\n");
}

// Each call is one write: lines logged from several threads at once never mix.
TEST(KVNLog, ConcurrentCallsDoNotInterleave)
{
    constexpr int threads = 8;
    constexpr int perThread = 40;
    const std::string out = stderrOf([] {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([t] {
                for (int i = 0; i < perThread; ++i) {
                    if (i % 2)
                        KVNLog("thread %d line %d %@\n", t, i, std::string(200, 'a' + t));
                    else
                        KVNLogLocated("/x/Worker.cpp", t, "line %d %@", i, std::string(200, 'a' + t));
                }
            });
        for (auto& w : workers)
            w.join();
    });

    std::set<std::string> expected;
    for (int t = 0; t < threads; ++t)
        for (int i = 0; i < perThread; ++i)
            expected.insert(i % 2 ? NSString::stringWithFormat("-> thread %d line %d %@\n", t, i, std::string(200, 'a' + t))
                                  : NSString::stringWithFormat("\nKavoni (Worker.cpp:%d):\nline %d %@\n", t, i, std::string(200, 'a' + t)));
    size_t total = 0;
    for (const auto& piece : expected) {
        EXPECT_NE(out.find(piece), std::string::npos) << piece;
        total += piece.size();
    }
    EXPECT_EQ(out.size(), total);
}
