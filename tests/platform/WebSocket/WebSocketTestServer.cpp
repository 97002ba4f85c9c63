#include "WebSocketTestServer.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

extern char** environ;

WebSocketTestServer::WebSocketTestServer(const std::vector<TestCertificate>& tlsCertificates)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> arguments{"/usr/bin/python3", std::string(KVN_SOURCE_DIR) + "/tests/platform/WebSocket/websocket_test_server.py"};
    for (const auto& certificate : tlsCertificates) {
        arguments.push_back(certificate.certificateFile);
        arguments.push_back(certificate.keyFile);
    }
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("cannot start /usr/bin/python3");
    }

    // The first line tells the ports; the server prints it once it listens.
    std::string line;
    char c = 0;
    pollfd readable{pipeEnds[0], POLLIN, 0};
    while (::poll(&readable, 1, 30000) > 0 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        line.push_back(c);
    ::close(pipeEnds[0]);
    const auto ports = nlohmann::json::parse(line, nullptr, false);
    if (!ports.is_object() || !ports.contains("plain")) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        throw std::runtime_error("the WebSocket test server did not start: \"" + line + "\"");
    }
    m_plainPort = ports["plain"].get<int>();
    for (const auto& port : ports["tls"])
        m_tlsPorts.push_back(port.get<int>());
}

WebSocketTestServer::~WebSocketTestServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}
