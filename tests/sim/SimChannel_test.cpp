// The simulated service's event channel as the library's integration tests use it: long polls
// made with plain libcurl, WebSockets through a small client process, both steered through
// SimService (push, close, drop, pong, restart), and the chat endpoint's chosen failures.
#include <gtest/gtest.h>

#include <curl/curl.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/BlockingFetch.h"
#include "support/SimService.h"

extern char** environ;

namespace {

const std::string kLongPolling = "?X-Atmosphere-Transport=long-polling&X-Atmosphere-TrackMessageSize=true&X-atmo-protocol=false";
// Guards against a hang when something is broken; never a measure of speed.
constexpr auto kPatience = std::chrono::seconds(15);

using Reply = FetchReply;

Reply fetch(const std::string& method, const std::string& url, const std::string& caFile,
            const std::string& body = "")
{
    return blockingFetch({ .method = method, .url = url, .body = body, .caFile = caFile, .timeoutSeconds = 60 });
}

// The length the service writes before "|": UTF-16 code units of the JSON text.
size_t utf16Length(const std::string& utf8)
{
    size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

// A WebSocket client in a child process (Debian's Python with aiohttp, which shows pong frames
// and close frames as they arrive). It prints one JSON event a line: {"type": "open"},
// "refused" (status), "text" (data), "pong" (data: byte values), "close" (code, reason: a close
// frame came), "closed" (the connection is over). It reads commands a line: "ping 3,1,3,1".
// Closing its stdin closes the WebSocket and ends it.
constexpr const char* kClientScript = R"PY(
import asyncio, json, ssl, sys
import aiohttp

def say(**event):
    print(json.dumps(event), flush=True)

async def main(url, ca):
    loop = asyncio.get_running_loop()
    commands = asyncio.StreamReader()
    await loop.connect_read_pipe(lambda: asyncio.StreamReaderProtocol(commands), sys.stdin)
    async with aiohttp.ClientSession() as session:
        try:
            ws = await session.ws_connect(url, ssl=ssl.create_default_context(cafile=ca), autoping=False)
        except aiohttp.WSServerHandshakeError as error:
            say(type="refused", status=error.status)
            return
        say(type="open")

        async def obey():
            while line := (await commands.readline()).decode().strip():
                verb, _, argument = line.partition(" ")
                if verb == "ping":
                    await ws.ping(bytes(int(b) for b in argument.split(",")))
            await ws.close()
        obeying = asyncio.create_task(obey())
        while True:
            message = await ws.receive()
            if message.type == aiohttp.WSMsgType.TEXT:
                say(type="text", data=message.data)
            elif message.type == aiohttp.WSMsgType.PONG:
                say(type="pong", data=list(message.data))
            elif message.type == aiohttp.WSMsgType.CLOSE:
                say(type="close", code=message.data, reason=message.extra)
            elif message.type in (aiohttp.WSMsgType.CLOSED, aiohttp.WSMsgType.ERROR):
                say(type="closed")
                break
        obeying.cancel()

asyncio.run(main(sys.argv[1], sys.argv[2]))
)PY";

class WebSocketClient {
public:
    WebSocketClient(const std::string& url, const std::string& caFile)
    {
        int input[2], output[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        std::vector<std::string> args = { "/usr/bin/python3", "-c", kClientScript, url, caFile };
        std::vector<std::string> env;
        for (char** e = environ; e && *e; ++e) {
            std::string entry = *e;
            if (entry.rfind("PYTHONHOME=", 0) != 0 && entry.rfind("PYTHONPATH=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        m_input = input[1];
        m_output = output[0];
        if (spawned != 0)
            throw std::runtime_error("cannot start the WebSocket client");
    }

    ~WebSocketClient()
    {
        close(m_input); // the client closes its WebSocket and ends; it may still print meanwhile
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        close(m_output);
    }

    void command(const std::string& line)
    {
        std::string text = line + "\n";
        ASSERT_EQ(write(m_input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // The next event, or {"type": "none"} when the client ended or said nothing in time.
    nlohmann::json next()
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        size_t newline;
        while ((newline = m_buffer.find('\n')) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd fd = { m_output, POLLIN, 0 };
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                return { { "type", "none" } };
            char chunk[4096];
            ssize_t n = read(m_output, chunk, sizeof chunk);
            if (n <= 0)
                return { { "type", "none" } };
            m_buffer.append(chunk, n);
        }
        std::string line = m_buffer.substr(0, newline);
        m_buffer.erase(0, newline + 1);
        return nlohmann::json::parse(line, nullptr, false);
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffer;
};

nlohmann::json event(const std::string& type) { return { { "type", type } }; }
nlohmann::json text(const std::string& data) { return { { "type", "text" }, { "data", data } }; }

class SimChannelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sim = SimService::start(); }
    static void TearDownTestSuite() { sim.reset(); }
    void SetUp() override { sim->reset(); }

    static Reply poll(const std::string& token)
    {
        return fetch("GET", sim->channelURL(token) + kLongPolling, sim->caFile());
    }
    static std::future<Reply> pollAsync(const std::string& token)
    {
        return std::async(std::launch::async, [token] { return poll(token); });
    }
    // The sim sees a client once its handshake or poll has arrived, on the client's own thread.
    static bool waitForClients(const std::string& token, int count)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (sim->channelClients(token) != count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    static std::vector<std::string> ends(const std::string& transport)
    {
        std::vector<std::string> result;
        for (const auto& c : sim->channelConnections()) {
            if (c["transport"] == transport)
                result.push_back(c["end"].is_string() ? c["end"].get<std::string>() : "open");
        }
        return result;
    }

    static std::unique_ptr<SimService> sim;
};

std::unique_ptr<SimService> SimChannelTest::sim;

TEST_F(SimChannelTest, LongPollsGetQueuedAndWaitingMessagesFramedAndInOrder)
{
    const nlohmann::json first = { { "command", "agentConnected" } };
    // A "|" and characters outside ASCII inside the JSON: the length counts UTF-16 units.
    const nlohmann::json chat = { { "command", "chatMessage" },
                                  { "data", { { "content", "a|b ü 😀" }, { "originator", "Agent" },
                                              { "timestamp", "2024-05-01T10:00:00+0200" } } } };
    const nlohmann::json last = { { "command", "finished" } };

    auto queued = sim->pushCommand("DEV1", first);
    EXPECT_EQ(queued.delivered, 0);
    Reply answer = poll("DEV1");
    ASSERT_EQ(answer.result, CURLE_OK);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.contentType, "text/plain; charset=utf-8");
    EXPECT_EQ(answer.body, queued.frame);
    EXPECT_EQ(answer.body, "28|" + first.dump());

    auto waiting = pollAsync("DEV1");
    ASSERT_TRUE(waitForClients("DEV1", 1));
    auto pushed = sim->pushCommand("DEV1", chat);
    EXPECT_EQ(pushed.delivered, 1);
    EXPECT_EQ(sim->pushCommand("DEV1", last).delivered, 0); // between two polls: queued
    EXPECT_EQ(sim->pushCommand("DEV2", last).delivered, 0); // another token's channel

    answer = waiting.get();
    EXPECT_EQ(answer.body, pushed.frame);
    const size_t bar = answer.body.find('|');
    ASSERT_NE(bar, std::string::npos);
    const std::string json = answer.body.substr(bar + 1);
    EXPECT_EQ(answer.body.substr(0, bar), std::to_string(utf16Length(json)));
    EXPECT_EQ(nlohmann::json::parse(json), chat);
    EXPECT_EQ(poll("DEV1").body, "22|" + last.dump());

    // Without a command to push, a held poll is answered with the harmless "ping".
    sim->setChannelHoldSeconds(0.2);
    EXPECT_EQ(poll("DEV3").body, R"(18|{"command":"ping"})");
    EXPECT_EQ(ends("long-polling"), (std::vector<std::string> { "message", "message", "message", "hold time-out" }));
    EXPECT_EQ(sim->requests().size(), 0u); // the channel keeps its own record

    // Batched: a poll takes the whole queue, frame after frame; the record counts each message.
    sim->setChannelBatchPolls(true);
    std::string frames;
    for (const auto& command : { first, chat, last })
        frames += sim->pushCommand("DEV5", command).frame;
    EXPECT_EQ(poll("DEV5").body, frames);
    EXPECT_EQ(sim->channelConnections().back()["messages"], 3);

    // Reset forgets what is still queued (and the hold time: 30 s again; one message an answer).
    sim->pushRawMessage("DEV4", "no framing");
    sim->reset();
    sim->setChannelHoldSeconds(0.2);
    EXPECT_EQ(poll("DEV4").body, R"(18|{"command":"ping"})");
    sim->pushCommand("DEV6", first);
    sim->pushCommand("DEV6", last);
    EXPECT_EQ(poll("DEV6").body, "28|" + first.dump());
}

TEST_F(SimChannelTest, DropFailsTheWaitingPollAndRestartRefusesUntilItIsUp)
{
    auto waiting = pollAsync("DEV1");
    ASSERT_TRUE(waitForClients("DEV1", 1));
    EXPECT_EQ(sim->dropChannel("DEV1"), 1);
    Reply dropped = waiting.get();
    EXPECT_NE(dropped.result, CURLE_OK) << dropped.status << " " << dropped.body;
    EXPECT_EQ(sim->channelClients("DEV1"), 0);

    waiting = pollAsync("DEV1");
    ASSERT_TRUE(waitForClients("DEV1", 1));
    EXPECT_EQ(sim->restartChannel(3600), 1);
    EXPECT_NE(waiting.get().result, CURLE_OK);
    Reply refused = poll("DEV1");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(nlohmann::json::parse(refused.body)["errors"][0]["cause"], "SERVICE_UNAVAILABLE");

    sim->restartChannel(0);
    auto pushed = sim->pushCommand("DEV1", { { "command", "setupComplete" } });
    EXPECT_EQ(poll("DEV1").body, pushed.frame);
    EXPECT_EQ(ends("long-polling"),
              (std::vector<std::string> { "dropped", "restart", "refused (restarting)", "message" }));

    // A poll whose client gave up is no longer a client, and a push to it is queued, not lost.
    std::atomic<bool> giveUp = false;
    auto abandoned = std::async(std::launch::async, [&] {
        return blockingFetch({ .url = sim->channelURL("DEV5") + kLongPolling, .caFile = sim->caFile(), .abort = &giveUp }).result;
    });
    ASSERT_TRUE(waitForClients("DEV5", 1));
    giveUp = true;
    EXPECT_EQ(abandoned.get(), CURLE_ABORTED_BY_CALLBACK);
    ASSERT_TRUE(waitForClients("DEV5", 0));
    EXPECT_EQ(sim->pushCommand("DEV5", { { "command", "finished" } }).delivered, 0);
    EXPECT_EQ(poll("DEV5").body, R"(22|{"command":"finished"})");
}

TEST_F(SimChannelTest, ChannelRequestsTakeChosenAnswersAndRefuseOtherShapes)
{
    sim->setAnswer("GET", ".*/websocket", 500, SimService::errorBody("EX-1", "INTERNAL"), 1);
    EXPECT_EQ(poll("DEV1").status, 500);
    sim->pushCommand("DEV1", { { "command", "ping" } });
    EXPECT_EQ(poll("DEV1").status, 200);

    struct Case {
        const char* method;
        std::string query;
        long status;
    };
    for (const Case& c : { Case { "GET", "", 400 }, Case { "GET", "?X-Atmosphere-Transport=websocket", 400 },
                           Case { "POST", kLongPolling, 405 } }) {
        Reply reply = fetch(c.method, sim->channelURL("DEV1") + c.query, sim->caFile(), "{}");
        EXPECT_EQ(reply.status, c.status) << c.method << " " << c.query;
    }

    // Close codes a close frame may not carry are refused, before anything is closed.
    for (int code : { 999, 1005, 1006, 1015, 2000, 5000 })
        EXPECT_THROW(sim->closeChannel("DEV1", code), std::runtime_error) << code;
    EXPECT_THROW(sim->closeChannel("DEV1", 1000, std::string(124, 'x')), std::runtime_error);
    EXPECT_THROW(sim->setChannelHoldSeconds(0), std::runtime_error);
}

TEST_F(SimChannelTest, WebSocketCarriesFramesPingsPongsAndTheChosenCloseCode)
{
    auto queued = sim->pushCommand("DEV1", { { "command", "agentConnected" } });
    WebSocketClient client(sim->channelURL("DEV1"), sim->caFile());
    EXPECT_EQ(client.next(), event("open"));
    EXPECT_EQ(client.next(), text(queued.frame)); // handed over right after the handshake
    EXPECT_EQ(sim->channelClients("DEV1"), 1);

    std::vector<std::string> frames;
    for (const char* command : { "setupComplete", "finishedFace", "finishedIdFrontside" })
        frames.push_back(sim->pushCommand("DEV1", { { "command", command } }).frame);
    auto raw = sim->pushRawMessage("DEV1", "not | json");
    EXPECT_EQ(raw.frame, "not | json");
    EXPECT_EQ(raw.delivered, 1);
    for (const auto& frame : frames)
        EXPECT_EQ(client.next(), text(frame));
    EXPECT_EQ(client.next(), text("not | json"));

    // The client's ping comes back with its payload; the sim may also pong unasked.
    const nlohmann::json pong = { { "type", "pong" }, { "data", { 3, 1, 3, 1 } } };
    client.command("ping 3,1,3,1");
    EXPECT_EQ(client.next(), pong);
    EXPECT_EQ(sim->sendPong("DEV1"), 1);
    EXPECT_EQ(client.next(), pong);

    EXPECT_EQ(sim->closeChannel("DEV1", 1001, "Going away"), 1);
    EXPECT_EQ(client.next(), (nlohmann::json { { "type", "close" }, { "code", 1001 }, { "reason", "Going away" } }));
    EXPECT_EQ(client.next(), event("closed"));
    EXPECT_EQ(sim->channelClients("DEV1"), 0);
    auto record = sim->channelConnections();
    ASSERT_EQ(record.size(), 1u);
    EXPECT_EQ(record[0]["token"], "DEV1");
    EXPECT_EQ(record[0]["end"], "closed (1001)");
    EXPECT_EQ(record[0]["messages"], 5);
    EXPECT_GE(record[0]["closedAt"].get<double>(), record[0]["openedAt"].get<double>());
}

TEST_F(SimChannelTest, WebSocketDropAndRestartEndWithoutACloseFrame)
{
    {
        WebSocketClient client(sim->channelURL("DEV1"), sim->caFile());
        ASSERT_EQ(client.next(), event("open"));
        EXPECT_EQ(sim->dropChannel("DEV1"), 1);
        EXPECT_EQ(client.next(), event("closed"));
    }
    {
        WebSocketClient client(sim->channelURL("DEV1"), sim->caFile());
        ASSERT_EQ(client.next(), event("open"));
        EXPECT_EQ(sim->restartChannel(3600), 1);
        EXPECT_EQ(client.next(), event("closed"));
    }
    {
        WebSocketClient refused(sim->channelURL("DEV1"), sim->caFile());
        EXPECT_EQ(refused.next(), (nlohmann::json { { "type", "refused" }, { "status", 503 } }));
    }
    sim->restartChannel(0);
    WebSocketClient client(sim->channelURL("DEV1"), sim->caFile());
    EXPECT_EQ(client.next(), event("open"));
    EXPECT_EQ(ends("websocket"), (std::vector<std::string> { "dropped", "restart", "refused (restarting)", "open" }));
}

TEST_F(SimChannelTest, ChatSendAcceptsContentAndFailsAsChosen)
{
    const std::string path = "/api/v1/vellumbank/identifications/DEV1/chat/agent/sendMsg";
    const std::string message = R"({"content":"Hallo | Grüße"})";
    sim->setAnswer("POST", ".*/chat/agent/sendMsg", 503, SimService::errorBody("EX-1", "UNAVAILABLE"), 2);
    std::vector<long> statuses;
    for (int attempt = 0; attempt < 3; ++attempt)
        statuses.push_back(fetch("POST", sim->baseURL() + path, sim->caFile(), message).status);
    EXPECT_EQ(statuses, (std::vector<long> { 503, 503, 200 }));
    EXPECT_EQ(fetch("POST", sim->baseURL() + path, sim->caFile(), R"({"text":"x"})").status, 400);

    auto record = sim->requests();
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ(record[2]["path"], path);
    EXPECT_EQ(record[2]["json"]["content"], "Hallo | Grüße");
}

// Stopping the sim with a WebSocket and a poll connected ends both: the WebSocket with 1001.
TEST(SimChannelStop, StopsCleanlyWithClientsConnected)
{
    auto sim = SimService::start();
    WebSocketClient client(sim->channelURL("DEV1"), sim->caFile());
    ASSERT_EQ(client.next(), event("open"));
    auto waiting = std::async(std::launch::async, [url = sim->channelURL("DEV2") + kLongPolling, ca = sim->caFile()] {
        return fetch("GET", url, ca);
    });
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (sim->channelClients("DEV2") != 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    sim.reset();
    EXPECT_EQ(client.next(), (nlohmann::json { { "type", "close" }, { "code", 1001 }, { "reason", "Going away" } }));
    EXPECT_NE(waiting.get().result, CURLE_OK);
}

} // namespace
