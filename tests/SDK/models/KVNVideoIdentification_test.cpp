#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Foundation/NSRunLoop.h"
#include "models/KVNApprovalPhrase.h"
#include "models/KVNContract.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"

namespace {

using json = JSONValue;

// The shared session with development settings; the video data under test is the shared one's.
class KVNVideoIdentificationTest : public testing::Test {
protected:
    void SetUp() override
    {
        KVNIdentification::resetSharedIdentification();
        identification = KVNIdentification::sharedIdentification();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("bank", "DEV-1");
        identification->setSettings(settings);
        identification->server()->setShortName("bank");
        video = identification->videoIdentification();
        video->setupWithResponse(json::object()); // queue values unknown (-1)
    }
    void TearDown() override
    {
        NSRunLoop::mainRunLoop()->discardPendingBlocks();
        KVNIdentification::resetSharedIdentification();
    }

    std::shared_ptr<KVNIdentification> identification;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KVNVideoIdentification> video;
};

} // namespace

TEST_F(KVNVideoIdentificationTest, IdentificationDataReplacesUserDataAndResultURLs)
{
    struct Case {
        json value;
        std::optional<std::string> expected;
        const char* why;
    };
    const Case cases[] = {
        {" +49 170 1 \n", "+49 170 1", "trimmed"},
        {"null", std::nullopt, "the text \"null\" is none"},
        {"  ", std::nullopt, "blank is none"},
        {nullptr, std::nullopt, "JSON null is none"},
        {42, std::nullopt, "a number is no text"},
    };
    for (const auto& c : cases) {
        video->setMobile("typed by the user");
        video->setEmail("typed@example.org");
        video->updateIdentificationDataFromJSONResponse({{"mobile", c.value}, {"email", c.value}});
        EXPECT_EQ(video->mobile(), c.expected) << c.why;
        EXPECT_EQ(video->email(), c.expected) << c.why;
    }
    video->setMobile("typed");
    video->updateIdentificationDataFromJSONResponse(json::object());
    EXPECT_FALSE(video->mobile()) << "a missing value also replaces what the user entered";

    // Result URLs under single dotted keys, with the current (internal) token; each only
    // when present.
    identification->setSuccessURL("bankapp://config-ok");
    identification->setFailureURL("bankapp://config-failed");
    settings->setTransactionToken("internal 7/x");
    video->updateIdentificationDataFromJSONResponse(
        json::parse(R"({"settings": {"ios.successURL": "bankapp://ok?t=${transactionnumber}", "ios": {"failureURL": "nested"}}})"));
    EXPECT_EQ(identification->successURL(), "bankapp://ok?t=internal%207%2Fx") << "the token stays one value";
    EXPECT_EQ(identification->failureURL(), "bankapp://config-failed");
}

TEST_F(KVNVideoIdentificationTest, QueueValuesNeverRiseWhileKnown)
{
    struct Step {
        json request;
        long position;
        long wait;
        const char* why;
    };
    const Step steps[] = {
        {{{"positionInQueue", 7}, {"estimatedWaitingTime", 300}}, 7, 300, "unknown: taken"},
        {{{"positionInQueue", 9}, {"estimatedWaitingTime", 400}}, 7, 300, "higher: ignored"},
        {{{"positionInQueue", 5}, {"estimatedWaitingTime", 120}}, 5, 120, "lower: taken"},
        {{{"positionInQueue", -3}, {"estimatedWaitingTime", -1}}, 5, 120, "negative: ignored"},
        {{{"positionInQueue", "2"}, {"estimatedWaitingTime", nullptr}}, 5, 120, "not numbers: ignored"},
        {{{"positionInQueue", 0}}, 0, 120, "zero is a position"},
    };
    for (const auto& step : steps) {
        video->updateRequestDataFromJSONResponse({{"request", step.request}});
        EXPECT_EQ(video->positionInQueue(), step.position) << step.why;
        EXPECT_EQ(video->estimatedWaitingTime(), step.wait) << step.why;
    }

    // An answer without "request" (or with one of another kind) makes both unknown again.
    video->updateRequestDataFromJSONResponse({{"request", "queued"}});
    EXPECT_EQ(video->positionInQueue(), -1);
    EXPECT_EQ(video->estimatedWaitingTime(), -1);
    video->updateRequestDataFromJSONResponse({{"request", {{"positionInQueue", 3}}}});
    video->updateRequestDataFromJSONResponse(json::object());
    EXPECT_EQ(video->positionInQueue(), -1);

    // Not an object: nothing changes.
    video->updateRequestDataFromJSONResponse({{"request", {{"positionInQueue", 3}}}});
    video->updateRequestDataFromJSONResponse(json::array({1}));
    EXPECT_EQ(video->positionInQueue(), 3);

    // The waiting-list flags, each only when present.
    video->updateRequestDataFromJSONResponse({{"waitingListEnrolled", true}, {"waitingListNotified", 1}});
    EXPECT_TRUE(identification->enrolledInWaitingList());
    EXPECT_TRUE(identification->waitingListNotified());
    video->updateRequestDataFromJSONResponse({{"waitingListEnrolled", false}});
    EXPECT_FALSE(identification->enrolledInWaitingList());
    EXPECT_TRUE(identification->waitingListNotified());
}

TEST_F(KVNVideoIdentificationTest, ServiceTextsSetTheirFieldsEveryTime)
{
    video->updateMessagesFromJSONResponse(json::parse(R"({
        "js.waitingList.enforced": "wait",
        "js.waitingList.enforcedSuccess": "enrolled ok",
        "js.waitingList.enforcedEnrolled": "already enrolled",
        "js.signing.native.consentProtocol.documentsPhrase.one": "one document",
        "js.signing.native.consentProtocol.documentsPhrase.plural": "%d documents"
    })"));
    EXPECT_EQ(identification->forcedWaitingMessage(), "wait");
    EXPECT_EQ(identification->forcedWaitingMessageSuccess(), "enrolled ok");
    EXPECT_EQ(identification->forcedWaitingMessageEnrolled(), "already enrolled");
    EXPECT_EQ(identification->nativeEsignTextSingle(), "one document");
    EXPECT_EQ(identification->nativeEsignTextPlural(), "%d documents");

    video->updateMessagesFromJSONResponse({{"js.waitingList.enforced", 3}, {"js.waitingList.enforcedSuccess", "again"}});
    EXPECT_FALSE(identification->forcedWaitingMessage()) << "a number is no text";
    EXPECT_EQ(identification->forcedWaitingMessageSuccess(), "again");
    EXPECT_FALSE(identification->forcedWaitingMessageEnrolled());
    EXPECT_FALSE(identification->nativeEsignTextPlural());
}

TEST_F(KVNVideoIdentificationTest, ApprovalPhrasesWithLinksOnTheAPIBase)
{
    video->updateApprovalPhrasesFromJSONResponse(json::parse(R"json([
        {"name": "gtc", "value": "I accept the $(terms) and the $(privacy).",
         "urls": {"terms": {"link": "/docs/terms", "label": "terms"},
                  "privacy": {"link": "/docs/privacy", "label": "privacy policy"}}},
        {"name": "recording", "value": "Recording is fine."},
        "not a phrase",
        {"name": 5, "value": "odd $(x) $(y)", "urls": {"x": {"label": "no link"}, "y": "not an entry"}}
    ])json"));
    const auto& phrases = video->approvalPhrases();
    ASSERT_EQ(phrases.size(), 3u);
    EXPECT_EQ(phrases[0]->name(), "gtc");
    EXPECT_EQ(phrases[0]->text(), "I accept the terms and the privacy policy.");
    ASSERT_EQ(phrases[0]->urls().size(), 2u);
    EXPECT_EQ(phrases[0]->urls()[0]->linkID(), "terms") << "links in the service's order, as the text names them";
    EXPECT_EQ(phrases[0]->urls()[1]->linkID(), "privacy");
    for (const auto& link : phrases[0]->urls())
        EXPECT_EQ(link->link(), "https://localhost:47443/docs/" + *link->linkID());
    EXPECT_EQ(phrases[1]->text(), "Recording is fine.");
    EXPECT_TRUE(phrases[1]->urls().empty());
    EXPECT_FALSE(phrases[2]->name());
    EXPECT_EQ(phrases[2]->text(), "odd no link $(y)");
    ASSERT_EQ(phrases[2]->urls().size(), 1u);
    EXPECT_FALSE(phrases[2]->urls()[0]->link());

    // Every answer starts a new list; anything but an array gives none.
    video->updateApprovalPhrasesFromJSONResponse(nullptr);
    EXPECT_TRUE(video->approvalPhrases().empty());
}

TEST_F(KVNVideoIdentificationTest, ContractsReplacedOnlyByAnArray)
{
    video->updateESignatureContractsFromJSONResponse(json::parse(R"([
        {"name": "Account", "displayHash": "ab12", "documentDefinition": {"identifier": "doc-1"}},
        7,
        {"name": "Card"}
    ])"));
    ASSERT_EQ(video->eSignatureContracts().size(), 2u);
    EXPECT_EQ(video->eSignatureContracts()[0]->name(), "Account");
    EXPECT_EQ(video->eSignatureContracts()[0]->contractDefinition()->identifier(), "doc-1");
    EXPECT_EQ(video->eSignatureContracts()[1]->name(), "Card");

    for (const json& answer : {json(nullptr), json::object(), json("x")}) {
        video->updateESignatureContractsFromJSONResponse(answer);
        EXPECT_EQ(video->eSignatureContracts().size(), 2u) << answer.dump();
    }
    video->updateESignatureContractsFromJSONResponse(json::array());
    EXPECT_TRUE(video->eSignatureContracts().empty());
}
