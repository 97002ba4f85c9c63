#pragma once
// The main job's log: every write to standard error on a line of its own. The library writes
// some of its messages without a line break (its texts stay as they are), so in a run they
// would follow one another on one line, and the platform console's next line would start in
// the middle of one. In main-job mode the process's standard error goes through a datagram
// socket, which keeps each write whole, to a small forwarder process that starts a new line
// before a write when the one before it left its line open. The forwarder reads until every
// writer is gone, so nothing is lost when the app ends.
#include <string>
#include <string_view>

namespace kvn {

class LogLines {
public:
    // What to pass on for one write.
    std::string forward(std::string_view write);
    // What to pass on at the end: a line break when the last write left its line open.
    std::string finish();

private:
    bool m_lineOpen = false;
};

// Reads writes (datagrams) from `from` until its peer is closed and passes them on to `to`
// through LogLines. Returns when `from` reports the end or an error.
void forwardLogWrites(int from, int to);

// Puts the forwarder between this process's standard error and where it pointed. Call it
// before any thread starts (it forks). Returns false, with standard error left as it was, when
// it could not.
bool keepLogWritesOnLinesOfTheirOwn();

} // namespace kvn
