// The event channel against the simulated service, over a real WebSocket and real long
// polling on loopback (TLS on, the sim's test authority trusted): commands arrive in order
// and parse, a drop or a restart of the service is followed by a reconnect 2.0 s later, a
// clean close with 1000 stays closed, the keep-alive pong sets its flag, and nothing
// reconnects after closeConnection.
//
// Timers run on the manual clock: the service's side happens in real time (the tests turn the
// run loop until it has), the channel's 2.0 s are stepped. One test measures the delay on the
// real clock from the service's own record.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Foundation/NSError.h"
#include "Foundation/NSRunLoop.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNParser.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Helper/KVNSocketHandlerDelegate.h"
#include "WebSocket/WebSocket.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

using nlohmann::json;

namespace {

constexpr double kWait = 30.0; // real seconds the service side may take, generously

class RecordingDelegate : public KVNSocketHandlerDelegate {
public:
    int opens = 0;
    std::vector<std::shared_ptr<NSError>> failures;
    std::vector<std::string> messages;

    void socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>&) override {}
    void socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>&) override { ++opens; }
    void socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>&, const std::shared_ptr<NSError>& error) override
    {
        failures.push_back(error);
    }
    void socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>&, const std::string& message) override
    {
        messages.push_back(message);
    }
};

const char* transportName(long connectionType) { return connectionType == 0 ? "websocket" : "long-polling"; }

} // namespace

class EventChannelFixture : public SimFixture<ManualClockFixture> {
protected:
    virtual long connectionType() const = 0;

    void SetUp() override
    {
        SimFixture::SetUp();
        static std::atomic<int> serial{0};
        token = "CHANNEL" + std::to_string(++serial);
        KVNIdentification::resetSharedIdentification();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", token);
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setWebsocketHost(sim->baseURL());
        KVNIdentification::sharedIdentification()->setSettings(settings);

        delegate = std::make_shared<RecordingDelegate>();
        handler = std::make_shared<KVNSocketHandler>();
        handler->initWithDelegate(delegate);
        handler->setURL(KVNIdentification::sharedIdentification()->server()->webSocketURL());
        handler->setConnectionType(connectionType());
    }

    void TearDown() override
    {
        handler->closeConnection();
        loop->spin_until([this] { return sim->channelClients(token) == 0; }, kWait);
        handler.reset();
        KVNIdentification::resetSharedIdentification();
        SimFixture::TearDown();
    }

    void waitUntil(const std::function<bool()>& condition, const char* what)
    {
        ASSERT_TRUE(loop->spin_until(condition, kWait)) << "timed out waiting until " << what;
    }

    // Connects and waits until the service has the client (an open WebSocket or a waiting poll).
    void connect()
    {
        const int opens = delegate->opens;
        handler->reconnectSocket();
        waitUntil([&] { return delegate->opens == opens + 1 && sim->channelClients(token) == 1; }, "the channel is open");
    }

    // This token's connections as the service recorded them.
    json connections() const
    {
        json mine = json::array();
        for (const auto& connection : sim->channelConnections())
            if (connection.value("token", "") == token)
                mine.push_back(connection);
        return mine;
    }

    // Resets the client's connection until the channel notices. A poll whose connection was
    // reused from an earlier request is sent again once by the HTTP client when that
    // connection turns out dead before any answer; the fresh connection's reset then counts.
    void dropUntilNoticed()
    {
        waitUntil(
            [&] {
                if (handler->reconnectTimer())
                    return true;
                if (sim->channelClients(token) > 0)
                    sim->dropChannel(token);
                return false;
            },
            "the drop is noticed");
    }

    // The reconnect timer is the next one due, exactly 2.0 s from now.
    void expectReconnectDueInTwoSeconds()
    {
        ASSERT_NE(handler->reconnectTimer(), nullptr);
        double fireAt = 0;
        ASSERT_TRUE(loop->nextTimerDate(fireAt));
        EXPECT_DOUBLE_EQ(fireAt - clock->now(), 2.0);
    }

    // Steps the clock to just before and then onto the reconnect, and waits for the opening.
    void expectReconnectAfterTwoSeconds()
    {
        const auto socket = handler->socket();
        const int opens = delegate->opens;
        runFor(1.9);
        EXPECT_EQ(handler->socket(), socket) << "no attempt before 2.0 s";
        EXPECT_EQ(handler->longPollingTask(), nullptr);
        EXPECT_EQ(delegate->opens, opens);
        runFor(0.1);
        waitUntil([&] { return delegate->opens == opens + 1 && sim->channelClients(token) == 1; }, "the channel is open again");
        EXPECT_EQ(handler->reconnectTimer(), nullptr) << "the opening stops the timer";
    }

    std::string token;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<KVNSocketHandler> handler;
};

// --- Both transports ----------------------------------------------------------------------

class EventChannelTest : public EventChannelFixture, public testing::WithParamInterface<long> {
protected:
    long connectionType() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Transports, EventChannelTest, testing::Values(0L, 1L),
                         [](const testing::TestParamInfo<long>& info) { return info.param == 0 ? "WebSocket" : "LongPolling"; });

TEST_P(EventChannelTest, CommandsArriveInOrderAndParse)
{
    connect();
    EXPECT_TRUE(handler->isConnected());
    const std::vector<json> commands = {
        {{"command", "agentConnected"}},
        {{"command", "setupComplete"}},
        {{"command", "chatMessage"},
         {"data", {{"content", "Bitte halten Sie | den Ausweis"}, {"originator", "Agent|7"}, {"timestamp", "2024-05-01T10:00:00+0200"}}}},
        {{"command", "startESigning"}, {"data", {{"url", "https://sign.example/doc?id=1|2"}, {"consentProtocolVersion", "native"}}}},
        {{"command", "finished"}},
    };
    std::vector<std::string> frames;
    for (const auto& command : commands)
        frames.push_back(sim->pushCommand(token, command).frame);
    waitUntil([&] { return delegate->messages.size() >= commands.size(); }, "every command arrived");

    ASSERT_EQ(delegate->messages.size(), commands.size());
    KVNParser parser;
    for (size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(frames[i]);
        if (GetParam() == 0)
            EXPECT_EQ(delegate->messages[i], frames[i]) << "a WebSocket message reaches the driver whole";
        else
            EXPECT_EQ(delegate->messages[i], commands[i].dump()) << "a long-poll answer as its JSON text";
        EXPECT_EQ(parser.JSONFromMessage(delegate->messages[i]), commands[i]);
    }
    EXPECT_TRUE(delegate->failures.empty());
    EXPECT_EQ(delegate->opens, 1) << "the polls after the first are no new openings";
}

TEST_P(EventChannelTest, AnUncleanDropIsFollowedByAReconnectTwoSecondsLater)
{
    connect();
    dropUntilNoticed();
    // A dropped WebSocket closes (not reported); a dropped poll fails (reported).
    EXPECT_EQ(delegate->failures.size(), GetParam() == 0 ? 0u : 1u);
    expectReconnectDueInTwoSeconds();
    expectReconnectAfterTwoSeconds();

    const json record = connections();
    ASSERT_GE(record.size(), 2u) << record.dump();
    EXPECT_EQ(record[record.size() - 2]["end"], "dropped");
    EXPECT_TRUE(record.back()["end"].is_null()) << "open";
    EXPECT_EQ(record.back()["transport"], transportName(GetParam()));

    sim->pushCommand(token, {{"command", "finished"}});
    waitUntil([&] { return !delegate->messages.empty(); }, "the reconnected channel carries commands");
}

TEST_P(EventChannelTest, AServiceRestartIsRetriedEveryTwoSecondsUntilItAccepts)
{
    connect();
    sim->restartChannel(600); // down until the test brings it back
    waitUntil([&] { return handler->reconnectTimer() != nullptr; }, "the restart is noticed");
    expectReconnectDueInTwoSeconds();
    const auto timer = handler->reconnectTimer();

    for (int attempt = 1; attempt <= 2; ++attempt) {
        const size_t failures = delegate->failures.size();
        runFor(2.0);
        waitUntil([&] { return delegate->failures.size() == failures + 1; }, "the refused attempt is reported");
        EXPECT_FALSE(handler->isConnected());
        expectReconnectDueInTwoSeconds();
        // A WebSocket attempt leaves the timer running; a poll stops it as it starts (it
        // counts as an opening) and its failure starts the next one.
        if (GetParam() == 0) {
            EXPECT_EQ(handler->reconnectTimer(), timer) << "the same timer goes on";
        }
    }
    EXPECT_EQ(delegate->opens, GetParam() == 0 ? 1 : 3) << "a poll reports its opening as it starts, before the answer";

    sim->restartChannel(0);
    if (GetParam() == 0) {
        expectReconnectAfterTwoSeconds();
    } else {
        runFor(2.0);
        waitUntil([&] { return sim->channelClients(token) == 1; }, "a poll waits again");
        EXPECT_EQ(handler->reconnectTimer(), nullptr);
    }

    // The HTTP client may send a poll cut by the restart once more (refused too).
    const json record = connections();
    ASSERT_GE(record.size(), 4u) << record.dump();
    EXPECT_EQ(record[0]["end"], "restart");
    for (size_t i = 1; i + 1 < record.size(); ++i)
        EXPECT_EQ(record[i]["end"], "refused (restarting)") << record.dump();
    EXPECT_TRUE(record.back()["end"].is_null()) << "open";
}

TEST_P(EventChannelTest, NothingReconnectsAfterCloseConnection)
{
    // An open channel closed: the service sees the client go, no attempt follows.
    connect();
    handler->closeConnection();
    EXPECT_FALSE(handler->isConnected());
    waitUntil([&] { return sim->channelClients(token) == 0; }, "the service sees the client go");
    runFor(10.0);
    EXPECT_EQ(sim->pushCommand(token, {{"command", "ping"}}).delivered, 0) << "nobody listens any more";
    EXPECT_EQ(connections().size(), 1u);
    EXPECT_TRUE(delegate->failures.empty()) << "the ended connection reports nothing";
    EXPECT_TRUE(delegate->messages.empty());

    // A channel closed while it waits to reconnect.
    sim->reset();
    connect();
    dropUntilNoticed();
    const size_t seen = connections().size();
    handler->closeConnection();
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connections().size(), seen) << connections().dump();
    EXPECT_EQ(sim->channelClients(token), 0);
}

// The delay between the drop and the next connection as the service saw it, on the real
// clock: the timer's 2.0 s plus the time to notice the drop and to connect again.
TEST_P(EventChannelTest, ReconnectDelayOnTheRealClock)
{
    loop->setClock(std::make_shared<MonotonicClock>());
    connect();
    dropUntilNoticed();
    waitUntil([&] { return delegate->opens == 2 && sim->channelClients(token) == 1; }, "the channel is open again");
    const json record = connections();
    ASSERT_GE(record.size(), 2u) << record.dump();
    const json& dropped = record[record.size() - 2];
    ASSERT_EQ(dropped["end"], "dropped");
    const double delay = record.back()["openedAt"].get<double>() - dropped["closedAt"].get<double>();
    // Only the lower bound is asserted: how long noticing the drop and connecting take depends
    // on the machine, and the exact 2.0 s are checked on the manual clock above.
    EXPECT_GE(delay, 2.0);
}

// --- WebSocket only ------------------------------------------------------------------------

class EventChannelWebSocketTest : public EventChannelFixture {
protected:
    long connectionType() const override { return 0; }
};

TEST_F(EventChannelWebSocketTest, ACloseWithCode1000StaysClosedAnyOtherReconnects)
{
    connect();
    ASSERT_EQ(sim->closeChannel(token, 1001, "Going away"), 1);
    waitUntil([&] { return handler->reconnectTimer() != nullptr; }, "the close is noticed");
    expectReconnectDueInTwoSeconds();
    expectReconnectAfterTwoSeconds();

    ASSERT_EQ(sim->closeChannel(token, 1000, "done"), 1);
    waitUntil([&] { return handler->socket()->readyState() == WebSocketReadyStateClosed; }, "the close is noticed");
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connections().size(), 2u);
    EXPECT_FALSE(handler->isConnected());
    EXPECT_TRUE(delegate->failures.empty());
}

// Every handshake takes 2.5 s, longer than the 2.0 s between two attempts: the ticks that
// fall due meanwhile leave it alone, so it completes.
TEST_F(EventChannelWebSocketTest, AHandshakeSlowerThanTheReconnectIntervalStillOpens)
{
    connect();
    sim->setAnswer("GET", ".*/websocket", 0, "", -1, 2.5);
    dropUntilNoticed();
    runFor(2.0);
    const auto attempt = handler->socket();
    ASSERT_EQ(attempt->readyState(), WebSocketReadyStateConnecting);
    runFor(2.0);
    runFor(2.0);
    EXPECT_EQ(handler->socket(), attempt) << "no tick replaced the handshake under way";
    waitUntil([&] { return delegate->opens == 2; }, "the slow handshake completes");
    EXPECT_EQ(handler->reconnectTimer(), nullptr);

    const json record = connections();
    ASSERT_EQ(record.size(), 2u) << record.dump();
    EXPECT_EQ(record[0]["end"], "dropped");
    EXPECT_TRUE(record[1]["end"].is_null()) << "open";
}

TEST_F(EventChannelWebSocketTest, TheKeepAlivePongSetsTheFlag)
{
    connect();
    ASSERT_EQ(sim->sendPong(token, {9, 9, 9, 9}), 1);
    sim->pushCommand(token, {{"command", "ping"}}); // after the pong on the same connection
    waitUntil([&] { return !delegate->messages.empty(); }, "the message after the pong");
    EXPECT_FALSE(handler->PONG_RECEIVED()) << "another payload";

    ASSERT_EQ(sim->sendPong(token), 1); // 3, 1, 3, 1
    waitUntil([&] { return handler->PONG_RECEIVED(); }, "the pong sets the flag");

    // A new opening clears it.
    dropUntilNoticed();
    runFor(2.0);
    waitUntil([&] { return delegate->opens == 2; }, "the channel is open again");
    EXPECT_FALSE(handler->PONG_RECEIVED());
}

// --- Long polling only ---------------------------------------------------------------------

class EventChannelLongPollingTest : public EventChannelFixture {
protected:
    long connectionType() const override { return 1; }
};

TEST_F(EventChannelLongPollingTest, APollHeldToItsEndIsAnsweredWithPingAndTheNextPollFollows)
{
    sim->setChannelHoldSeconds(0.2);
    connect();
    waitUntil([&] { return delegate->messages.size() >= 2; }, "two held polls were answered");
    for (const auto& message : delegate->messages)
        EXPECT_EQ(message, R"({"command":"ping"})");
    EXPECT_EQ(delegate->opens, 1) << "one opening for the whole chain of polls";
    EXPECT_TRUE(delegate->failures.empty());
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    EXPECT_TRUE(handler->isConnected());
}

// A poll the service never answers (a dead connection) is given up after 90 s on the run
// loop's clock: reported as timed out, then the channel reconnects like after any failure.
TEST_F(EventChannelLongPollingTest, APollWithoutAnAnswerForNinetySecondsFailsAndTheChannelReconnects)
{
    sim->setChannelHoldSeconds(3600);
    connect();
    runFor(KVNSocketHandler::longPollingRequestTimeout - 0.1);
    EXPECT_TRUE(delegate->failures.empty());
    EXPECT_TRUE(handler->isConnected());

    runFor(0.1);
    ASSERT_EQ(delegate->failures.size(), 1u);
    EXPECT_EQ(delegate->failures[0]->domain(), NSURLErrorDomain);
    EXPECT_EQ(delegate->failures[0]->code(), NSURLErrorTimedOut);
    EXPECT_FALSE(handler->isConnected());
    expectReconnectDueInTwoSeconds();
    waitUntil([&] { return sim->channelClients(token) == 0; }, "the service sees the silent poll go");

    runFor(2.0);
    waitUntil([&] { return delegate->opens == 2 && sim->channelClients(token) == 1; }, "a new poll waits");
    EXPECT_EQ(delegate->failures.size(), 1u) << "the given-up poll reports nothing more";
}

// The service may answer a poll with every message that piled up since the last one, each
// framed with its length; the driver gets them one by one, in order, as JSON texts.
TEST_F(EventChannelLongPollingTest, AnAnswerCarryingSeveralMessagesDeliversEachInOrder)
{
    sim->setChannelBatchPolls(true);
    const std::vector<json> commands = {
        {{"command", "agentConnected"}},
        {{"command", "chatMessage"},
         {"data", {{"content", "Gr\xC3\xBC\xC3\x9F" "e | \xF0\x9F\x98\x80"}, {"originator", "Agent"}, {"timestamp", "2024-05-01T10:00:00+0200"}}}},
        {{"command", "finished"}},
    };
    for (const auto& command : commands)
        EXPECT_EQ(sim->pushCommand(token, command).delivered, 0) << "queued until the first poll";
    handler->reconnectSocket();
    waitUntil([&] { return delegate->messages.size() >= commands.size(); }, "every message of the answer arrived");

    std::vector<std::string> expected;
    for (const auto& command : commands)
        expected.push_back(command.dump());
    EXPECT_EQ(delegate->messages, expected);
    const json record = connections();
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record[0]["messages"], 3) << "one answer carried them all: " << record.dump();
    EXPECT_EQ(delegate->opens, 1);
    EXPECT_TRUE(delegate->failures.empty());
}
