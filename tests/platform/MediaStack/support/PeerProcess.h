#pragma once
// A peer of the media tests in a process of its own (a Python script run by Debian's own
// Python, where python3-aiortc lives), spoken to in JSON lines through its stdin and stdout.
// The process ends with the object. Test thread.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace media::test {

inline constexpr const char* kPython = "/usr/bin/python3";

// Whether Debian's aiortc can be imported.
inline bool aiortcAvailable() { return std::system((std::string(kPython) + " -c 'import aiortc' 2>/dev/null").c_str()) == 0; }

// The peer's process, spoken to in JSON lines through its stdin and stdout.
class PeerProcess {
public:
    explicit PeerProcess(const std::string& script)
    {
        int toChild[2];
        int fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(toChild[0], STDIN_FILENO);
            dup2(fromChild[1], STDOUT_FILENO);
            execl(kPython, kPython, script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_in = toChild[1];
        m_out = fromChild[0];
    }
    ~PeerProcess()
    {
        if (m_in >= 0)
            close(m_in);
        if (m_out >= 0)
            close(m_out);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    void write(const nlohmann::json& message)
    {
        std::string line = message.dump() + "\n";
        ASSERT_EQ(::write(m_in, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    // The next line as JSON; null when none comes within the bound.
    nlohmann::json read(double seconds = 30.0)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            if (auto end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return nlohmann::json::parse(line, nullptr, false);
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return nullptr;
            pollfd ready{m_out, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char chunk[4096];
            ssize_t got = ::read(m_out, chunk, sizeof chunk);
            if (got <= 0)
                return nullptr;
            m_buffer.append(chunk, static_cast<size_t>(got));
        }
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
};

} // namespace media::test
