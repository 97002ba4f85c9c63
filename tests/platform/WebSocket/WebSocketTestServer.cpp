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

namespace {

void run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            text.append(buffer.data(), n);
        if (::pclose(pipe) != 0)
            throw std::runtime_error("command failed: " + command);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

TestCertificate makeTestCertificate(const std::string& directory, const std::string& name, const std::string& subjectAltName)
{
    namespace fs = std::filesystem;
    fs::create_directories(directory);
    const std::string base = (fs::path(directory) / name).string();
    TestCertificate certificate{base + "-ca.pem", base + ".pem", base + ".key"};
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    run("openssl req -x509 " + key + " -keyout '" + base + "-ca.key' -out '" + certificate.authorityFile + "' -days 2 -subj '/CN=" + name +
        " test authority' -addext 'basicConstraints=critical,CA:TRUE' -addext 'keyUsage=critical,keyCertSign,cRLSign'");
    run("openssl req " + key + " -keyout '" + certificate.keyFile + "' -out '" + base + ".csr' -subj '/CN=" + name + " server'");
    std::ofstream(base + ".ext") << "subjectAltName=" << subjectAltName << "\nbasicConstraints=CA:FALSE\n"
                                 << "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n";
    run("openssl x509 -req -in '" + base + ".csr' -CA '" + certificate.authorityFile + "' -CAkey '" + base + "-ca.key' -CAcreateserial -out '" +
        certificate.certificateFile + "' -days 2 -extfile '" + base + ".ext'");
    return certificate;
}

std::string publicKeyPinOfCertificate(const std::string& certificateFile)
{
    return "sha256//" + output("openssl x509 -in '" + certificateFile +
                               "' -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | openssl base64 -A");
}

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
