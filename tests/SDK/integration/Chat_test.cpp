// The chat store against the simulated service: the user's messages go out through the REST
// client (a failed send is sent again 1.0 s later until it goes through, on the manual clock),
// invalidation gives up what is still on its way with the callback run once, and the agent's
// messages come in over the event channel, listed by date and counted while no chat screen
// is open.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Foundation/NSRunLoop.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KVNParser.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Helper/KVNSocketHandlerDelegate.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

using nlohmann::json;

namespace {

constexpr double kWait = 30.0;
const std::string kToken = "DEV0001";
const std::string kChatPath = "/api/v1/vellumbank/identifications/DEV0001/chat/agent/sendMsg";

// What the session driver does with the channel's "chatMessage" commands, and nothing else.
class ChatRelay : public KVNSocketHandlerDelegate {
public:
    explicit ChatRelay(std::shared_ptr<KVNMessageProvider> provider) : m_provider(std::move(provider)) {}

    void socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>&) override {}
    void socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>&) override { opened = true; }
    void socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>&, const std::shared_ptr<NSError>&) override {}
    void socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>&, const std::string& text) override
    {
        const auto json = KVNParser().JSONFromMessage(text);
        if (!json || json->value("command", "") != "chatMessage")
            return;
        auto message = std::make_shared<KVNMessage>();
        message->initWithDictionary(json->value("data", nlohmann::json::object()));
        message->setRemote(true);
        m_provider->didReceiveRemoteMessage(message);
        ++relayed;
    }

    bool opened = false;
    int relayed = 0;

private:
    std::shared_ptr<KVNMessageProvider> m_provider;
};

class ChatScreen : public KVNMessageProviderDelegate {
public:
    std::vector<std::string> received;
    void messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>&, const std::shared_ptr<KVNMessage>& message) override
    {
        received.push_back(message->text());
    }
};

} // namespace

class ChatTest : public SimFixture<ManualClockFixture> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        KVNIdentification::resetSharedIdentification();
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", kToken);
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setWebsocketHost(sim->baseURL());
        auto ident = KVNIdentification::sharedIdentification();
        ident->setSettings(settings);
        ident->server()->setShortName("vellumbank");
        // The shared manager outlives suites (one process runs them all): bind it to this one's.
        KVNRequestManager::sharedManager()->setIdent(ident);
        provider = std::make_shared<KVNMessageProvider>();
        provider->init();
    }

    void TearDown() override
    {
        provider->invalidate();
        auto manager = KVNRequestManager::sharedManager();
        manager->cancelTasks();
        loop->spin_until([&] { return manager->managerJSONHTTP()->tasks().empty(); }, kWait);
        manager->setIdent(nullptr);
        provider.reset();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture::TearDown();
    }

    void waitUntil(const std::function<bool()>& condition, const char* what)
    {
        ASSERT_TRUE(loop->spin_until(condition, kWait)) << "timed out waiting until " << what;
    }

    // The chat sends the service received, oldest first.
    static json chatRequests()
    {
        json sends = json::array();
        for (const auto& request : sim->requests())
            if (request["path"] == kChatPath)
                sends.push_back(request);
        return sends;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNMessageProvider> provider;
};

TEST_F(ChatTest, AFailedSendIsSentAgainOneSecondLaterUntilItGoesThrough)
{
    sim->setAnswer("POST", ".*/chat/agent/sendMsg", 503, SimService::errorBody("EX-1", "SERVICE_UNAVAILABLE"), 2);
    int callbacks = 0;
    const auto message = provider->sendText_callback("Ist das | so richtig?", [&](const std::shared_ptr<KVNMessage>& sent) {
        ++callbacks;
        EXPECT_TRUE(sent->sent());
    });
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), "Ist das | so richtig?");
    EXPECT_FALSE(message->remote());
    EXPECT_FALSE(message->sent());
    EXPECT_TRUE(message->date().has_value());
    ASSERT_EQ(provider->messages().size(), 1u);
    EXPECT_EQ(provider->messages()[0], message);

    for (int failure = 1; failure <= 2; ++failure) {
        SCOPED_TRACE(failure);
        waitUntil([&] { return provider->pendingResendCount() == 1; }, "the failure is answered");
        EXPECT_EQ(chatRequests().size(), static_cast<size_t>(failure));
        double fireAt = 0;
        ASSERT_TRUE(loop->nextTimerDate(fireAt));
        EXPECT_DOUBLE_EQ(fireAt - clock->now(), 1.0);
        runFor(0.9);
        EXPECT_EQ(provider->pendingResendCount(), 1u) << "not before 1.0 s";
        EXPECT_EQ(chatRequests().size(), static_cast<size_t>(failure)) << "not before 1.0 s";
        runFor(0.1);
        // The service sees the resend; its answer may already be back (and, for a failure,
        // have scheduled the next resend), so the record is what tells.
        waitUntil([&] { return chatRequests().size() == static_cast<size_t>(failure) + 1; }, "sent again");
    }
    waitUntil([&] { return callbacks == 1; }, "the third send goes through");
    EXPECT_TRUE(message->sent());

    const json sends = chatRequests();
    ASSERT_EQ(sends.size(), 3u) << sends.dump();
    const int statuses[] = {503, 503, 200};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sends[i]["status"], statuses[i]);
        EXPECT_EQ(sends[i]["json"], json({{"content", "Ist das | so richtig?"}}));
    }
    runFor(5.0);
    EXPECT_EQ(callbacks, 1) << "the callback runs once";
    EXPECT_EQ(chatRequests().size(), 3u);
}

TEST_F(ChatTest, InvalidateGivesUpWhatIsStillOnItsWay)
{
    sim->setAnswer("POST", ".*/chat/agent/sendMsg", 503, SimService::errorBody("EX-1", "SERVICE_UNAVAILABLE"));

    // Waiting for its resend: given up at once, the callback runs now.
    int waitingCallbacks = 0;
    const auto waiting = provider->sendText_callback("eins", [&](const auto&) { ++waitingCallbacks; });
    waitUntil([&] { return provider->pendingResendCount() == 1; }, "the failure is answered");

    // Under way: the sim holds the answer for a second.
    sim->setAnswer("POST", ".*/chat/agent/sendMsg", 503, "", 1, 1.0);
    int underWayCallbacks = 0;
    const auto underWay = provider->sendText_callback("zwei", [&](const auto&) { ++underWayCallbacks; });
    waitUntil([&] { return chatRequests().size() == 2; }, "the second send reaches the service");

    provider->invalidate();
    EXPECT_TRUE(provider->invalidated());
    EXPECT_EQ(waitingCallbacks, 1);
    EXPECT_EQ(underWayCallbacks, 1);
    EXPECT_TRUE(waiting->sent());
    EXPECT_TRUE(underWay->sent());
    EXPECT_EQ(provider->pendingResendCount(), 0u);

    auto manager = KVNRequestManager::sharedManager();
    waitUntil([&] { return manager->managerJSONHTTP()->tasks().empty(); }, "the late answer arrives");
    runFor(5.0);
    EXPECT_EQ(waitingCallbacks, 1) << "the late failure changes nothing";
    EXPECT_EQ(underWayCallbacks, 1);
    EXPECT_EQ(chatRequests().size(), 2u) << "no resend after invalidate";

    // A send after the end still goes out once; its failure marks it sent.
    int lateCallbacks = 0;
    const auto late = provider->sendText_callback("drei", [&](const auto&) { ++lateCallbacks; });
    waitUntil([&] { return lateCallbacks == 1; }, "the late send fails");
    EXPECT_TRUE(late->sent());
    runFor(5.0);
    EXPECT_EQ(chatRequests().size(), 3u);
    EXPECT_EQ(provider->messages().size(), 3u) << "the messages stay";
}

TEST_F(ChatTest, AgentMessagesFromTheChannelAreListedByDateAndCounted)
{
    std::vector<std::pair<long, long>> counts;
    auto observation = provider->observeNewMessagesCount([&](long oldValue, long newValue) { counts.emplace_back(oldValue, newValue); });

    auto relay = std::make_shared<ChatRelay>(provider);
    auto channel = std::make_shared<KVNSocketHandler>();
    channel->initWithDelegate(relay);
    channel->setURL(KVNIdentification::sharedIdentification()->server()->webSocketURL());
    channel->setConnectionType(0);
    channel->reconnectSocket();
    waitUntil([&] { return relay->opened && sim->channelClients(kToken) == 1; }, "the channel is open");

    auto agent = [](const std::string& content, const std::string& timestamp) {
        json data = {{"content", content}, {"originator", "Agent"}};
        if (!timestamp.empty())
            data["timestamp"] = timestamp;
        return json{{"command", "chatMessage"}, {"data", data}};
    };
    sim->pushCommand(kToken, agent("later", "2024-05-01T10:05:00+0200"));
    sim->pushCommand(kToken, agent("earlier", "2024-05-01T10:00:00+0200"));
    sim->pushCommand(kToken, agent("undated", ""));
    waitUntil([&] { return relay->relayed == 3; }, "three agent messages arrived");
    const auto own = provider->sendText_callback("meine Antwort", nullptr);

    std::vector<std::string> order;
    for (const auto& message : provider->messages())
        order.push_back(message->text());
    EXPECT_EQ(order, (std::vector<std::string>{"undated", "earlier", "later", "meine Antwort"}));
    EXPECT_TRUE(provider->messages()[1]->remote());
    EXPECT_FALSE(own->remote());
    EXPECT_EQ(provider->newMessagesCount(), 3);

    // The chat screen opens: the count goes back to 0 and the screen hears of the next one.
    auto screen = std::make_shared<ChatScreen>();
    provider->setDelegate(screen);
    sim->pushCommand(kToken, agent("while open", "2024-05-01T10:10:00+0200"));
    waitUntil([&] { return relay->relayed == 4; }, "the fourth agent message arrived");
    EXPECT_EQ(screen->received, (std::vector<std::string>{"while open"}));
    EXPECT_EQ(counts, (std::vector<std::pair<long, long>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}));

    channel->closeConnection();
    waitUntil([&] { return sim->channelClients(kToken) == 0; }, "the channel is closed");
}
