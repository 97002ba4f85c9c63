// The event channel over a WebSocket whose events the test plays itself (the connections are
// made but never opened), on the manual clock: which events reach the delegate, when the
// 2.0 s reconnect timer starts, repeats and stops, the pong flag, and that nothing of a
// replaced or closed connection starts reconnecting.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSError.h"
#include "Foundation/NSTimer.h"
#include "Network/NSURLError.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Helper/KVNSocketHandlerDelegate.h"
#include "WebSocket/WebSocket.h"
#include "support/ManualClockFixture.h"

namespace {

const std::string kURL = "https://127.0.0.1:9/api/v1/identifications/TOKEN1/websocket";

// Keeps every connection it is asked to open, unopened, for the test to play.
class PlayedSocketHandler : public KVNSocketHandler {
public:
    std::vector<std::shared_ptr<WebSocket>> connections;

protected:
    void openWebSocket(const std::shared_ptr<WebSocket>& webSocket) override { connections.push_back(webSocket); }
};

class RecordingDelegate : public KVNSocketHandlerDelegate {
public:
    int opens = 0;
    int closes = 0;
    std::vector<std::shared_ptr<NSError>> failures;
    std::vector<std::string> messages;
    std::function<void()> onFailure;

    void socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>&) override { ++closes; }
    void socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>&) override { ++opens; }
    void socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>&, const std::shared_ptr<NSError>& error) override
    {
        failures.push_back(error);
        if (onFailure)
            onFailure();
    }
    void socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>&, const std::string& message) override
    {
        messages.push_back(message);
    }
};

std::shared_ptr<NSError> connectionError()
{
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = std::string("Could not connect to the server.");
    return NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, NSURLErrorCannotConnectToHost, userInfo);
}

} // namespace

class KVNSocketHandlerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        makeChannel();
    }

    // A new channel with a new delegate, its first connection made (the old one is released).
    void makeChannel()
    {
        delegate = std::make_shared<RecordingDelegate>();
        handler = std::make_shared<PlayedSocketHandler>();
        handler->initWithDelegate(delegate);
        handler->setURL(kURL);
        handler->setConnectionType(0);
        handler->reconnectSocket();
    }

    void TearDown() override
    {
        handler.reset();
        ManualClockFixture::TearDown();
    }

    std::shared_ptr<WebSocket> current() const { return handler->socket(); }
    size_t connectionCount() const { return handler->connections.size(); }
    void open() { handler->webSocketDidOpen(current()); }
    void close(long code, bool clean, std::optional<std::string> reason = std::nullopt)
    {
        handler->webSocket_didCloseWithCode_reason_wasClean(current(), code, reason, clean);
    }
    void fail() { handler->webSocket_didFailWithError(current(), connectionError()); }

    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<PlayedSocketHandler> handler;
};

TEST_F(KVNSocketHandlerTest, ReconnectReplacesTheConnection)
{
    ASSERT_EQ(connectionCount(), 1u);
    const auto first = current();
    EXPECT_EQ(first->URL(), kURL);
    EXPECT_EQ(first->delegate(), handler);
    EXPECT_FALSE(handler->isConnected()) << "not open before the open callback";

    handler->reconnectSocket();
    ASSERT_EQ(connectionCount(), 2u);
    EXPECT_NE(current(), first);
    EXPECT_EQ(first->delegate(), nullptr) << "the old connection is detached";
    EXPECT_EQ(first->readyState(), WebSocketReadyStateClosed) << "and closed";
}

TEST_F(KVNSocketHandlerTest, OpeningIsReportedAndClearsThePongFlag)
{
    handler->webSocket_didReceivePong(current(), {3, 1, 3, 1});
    ASSERT_TRUE(handler->PONG_RECEIVED());
    open();
    EXPECT_EQ(delegate->opens, 1);
    EXPECT_FALSE(handler->PONG_RECEIVED());
    EXPECT_FALSE(handler->PING_SEND());
}

TEST_F(KVNSocketHandlerTest, PongPayloads)
{
    const struct {
        const char* why;
        NSData payload;
        bool sets;
    } cases[] = {
        {"the keep-alive payload", {3, 1, 3, 1}, true},
        {"only the first four bytes count", {3, 1, 3, 1, 7, 7}, true},
        {"too short", {3, 1, 3}, false},
        {"other order", {1, 3, 1, 3}, false},
        {"empty", {}, false},
    };
    for (const auto& c : cases) {
        open(); // clears the flag
        testing::internal::CaptureStderr();
        handler->webSocket_didReceivePong(current(), c.payload);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(handler->PONG_RECEIVED(), c.sets) << c.why;
        EXPECT_EQ(log.find("--- PONG ---") != std::string::npos, c.sets) << c.why;
    }
}

TEST_F(KVNSocketHandlerTest, MessagesReachTheDelegateAsTheyCame)
{
    open();
    handler->webSocket_didReceiveMessage(current(), R"(18|{"command":"ping"})");
    handler->webSocket_didReceiveMessage(current(), "not json | at all");
    handler->webSocket_didReceiveMessageWithData(current(), {1, 2, 3});
    EXPECT_EQ(delegate->messages, (std::vector<std::string>{R"(18|{"command":"ping"})", "not json | at all"}));
}

TEST_F(KVNSocketHandlerTest, UncleanClosesReconnectEveryTwoSecondsUntilOpen)
{
    const struct {
        const char* why;
        long code;
        bool clean;
    } cases[] = {
        {"going away", 1001, true},
        {"1000 but not clean", 1000, false},
        {"dropped, no close frame", 1006, false},
        {"server error", 1011, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        makeChannel();
        open();
        close(c.code, c.clean);
        ASSERT_NE(handler->reconnectTimer(), nullptr);
        EXPECT_TRUE(delegate->failures.empty()) << "a close is not reported";
        EXPECT_EQ(delegate->closes, 0);

        runFor(1.9);
        EXPECT_EQ(connectionCount(), 1u);
        runFor(0.1);
        EXPECT_EQ(connectionCount(), 2u) << "first attempt at 2.0 s";
        fail();
        runFor(2.0);
        EXPECT_EQ(connectionCount(), 3u) << "the timer repeats while nothing opens";
        open();
        EXPECT_EQ(handler->reconnectTimer(), nullptr) << "the opening stops it";
        runFor(10.0);
        EXPECT_EQ(connectionCount(), 3u);
        EXPECT_EQ(delegate->opens, 2);
    }
}

// A slow handshake outlives the 2.0 s tick: replacing it would start it over at every tick
// and the channel would never open.
TEST_F(KVNSocketHandlerTest, AHandshakeStillUnderWayIsLeftToOpenOrFail)
{
    open();
    close(1006, false);
    runFor(2.0);
    ASSERT_EQ(connectionCount(), 2u);
    const auto attempt = current();
    runFor(4.0);
    EXPECT_EQ(current(), attempt) << "the ticks leave the handshake alone";
    EXPECT_EQ(attempt->delegate(), handler);
    ASSERT_NE(handler->reconnectTimer(), nullptr) << "but keep running";

    fail(); // the handshake gave up: the next tick tries again
    runFor(2.0);
    EXPECT_EQ(connectionCount(), 3u);
    runFor(2.0);
    EXPECT_EQ(connectionCount(), 3u);
    open();
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    EXPECT_EQ(delegate->opens, 2);
}

TEST_F(KVNSocketHandlerTest, CleanCloseWith1000StopsReconnecting)
{
    open();
    close(1006, false);
    runFor(2.0);
    ASSERT_EQ(connectionCount(), 2u);
    open();
    close(1000, true, "bye");
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connectionCount(), 2u);

    // A clean 1000 also ends a reconnect that is still running.
    handler->reconnectSocket();
    close(1011, true);
    ASSERT_NE(handler->reconnectTimer(), nullptr);
    close(1000, true);
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connectionCount(), 3u);
}

TEST_F(KVNSocketHandlerTest, FailureIsReportedAndStartsOneTimer)
{
    testing::internal::CaptureStderr();
    fail();
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(delegate->failures.size(), 1u);
    EXPECT_EQ(delegate->failures[0]->code(), NSURLErrorCannotConnectToHost);
    EXPECT_NE(log.find("WebSocket failed - error: {"), std::string::npos) << log;
    EXPECT_NE(log.find("NSLocalizedDescription = \"Could not connect to the server.\";"), std::string::npos) << log;
    const auto timer = handler->reconnectTimer();
    ASSERT_NE(timer, nullptr);

    // A second close or failure while the timer runs starts no second one.
    close(1006, false);
    fail();
    EXPECT_EQ(handler->reconnectTimer(), timer);
    EXPECT_EQ(delegate->failures.size(), 2u);
    runFor(2.0);
    EXPECT_EQ(connectionCount(), 2u) << "one attempt per tick";
    fail(); // the attempt fails too: the same timer goes on
    EXPECT_EQ(handler->reconnectTimer(), timer);
    runFor(2.0);
    EXPECT_EQ(connectionCount(), 3u);
}

TEST_F(KVNSocketHandlerTest, CloseIsLoggedWithCodeAndReason)
{
    const struct {
        long code;
        std::optional<std::string> reason;
        const char* line;
    } cases[] = {
        {1001, std::string("Going away"), "WebSocket didClose - code: 1001 reason: Going away\n"},
        {1006, std::nullopt, "WebSocket didClose - code: 1006 reason: (null)\n"},
        {1000, std::string(""), "WebSocket didClose - code: 1000 reason: \n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        handler->webSocket_didCloseWithCode_reason_wasClean(current(), c.code, c.reason, true);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
    }
}

TEST_F(KVNSocketHandlerTest, EventsOfAReplacedConnectionAreIgnored)
{
    const auto old = current();
    handler->reconnectSocket();
    handler->webSocketDidOpen(old);
    handler->webSocket_didReceiveMessage(old, "late");
    handler->webSocket_didReceivePong(old, {3, 1, 3, 1});
    handler->webSocket_didCloseWithCode_reason_wasClean(old, 1006, std::nullopt, false);
    handler->webSocket_didFailWithError(old, connectionError());
    EXPECT_EQ(delegate->opens, 0);
    EXPECT_TRUE(delegate->messages.empty());
    EXPECT_TRUE(delegate->failures.empty());
    EXPECT_FALSE(handler->PONG_RECEIVED());
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
}

TEST_F(KVNSocketHandlerTest, NothingReconnectsAfterCloseConnection)
{
    // Open channel: closed and detached; its late close or failure does nothing.
    open();
    auto old = current();
    handler->closeConnection();
    EXPECT_EQ(handler->socket(), nullptr);
    EXPECT_EQ(old->delegate(), nullptr);
    EXPECT_FALSE(handler->isConnected());
    handler->webSocket_didCloseWithCode_reason_wasClean(old, 1006, std::nullopt, false);
    handler->webSocket_didFailWithError(old, connectionError());
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connectionCount(), 1u);
    EXPECT_TRUE(delegate->failures.empty());

    // While reconnecting: the timer stops.
    handler->reconnectSocket();
    fail();
    ASSERT_NE(handler->reconnectTimer(), nullptr);
    handler->closeConnection();
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connectionCount(), 2u);
}

TEST_F(KVNSocketHandlerTest, ADelegateThatClosesOnFailureIsObeyed)
{
    delegate->onFailure = [this] { handler->closeConnection(); };
    fail();
    EXPECT_EQ(delegate->failures.size(), 1u);
    EXPECT_EQ(handler->reconnectTimer(), nullptr);
    runFor(10.0);
    EXPECT_EQ(connectionCount(), 1u);
}

TEST_F(KVNSocketHandlerTest, AReleasedChannelStopsItsTimer)
{
    fail();
    ASSERT_NE(handler->reconnectTimer(), nullptr);
    std::weak_ptr<KVNSocketHandler> weak = handler;
    handler.reset();
    EXPECT_TRUE(weak.expired()) << "the timer does not keep the channel alive";
    runFor(10.0); // and firing nothing
}
