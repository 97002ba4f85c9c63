// The main job's log: each write to standard error on a line of its own, the texts untouched.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "MainJobLogLines.h"

namespace {

struct Case {
    const char* why;
    std::vector<std::string> writes;
    std::string shown;
};

const Case kCases[] = {
    {"lines that end their own stay as they are", {"a\n", "b\n"}, "a\nb\n"},
    {"a message without a break gets one before the next write", {"-> Received texts", "-> Requested data"}, "-> Received texts\n-> Requested data\n"},
    {"the console's next line starts on a line of its own", {"-> Orvel: Successfully initialized", "2026-12-11 main job\n"},
     "-> Orvel: Successfully initialized\n2026-12-11 main job\n"},
    {"a write that starts with a break keeps it, and gets no second one before it", {"x\n", "\nKavoni (a.cpp:1):\ny\n"},
     "x\n\nKavoni (a.cpp:1):\ny\n"},
    {"an empty write changes nothing", {"a", "", "b"}, "a\nb\n"},
    {"a break inside a write is the write's own", {"one\ntwo", "three\n"}, "one\ntwo\nthree\n"},
};

} // namespace

TEST(LogLines, EachWriteStartsOnALineOfItsOwn)
{
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        kvn::LogLines lines;
        std::string shown;
        for (const auto& write : c.writes)
            shown += lines.forward(write);
        shown += lines.finish();
        EXPECT_EQ(shown, c.shown);
    }
}

// Through a real datagram socket, as in a run: writes that wait in the socket together are
// still told apart, and everything written before the writer closed comes through.
TEST(LogLines, TheForwarderKeepsWritesApartAndPassesOnAllOfThemUntilTheWriterCloses)
{
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    for (const char* write : {"-> first", "-> second", "third\n", "-> last"})
        ASSERT_GT(::write(ends[0], write, std::string(write).size()), 0);
    ::close(ends[0]);

    kvn::forwardLogWrites(ends[1], out[1]);
    ::close(ends[1]);
    ::close(out[1]);
    std::string shown;
    char buffer[256];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<size_t>(got));
    ::close(out[0]);
    EXPECT_EQ(shown, "-> first\n-> second\nthird\n-> last\n");
}
