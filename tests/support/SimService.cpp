#include "SimService.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <strings.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/BlockingFetch.h"

extern char** environ;

namespace {

// Debian's interpreter: python3-aiohttp loads only there, not under another python3 on PATH.
constexpr const char* kPython = "/usr/bin/python3";
constexpr int kStartTimeoutMs = 30000;
constexpr auto kStopGrace = std::chrono::seconds(5);

std::string simDir()
{
    if (const char* dir = std::getenv("KVN_SIM_DIR"); dir && *dir)
        return dir;
#ifdef KVN_SIM_DIR
    return KVN_SIM_DIR;
#else
    throw std::runtime_error("SimService: set KVN_SIM_DIR to the sim/ folder");
#endif
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error("SimService: " + what);
}

// The child's environment: ours, without what would point Debian's interpreter elsewhere.
std::vector<std::string> childEnvironment()
{
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("PYTHONHOME=", 0) == 0 || entry.rfind("PYTHONPATH=", 0) == 0)
            continue;
        env.push_back(std::move(entry));
    }
    env.push_back("PYTHONDONTWRITEBYTECODE=1");
    env.push_back("PYTHONUNBUFFERED=1");
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

int waitForExit(pid_t pid, std::chrono::milliseconds grace)
{
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    while (true) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return done == pid ? status : -1;
        if (std::chrono::steady_clock::now() >= deadline)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void runCertificateScript(const std::string& dir)
{
    std::vector<std::string> args = { "/bin/bash", dir + "/make-certs.sh" };
    auto argv = pointers(args);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        fail("cannot run " + args[1]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(args[1] + " failed");
}

} // namespace

std::unique_ptr<SimService> SimService::start(const std::string& certificatesDirectory)
{
    const std::string dir = simDir();
    runCertificateScript(dir);

    int lifeline[2];
    int output[2];
    if (pipe2(lifeline, O_CLOEXEC) != 0)
        fail(std::string("pipe: ") + std::strerror(errno));
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(lifeline[0]);
        close(lifeline[1]);
        fail(std::string("pipe: ") + std::strerror(errno));
    }

    std::vector<std::string> args = { kPython, "-m", "kavoni_sim", "--port", "0", "--stop-on-stdin-eof" };
    if (!certificatesDirectory.empty()) {
        args.push_back("--certs");
        args.push_back(certificatesDirectory);
    }
    std::vector<std::string> env = childEnvironment();
    auto argv = pointers(args);
    auto envp = pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, lifeline[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, kPython, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(lifeline[0]);
    close(output[1]);
    if (spawned != 0) {
        close(lifeline[1]);
        close(output[0]);
        fail(std::string("cannot start ") + kPython + ": " + std::strerror(spawned));
    }

    std::unique_ptr<SimService> sim(new SimService());
    sim->m_pid = pid;
    sim->m_lifeline = lifeline[1];

    // The sim prints "PORT <n>" once it listens; everything else it says goes to stderr.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            close(output[0]);
            fail("the sim did not report its port in time");
        }
        pollfd fd = { output[0], POLLIN, 0 };
        int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        char buffer[256];
        ssize_t n = ready > 0 ? read(output[0], buffer, sizeof buffer) : 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 && ready != 0) {
            close(output[0]);
            fail("the sim exited before it listened (see its log above)");
        }
        line.append(buffer, n > 0 ? n : 0);
    }
    close(output[0]);
    if (line.rfind("PORT ", 0) != 0 || std::atoi(line.c_str() + 5) <= 0)
        fail("unexpected first line from the sim: " + line);
    sim->m_port = std::atoi(line.c_str() + 5);
    return sim;
}

SimService::~SimService()
{
    stop();
}

void SimService::stop()
{
    if (m_pid <= 0)
        return;
    close(m_lifeline);
    m_lifeline = -1;
    kill(m_pid, SIGTERM);
    if (waitForExit(m_pid, kStopGrace) == -2) {
        kill(m_pid, SIGKILL);
        waitForExit(m_pid, kStopGrace);
    }
    m_pid = -1;
}

std::string SimService::baseURL() const
{
    return "https://127.0.0.1:" + std::to_string(m_port);
}

std::string SimService::caFile() const
{
    return simDir() + "/certs/ca.pem";
}

std::string SimService::control(const std::string& method, const std::string& path,
                                const std::string& body) const
{
    FetchReply reply = blockingFetch({ .method = method, .url = baseURL() + path, .body = body, .caFile = caFile() });
    if (reply.result != CURLE_OK)
        fail(method + " " + path + ": " + curl_easy_strerror(reply.result));
    if (reply.status != 200)
        fail(method + " " + path + " answered " + std::to_string(reply.status) + ": " + reply.body);
    return reply.body;
}

void SimService::setAnswer(const std::string& method, const std::string& pathRegex, int status,
                           const std::string& body, int count, double delaySeconds,
                           const std::string& contentType)
{
    nlohmann::json rule = {
        { "method", method },
        { "path", pathRegex },
        { "status", status },
        { "body", body },
        { "count", count },
        { "delay", delaySeconds },
        { "contentType", contentType },
    };
    control("POST", "/__sim/answers", rule.dump());
}

void SimService::reset()
{
    control("POST", "/__sim/reset", "{}");
}

nlohmann::json SimService::requests() const
{
    return nlohmann::json::parse(control("GET", "/__sim/requests", ""));
}

std::string SimService::channelURL(const std::string& token) const
{
    return baseURL() + "/api/v1/identifications/" + token + "/websocket";
}

nlohmann::json SimService::channel(const std::string& action, const nlohmann::json& body) const
{
    return nlohmann::json::parse(control("POST", "/__sim/channel/" + action, body.dump()));
}

SimService::ChannelPush SimService::pushCommand(const std::string& token, const nlohmann::json& command)
{
    auto answer = channel("push", { { "token", token }, { "command", command } });
    return { answer.at("frame").get<std::string>(), answer.at("delivered").get<int>() };
}

SimService::ChannelPush SimService::pushRawMessage(const std::string& token, const std::string& text)
{
    auto answer = channel("push", { { "token", token }, { "raw", text } });
    return { answer.at("frame").get<std::string>(), answer.at("delivered").get<int>() };
}

int SimService::closeChannel(const std::string& token, int code, const std::string& reason)
{
    return channel("close", { { "token", token }, { "code", code }, { "reason", reason } }).at("closed").get<int>();
}

int SimService::dropChannel(const std::string& token)
{
    return channel("drop", { { "token", token } }).at("dropped").get<int>();
}

int SimService::sendPong(const std::string& token, const std::vector<unsigned char>& payload)
{
    return channel("pong", { { "token", token }, { "payload", payload } }).at("sent").get<int>();
}

int SimService::restartChannel(double downSeconds)
{
    return channel("restart", { { "downSeconds", downSeconds } }).at("dropped").get<int>();
}

void SimService::setChannelHoldSeconds(double seconds)
{
    channel("config", { { "holdSeconds", seconds } });
}

void SimService::setChannelBatchPolls(bool on)
{
    channel("config", { { "batchPolls", on } });
}

int SimService::channelClients(const std::string& token) const
{
    auto state = nlohmann::json::parse(control("GET", "/__sim/channel", ""));
    auto clients = state.at("clients").find(token);
    if (clients == state.at("clients").end())
        return 0;
    return clients->at("webSocket").get<int>() + clients->at("longPolling").get<int>();
}

nlohmann::json SimService::channelConnections() const
{
    return nlohmann::json::parse(control("GET", "/__sim/channel", "")).at("connections");
}

nlohmann::json SimService::videoConference(const std::string& session) const
{
    const auto links = nlohmann::json::parse(control("GET", "/__sim/video", "")).at("links");
    for (auto link = links.rbegin(); link != links.rend(); ++link) {
        if (session.empty() || link->at("session") == session)
            return *link;
    }
    return nullptr;
}

int SimService::dropVideoLink(const std::string& session)
{
    const nlohmann::json body = session.empty() ? nlohmann::json::object() : nlohmann::json { { "session", session } };
    return nlohmann::json::parse(control("POST", "/__sim/video/drop", body.dump())).at("dropped").get<int>();
}

int SimService::setVideoLoss(double percent, const std::string& session)
{
    nlohmann::json body = { { "percent", percent } };
    if (!session.empty())
        body["session"] = session;
    return nlohmann::json::parse(control("POST", "/__sim/video/loss", body.dump())).at("links").get<int>();
}

void SimService::setVideoFault(VideoFault fault, int count, int status, double delaySeconds, const std::string& session)
{
    static const char* const kNames[] = { "refuse", "notJson", "notSdp", "delay" };
    nlohmann::json body = { { "fault", kNames[static_cast<int>(fault)] }, { "count", count }, { "status", status } };
    if (fault == VideoFault::Delay)
        body["seconds"] = delaySeconds;
    if (!session.empty())
        body["session"] = session;
    control("POST", "/__sim/video/answer", body.dump());
}

void SimService::setAgentScript(const std::string& token, const std::optional<std::string>& script, double waitSeconds)
{
    const nlohmann::json body = { { "token", token }, { "script", script ? nlohmann::json(*script) : nlohmann::json(nullptr) },
                                  { "waitSeconds", waitSeconds } };
    control("POST", "/__sim/agent/script", body.dump());
}

nlohmann::json SimService::agentProgress(const std::string& token) const
{
    const auto identifications = nlohmann::json::parse(control("GET", "/__sim/agent", "")).at("identifications");
    // Identifications are kept under the internal token.
    for (const auto& key : { token, token + "-INT" }) {
        auto found = identifications.find(key);
        if (found != identifications.end())
            return *found;
    }
    return nullptr;
}

bool SimService::restartChannelAtSafePoint(const std::string& token, double downSeconds)
{
    const nlohmann::json body = { { "token", token }, { "downSeconds", downSeconds } };
    return nlohmann::json::parse(control("POST", "/__sim/agent/restartChannel", body.dump())).at("scheduled").get<bool>();
}

std::string SimService::errorBody(const std::string& id, const std::string& cause)
{
    return nlohmann::json { { "errors", nlohmann::json::array({ { { "id", id }, { "cause", cause } } }) } }.dump();
}

std::optional<std::string> SimService::header(const nlohmann::json& request, const std::string& name)
{
    auto headers = request.find("headers");
    if (headers == request.end() || !headers->is_object())
        return std::nullopt;
    for (auto it = headers->begin(); it != headers->end(); ++it) {
        if (it.key().size() == name.size() && strcasecmp(it.key().c_str(), name.c_str()) == 0
            && it.value().is_string())
            return it.value().get<std::string>();
    }
    return std::nullopt;
}
