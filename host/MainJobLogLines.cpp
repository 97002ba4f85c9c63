#include "MainJobLogLines.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kvn {

namespace {

void writeAll(int to, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(to, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

} // namespace

std::string LogLines::forward(std::string_view write)
{
    if (write.empty())
        return {};
    std::string out;
    if (m_lineOpen)
        out += '\n';
    out += write;
    m_lineOpen = write.back() != '\n';
    return out;
}

std::string LogLines::finish()
{
    const bool open = m_lineOpen;
    m_lineOpen = false;
    return open ? "\n" : "";
}

void forwardLogWrites(int from, int to)
{
    LogLines lines;
    // Larger than any write the socket's buffer lets through.
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::recv(from, buffer.data(), buffer.size(), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        writeAll(to, lines.forward(std::string_view(buffer.data(), static_cast<size_t>(got))));
    }
    writeAll(to, lines.finish());
}

bool keepLogWritesOnLinesOfTheirOwn()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // Room for the longest messages (a session description is a few kB).
    const int size = 1 << 20;
    ::setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    const int original = ::dup(STDERR_FILENO);
    const pid_t forwarder = original < 0 ? -1 : ::fork();
    if (forwarder < 0) {
        if (original >= 0)
            ::close(original);
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (forwarder == 0) {
        ::close(ends[0]);
        forwardLogWrites(ends[1], original);
        ::_exit(0);
    }
    ::close(ends[1]);
    ::close(original);
    const bool moved = ::dup2(ends[0], STDERR_FILENO) == STDERR_FILENO;
    ::close(ends[0]);
    return moved;
}

} // namespace kvn
