// The chat store without the service: date order of both sides, the count of agent messages
// while no chat screen is open and its observers, and the message itself (agent message
// objects, balloon colour, text form). Sending and resending run against the simulated service
// in tests/SDK/integration/Chat_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"
#include "support/ManualClockFixture.h"

using json = JSONValue;
using Date = KVNMessage::Date;

namespace {

Date utc(long long secondsSinceEpoch) { return Date(std::chrono::seconds(secondsSinceEpoch)); }

std::shared_ptr<KVNMessage> remoteMessage(const json& data)
{
    auto message = std::make_shared<KVNMessage>();
    message->initWithDictionary(data);
    message->setRemote(true);
    return message;
}

class RecordingDelegate : public KVNMessageProviderDelegate {
public:
    std::vector<std::shared_ptr<KVNMessage>> received;
    void messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>&, const std::shared_ptr<KVNMessage>& message) override
    {
        received.push_back(message);
    }
};

std::vector<std::string> texts(const KVNMessageProvider& provider)
{
    std::vector<std::string> out;
    for (const auto& message : provider.messages())
        out.push_back(message->text());
    return out;
}

} // namespace

class KVNMessageProviderTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        provider = std::make_shared<KVNMessageProvider>();
        provider->init();
    }
    void TearDown() override
    {
        KavoniAppearance::resetSharedAppearanceForTesting();
        ManualClockFixture::TearDown();
    }

    std::shared_ptr<KVNMessageProvider> provider;
};

TEST_F(KVNMessageProviderTest, AgentMessagesAreListedByDate)
{
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "second"}, {"timestamp", "2024-05-01T10:00:00+0200"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "first"}, {"timestamp", "2024-05-01T07:59:00Z"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "third"}, {"timestamp", "2024-05-01T10:00:00+0100"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "undated"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "third too"}, {"timestamp", "2024-05-01T09:00:00Z"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "undated too"}, {"timestamp", "yesterday"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "far ahead"}, {"timestamp", "3000-01-01T00:00:00Z"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "long ago"}, {"timestamp", "1500-01-01T00:00:00Z"}}));
    EXPECT_EQ(texts(*provider),
              (std::vector<std::string>{"undated", "undated too", "long ago", "first", "second", "third", "third too", "far ahead"}))
        << "ascending by time (zones honoured, beyond the clock's range too), undated first, equal times in arrival order";
}

TEST_F(KVNMessageProviderTest, NewMessagesAreCountedWhileNoDelegateIsSet)
{
    std::vector<std::pair<long, long>> changes;
    auto observation = provider->observeNewMessagesCount([&](long oldValue, long newValue) { changes.emplace_back(oldValue, newValue); });

    provider->didReceiveRemoteMessage(remoteMessage({{"content", "a"}}));
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "b"}}));
    EXPECT_EQ(provider->newMessagesCount(), 2);

    auto delegate = std::make_shared<RecordingDelegate>();
    provider->setDelegate(delegate);
    EXPECT_EQ(provider->newMessagesCount(), 0) << "opening the chat resets the count";
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "c"}}));
    ASSERT_EQ(delegate->received.size(), 1u);
    EXPECT_EQ(delegate->received[0]->text(), "c");
    EXPECT_EQ(provider->newMessagesCount(), 0);

    provider->didReceiveRemoteMessage(remoteMessage({{"content", "d"}}));
    provider->setDelegate({});
    EXPECT_EQ(provider->newMessagesCount(), 0) << "clearing the delegate leaves the count";
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "e"}}));
    EXPECT_EQ(provider->newMessagesCount(), 1);

    // A chat screen that went away counts as none.
    auto gone = std::make_shared<RecordingDelegate>();
    provider->setDelegate(gone);
    gone.reset();
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "f"}}));
    EXPECT_EQ(provider->newMessagesCount(), 1);

    EXPECT_EQ(changes, (std::vector<std::pair<long, long>>{{0, 1}, {1, 2}, {2, 0}, {0, 1}, {1, 0}, {0, 1}}));
    observation.reset();
    provider->didReceiveRemoteMessage(remoteMessage({{"content", "g"}}));
    EXPECT_EQ(changes.size(), 6u) << "a released observation hears nothing";
}

TEST(KVNMessageTest, AgentMessageObjects)
{
    const struct {
        const char* why;
        json data;
        std::string text;
        std::optional<std::string> originator;
        std::optional<Date> date;
    } cases[] = {
        {"all members", {{"content", "Hallo"}, {"originator", "Agent 7"}, {"timestamp", "2024-05-01T10:00:00+0200"}}, "Hallo",
         "Agent 7", utc(1714550400)},
        {"zone with a colon", {{"timestamp", "2024-05-01T10:00:00+02:00"}}, "", std::nullopt, utc(1714550400)},
        {"zone Z", {{"timestamp", "2024-05-01T08:00:00Z"}}, "", std::nullopt, utc(1714550400)},
        {"no zone", {{"timestamp", "2024-05-01T10:00:00"}}, "", std::nullopt, std::nullopt},
        {"trailing text", {{"timestamp", "2024-05-01T10:00:00+0200 tomorrow"}}, "", std::nullopt, std::nullopt},
        {"no such month", {{"timestamp", "2024-13-01T10:00:00+0200"}}, "", std::nullopt, std::nullopt},
        {"a number is no time", {{"timestamp", 1714550400}}, "", std::nullopt, std::nullopt},
        {"members of other kinds count as missing", {{"content", 5}, {"originator", json::array()}}, "", std::nullopt, std::nullopt},
        {"not an object", json::array({"content", "x"}), "", std::nullopt, std::nullopt},
        {"a bar in the text", {{"content", "a|b"}}, "a|b", std::nullopt, std::nullopt},
        // The clock holds 1677 to 2262 only.
        {"after the clock's range: its last moment", {{"timestamp", "3000-01-01T00:00:00Z"}}, "", std::nullopt,
         std::chrono::floor<std::chrono::milliseconds>(Date::max())},
        {"before it: its first moment", {{"timestamp", "1500-01-01T00:00:00Z"}}, "", std::nullopt,
         std::chrono::ceil<std::chrono::milliseconds>(Date::min())},
        {"the largest year the format reads", {{"timestamp", "9999-12-31T23:59:59Z"}}, "", std::nullopt,
         std::chrono::floor<std::chrono::milliseconds>(Date::max())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        KVNMessage message;
        message.initWithDictionary(c.data);
        EXPECT_EQ(message.text(), c.text);
        EXPECT_EQ(message.originator(), c.originator);
        EXPECT_EQ(message.date(), c.date);
        EXPECT_FALSE(message.remote());
        EXPECT_FALSE(message.sent());
    }
}

TEST(KVNMessageTest, BalloonColourAndTextForm)
{
    KavoniAppearance::resetSharedAppearanceForTesting();
    KavoniAppearance::sharedAppearance()->setPrimaryBrandColor(KVNExtensions::colorWithRGBHex(0x123456));
    KVNMessage message;
    message.setText("Guten Tag");
    EXPECT_TRUE(*message.tintColor() == *KVNExtensions::colorWithRGBHex(0x123456)) << "the user's: the brand colour";
    message.setRemote(true);
    EXPECT_TRUE(*message.tintColor() == *KVNExtensions::colorWithRGBHex(0xAFAFAF)) << "the agent's: grey";
    KavoniAppearance::resetSharedAppearanceForTesting();

    EXPECT_EQ(message.description(), "text: Guten Tag, date: (null)");
    message.setDate(utc(1714550400));
    EXPECT_EQ(message.description(), "text: Guten Tag, date: 2024-05-01 08:00:00 +0000");

    // Dates held at the ends of the clock's range read back as those ends (the first moment
    // once overflowed on its way to the text).
    message.initWithDictionary(JSONValue {{"timestamp", "1500-01-01T00:00:00Z"}});
    EXPECT_EQ(message.description(), "text: , date: 1677-09-21 00:12:43 +0000");
    message.initWithDictionary(JSONValue {{"timestamp", "3000-01-01T00:00:00Z"}});
    EXPECT_EQ(message.description(), "text: , date: 2262-04-11 23:47:16 +0000");
}
