#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIScreen.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"

namespace {

class KVNIdentificationTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSLocale::setPreferredLanguages({"en"});
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        KVNIdentification::resetSharedIdentification();
    }
    void TearDown() override
    {
        NSRunLoop::mainRunLoop()->discardPendingBlocks();
        KVNIdentification::resetSharedIdentification();
        NSLocale::resetOverrides();
    }

    KvnTestBundle bundle;
};

} // namespace

TEST_F(KVNIdentificationTest, ConcurrentFirstCallsShareOneInstance)
{
    std::vector<std::thread> threads;
    std::vector<KVNIdentification*> seen(8);
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = KVNIdentification::sharedIdentification().get(); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(std::set<KVNIdentification*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_EQ(KVNIdentification::sharedIdentification().get(), seen.front());

    const auto identification = KVNIdentification::sharedIdentification();
    ASSERT_TRUE(identification->videoIdentification());
    EXPECT_FALSE(identification->videoIdentification()->officeHours());
    EXPECT_FALSE(identification->messages());
}

TEST_F(KVNIdentificationTest, UpdateMessagesStoresAnObjectOnALaterMainQueueTurnThenPosts)
{
    const auto identification = KVNIdentification::sharedIdentification();
    int posted = 0;
    bool storedWhenPosted = false;
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNMessagesUpdated", nullptr, nullptr, [&](const NSNotification&) {
            ++posted;
            storedWhenPosted = identification->messages().has_value();
        });

    identification->updateMessages(JSONValue::array({"not", "an", "object"}));
    identification->updateMessages("text");
    NSRunLoop::mainRunLoop()->pump();
    EXPECT_FALSE(identification->messages());
    EXPECT_EQ(posted, 0);

    identification->updateMessages({{"js.waitingList.enforced", "Please wait"}});
    EXPECT_FALSE(identification->messages()); // not before the main queue turns
    NSRunLoop::mainRunLoop()->pump();
    ASSERT_TRUE(identification->messages());
    EXPECT_EQ((*identification->messages())["js.waitingList.enforced"], "Please wait");
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(storedWhenPosted);
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}

TEST_F(KVNIdentificationTest, GetMessageFallsBackToTheLocalizedDefaultKey)
{
    const auto identification = KVNIdentification::sharedIdentification();
    const std::string fallback = "Please enter a valid mobile number.";

    // No texts held yet.
    EXPECT_EQ(identification->getMessageFor_withDefaultKey("js.mobile.phone.validation.error", "js.mobile.phone.validation.error"), fallback);

    identification->setMessages(JSONValue{{"js.present", "From the service"},
                                               {"js.empty", ""},
                                               {"js.number", 42},
                                               {"js.null", nullptr}});
    struct Case {
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"js.present", "From the service"}, // the service's text wins
        {"js.empty", fallback},             // an empty text counts as none
        {"js.number", fallback},            // a text of another type counts as none
        {"js.null", fallback},
        {"js.absent", fallback},
    };
    for (const auto& c : cases)
        EXPECT_EQ(identification->getMessageFor_withDefaultKey(c.key, "js.mobile.phone.validation.error"), c.expected) << c.key;
}

namespace {

using json = JSONValue;

// The shared session with settings for token "DEV-42".
class KVNConfigurationTest : public KVNIdentificationTest {
protected:
    void SetUp() override
    {
        KVNIdentificationTest::SetUp();
        identification = KVNIdentification::sharedIdentification();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("bank", "DEV-42");
        identification->setSettings(settings);
    }
    void TearDown() override
    {
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, 375, 667));
        UIScreen::mainScreen()->setScale(2.0);
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        UIDevice::setMachineNameForTesting(std::nullopt);
        KVNIdentificationTest::TearDown();
    }

    std::shared_ptr<KVNIdentification> identification;
    std::shared_ptr<KavoniSettings> settings;
};

const char* const kVideoConfiguration = R"({
    "shortname": "  bank \n",
    "officeOpen": true,
    "officeHours": [{"days": "Mo-Fr", "hours": "08:00-20:00"}, {"days": "Sa", "hours": "10:00-14:00"}],
    "settings": {
        "processtype": "VIDEO",
        "showGTC": true,
        "showRecordingAgreement": "YES",
        "clientUseTrickleICE": 1,
        "videoserver": "KAVONI",
        "identCodeRequired": true,
        "allowTextChat": true,
        "reviewTimelimit": 600,
        "processsteps": {"esigning": {"handwritten": true}},
        "usersteps": {"signature": {"camera": "BACK"}},
        "identCodeChannels": ["SMS", "EMAIL"],
        "verifyMobileNumber": true,
        "waitingList": {"ios": {"enabled": true, "channel": "wl-channel"}, "waitingListTimeOut": 300, "waitingQueueTreshold": 5},
        "ios": {
            "successMessage": "Done",
            "failureMessage": "Failed",
            "successURL": "bankapp://ok/${transactionnumber}?again=${transactionnumber}",
            "failureURL": "bankapp://failed",
            "fallbackURL": "https://bank.example/back",
            "notificationChannel": "ios-channel"
        }
    }
})";

} // namespace

TEST_F(KVNConfigurationTest, VideoConfigurationFillsTheSessionAndTheVideoData)
{
    identification->setEnrolledInWaitingList(true);
    identification->setDurationInSeconds(77);
    identification->updateWithResponse(json::parse(kVideoConfiguration));

    EXPECT_EQ(identification->identificationType(), KVNIdentificationTypeVideo);
    EXPECT_EQ(identification->server()->shortName(), "bank");
    EXPECT_TRUE(identification->showGTC());
    EXPECT_TRUE(identification->showRecordingAgreement());
    EXPECT_TRUE(identification->useTrickleIce());
    EXPECT_FALSE(identification->enrolledInWaitingList());
    EXPECT_EQ(identification->durationInSeconds(), 0);
    EXPECT_TRUE(identification->showWaitingList());
    EXPECT_EQ(identification->waitingListTimeOut(), 300);
    EXPECT_EQ(identification->waitingQueueTreshold(), 5);
    // "ios" replaces the waiting list's channel.
    EXPECT_EQ(identification->pushNotificationChannel(), "ios-channel");
    EXPECT_EQ(identification->successMessage(), "Done");
    EXPECT_EQ(identification->failureMessage(), "Failed");
    EXPECT_EQ(identification->successURL(), "bankapp://ok/DEV-42?again=DEV-42");
    EXPECT_EQ(identification->failureURL(), "bankapp://failed");
    EXPECT_EQ(identification->fallbackURL(), "https://bank.example/back");
    EXPECT_EQ(settings->reviewTimeLimit(), 600);

    const auto video = identification->videoIdentification();
    EXPECT_TRUE(video->officeOpen());
    EXPECT_EQ(video->officeHours(), "Mo-Fr: 08:00-20:00\nSa: 10:00-14:00\n");
    EXPECT_EQ(video->positionInQueue(), -1);
    EXPECT_EQ(video->estimatedWaitingTime(), -1);
    EXPECT_EQ(video->videoserverType(), 0);
    EXPECT_TRUE(video->identCodeRequired());
    EXPECT_TRUE(video->allowTextChat());
    EXPECT_TRUE(video->eSignatureEnabled());
    EXPECT_TRUE(video->eSignatureHandWritten());
    EXPECT_EQ(video->signatureCameraPosition(), AVCaptureDevicePositionBack);
    EXPECT_TRUE(video->identCodeEmailEnabled());
    EXPECT_TRUE(video->isPhoneNumberCheckEnabled());
    // The short name now names the identification's URLs.
    EXPECT_EQ(identification->server()->APIURLWithLastPathComponent("start"),
              "https://localhost:47443/api/v1/bank/identifications/DEV-42/start");
}

TEST_F(KVNConfigurationTest, ConfigurationRowsAndTheirDefaults)
{
    // Each case starts from the full video configuration, changes one thing and checks one field.
    struct Case {
        const char* why;
        std::function<void(json&)> change;
        std::function<void(KVNIdentification&)> check;
    };
    const auto video = [](KVNIdentification& i) { return i.videoIdentification(); };
    const Case cases[] = {
        {"no processtype: photo",
         [](json& c) { c["settings"].erase("processtype"); },
         [](KVNIdentification& i) { EXPECT_EQ(i.identificationType(), KVNIdentificationTypePhoto); }},
        {"another processtype: photo",
         [](json& c) { c["settings"]["processtype"] = "PHOTO"; },
         [](KVNIdentification& i) { EXPECT_EQ(i.identificationType(), KVNIdentificationTypePhoto); }},
        {"videoserver missing: unsupported",
         [](json& c) { c["settings"].erase("videoserver"); },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->videoserverType(), 3); }},
        {"another video server: unsupported",
         [](json& c) { c["settings"]["videoserver"] = "TOKBOX"; },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->videoserverType(), 3); }},
        {"no video server",
         [](json& c) { c["settings"]["videoserver"] = "DISABLED"; },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->videoserverType(), 2); }},
        {"signature without camera: front",
         [](json& c) { c["settings"]["usersteps"]["signature"] = json::object(); },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->signatureCameraPosition(), AVCaptureDevicePositionFront); }},
        {"signature not an object: not set",
         [](json& c) { c["settings"]["usersteps"]["signature"] = "BACK"; },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->signatureCameraPosition(), AVCaptureDevicePositionUnspecified); }},
        {"esigning not an object: no e-signing",
         [](json& c) { c["settings"]["processsteps"]["esigning"] = true; },
         [&](KVNIdentification& i) { EXPECT_FALSE(video(i)->eSignatureEnabled()); EXPECT_FALSE(video(i)->eSignatureHandWritten()); }},
        {"no e-mail channel",
         [](json& c) { c["settings"]["identCodeChannels"] = json::array({"SMS"}); },
         [&](KVNIdentification& i) { EXPECT_FALSE(video(i)->identCodeEmailEnabled()); }},
        {"\"ios\" replaces the waiting list's channel even with none",
         [](json& c) { c["settings"]["ios"].erase("notificationChannel"); },
         [](KVNIdentification& i) { EXPECT_FALSE(i.pushNotificationChannel()); }},
        {"without \"ios\" the waiting list's channel stays",
         [](json& c) { c["settings"].erase("ios"); },
         [](KVNIdentification& i) {
             EXPECT_EQ(i.pushNotificationChannel(), "wl-channel");
             EXPECT_FALSE(i.successURL());
             EXPECT_FALSE(i.failureURL());
             EXPECT_FALSE(i.fallbackURL());
             EXPECT_FALSE(i.successMessage());
             EXPECT_FALSE(i.failureMessage());
         }},
        {"waiting list without \"ios\": hidden, no channel",
         [](json& c) { c["settings"]["waitingList"].erase("ios"); c["settings"].erase("ios"); },
         [](KVNIdentification& i) { EXPECT_FALSE(i.showWaitingList()); EXPECT_FALSE(i.pushNotificationChannel()); }},
        {"no waiting list, no ios: the empty channel, values reset",
         [](json& c) { c["settings"].erase("waitingList"); c["settings"].erase("ios"); },
         [](KVNIdentification& i) {
             EXPECT_EQ(i.pushNotificationChannel(), "");
             EXPECT_FALSE(i.showWaitingList());
             EXPECT_EQ(i.waitingListTimeOut(), 0);
             EXPECT_EQ(i.waitingQueueTreshold(), 0);
         }},
        {"the short name \"null\" is none",
         [](json& c) { c["shortname"] = " null "; },
         [](KVNIdentification& i) { EXPECT_FALSE(i.server()->shortName()); }},
        {"no office hours: the empty text",
         [](json& c) { c.erase("officeHours"); },
         [&](KVNIdentification& i) { EXPECT_EQ(video(i)->officeHours(), ""); }},
    };
    for (const auto& c : cases) {
        KVNIdentification::resetSharedIdentification();
        auto fresh = KVNIdentification::sharedIdentification();
        fresh->setSettings(settings);
        json configuration = json::parse(kVideoConfiguration);
        c.change(configuration);
        fresh->updateWithResponse(configuration);
        SCOPED_TRACE(c.why);
        c.check(*fresh);
    }
}

TEST_F(KVNConfigurationTest, ValuesReadOnlyWhenPresentKeepTheirEarlierValue)
{
    identification->updateWithResponse(json::parse(kVideoConfiguration));
    json sparse = json::parse(R"({"settings": {"processtype": "VIDEO"}})");
    identification->updateWithResponse(sparse);

    const auto video = identification->videoIdentification();
    EXPECT_TRUE(video->officeOpen()) << "officeOpen is read when present";
    EXPECT_TRUE(identification->showGTC());
    EXPECT_TRUE(identification->useTrickleIce());
    EXPECT_TRUE(video->identCodeRequired());
    EXPECT_TRUE(video->allowTextChat());
    EXPECT_EQ(settings->reviewTimeLimit(), 600);
    // Rows with a default are set anew.
    EXPECT_EQ(video->videoserverType(), 3);
    EXPECT_FALSE(video->eSignatureEnabled());
    EXPECT_FALSE(video->identCodeEmailEnabled());
    EXPECT_FALSE(video->isPhoneNumberCheckEnabled());
    EXPECT_EQ(video->signatureCameraPosition(), AVCaptureDevicePositionUnspecified);
    EXPECT_FALSE(identification->server()->shortName());

    // The first configuration of a process without "officeOpen" leaves the office closed.
    KVNIdentification::resetSharedIdentification();
    auto fresh = KVNIdentification::sharedIdentification();
    fresh->updateWithResponse(sparse);
    EXPECT_FALSE(fresh->videoIdentification()->officeOpen());
}

TEST_F(KVNConfigurationTest, HostileConfigurationsCountWrongKindsAsMissing)
{
    const char* const configurations[] = {
        R"(null)",
        R"([1, 2, 3])",
        R"("settings")",
        R"({"settings": [], "shortname": 5, "officeHours": "always", "officeOpen": null})",
        R"({"settings": {"processtype": "VIDEO", "waitingList": [], "ios": "x", "usersteps": 1, "processsteps": [],
                         "identCodeChannels": "EMAIL", "reviewTimelimit": "600", "videoserver": 0}})",
        R"({"officeHours": [null, 1, "x", {"days": 1, "hours": ["a"]}, {"days": "Mo"}],
            "settings": {"processtype": "VIDEO", "waitingList": {"ios": [], "waitingListTimeOut": "300",
                                                                 "waitingQueueTreshold": {"n": 1}},
                         "ios": {"successURL": 7, "failureURL": null, "fallbackURL": ["x"], "notificationChannel": false}}})",
        R"({"settings": {"processtype": "VIDEO", "waitingList": {"waitingListTimeOut": 1e300, "waitingQueueTreshold": -1e300},
                         "reviewTimelimit": 12345678901}})",
        R"({"settings": {"processtype": "PHOTO", "processsteps": "none"}})",
    };
    for (const char* text : configurations) {
        SCOPED_TRACE(text);
        KVNIdentification::resetSharedIdentification();
        auto fresh = KVNIdentification::sharedIdentification();
        fresh->setSettings(settings);
        fresh->updateWithResponse(json::parse(text));
        EXPECT_FALSE(fresh->successURL());
        EXPECT_FALSE(fresh->failureURL());
        EXPECT_FALSE(fresh->fallbackURL());
        EXPECT_FALSE(fresh->server()->shortName());
    }

    // What the hostile entries leave behind.
    auto last = KVNIdentification::sharedIdentification();
    last->updateWithResponse(json::parse(configurations[5]));
    EXPECT_EQ(last->videoIdentification()->officeHours(), ": \nMo: \n");
    EXPECT_EQ(last->waitingListTimeOut(), 0) << "a text is no integer";
    EXPECT_FALSE(last->showWaitingList());
    EXPECT_FALSE(last->pushNotificationChannel());
    last->updateWithResponse(json::parse(configurations[6]));
    EXPECT_EQ(last->waitingListTimeOut(), INT32_MAX) << "clamped, not overflowed";
    EXPECT_EQ(last->waitingQueueTreshold(), INT32_MIN);
    EXPECT_EQ(settings->reviewTimeLimit(), INT32_MAX);
}

TEST_F(KVNConfigurationTest, ClientInformationRecordInItsOrder)
{
    NSLocale::setPreferredLanguages({"de-DE", "en"});
    NSLocale::setCurrentLocaleIdentifier("de_DE");
    UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, 375.25, 667));
    UIScreen::mainScreen()->setScale(2.0);
    AVCaptureDevice::setDevicesForTesting(std::vector{AVCaptureDevice::Description::backCamera()});
    SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    UIDevice::setMachineNameForTesting("iPhone10,4");
    const std::string systemVersion = UIDevice::currentDevice()->systemVersion();

    const auto info = identification->clientInformation();
    const JSONValue expected = {
        {"language", "de-DE"},
        {"locale", "de_DE"},
        {"screenWidth", "750.5"},
        {"screenHeight", "1334"},
        {"clientVersion", "IOSSDK,3.5.0"},
        {"flashLight", AVCaptureDevice::Description::backCamera().hasTorch ? "true" : "false"},
        {"connectionType", "WIFI"},
        {"osVersion", systemVersion},
        {"deviceInfo", "iPhone10,4"},
        {"frontCameraWidth", nullptr},
        {"frontCameraHeight", nullptr},
        {"backCameraWidth", nullptr},
        {"backCameraHeight", nullptr},
    };
    EXPECT_EQ(info.dump(), expected.dump()); // the text compares the order too

    // No preferred language: the key is left out. No torch, cellular or no network: "false", "WWAN".
    NSLocale::setPreferredLanguages({});
    AVCaptureDevice::setDevicesForTesting(std::vector{AVCaptureDevice::Description::frontCamera()});
    for (uint32_t flags : {kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN, 0u}) {
        SCNetworkReachabilitySetFlagsForTesting(flags);
        const auto bare = identification->clientInformation();
        EXPECT_FALSE(bare.contains("language"));
        EXPECT_EQ(bare.begin().key(), "locale");
        EXPECT_EQ(bare["flashLight"], "false");
        EXPECT_EQ(bare["connectionType"], "WWAN");
    }
    AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{});
    EXPECT_EQ(identification->clientInformation()["flashLight"], "false") << "no camera at all";
}

TEST_F(KVNConfigurationTest, ResultURLsOpenTheOutcomesURLElseTheFallback)
{
    const auto application = UIApplication::sharedApplication();
    application->setOpenableURLSchemesForTesting({"bankapp", "https"});
    struct Case {
        std::optional<std::string> success, failure, fallback;
        bool flag;
        bool answer;
        std::optional<std::string> opened;
    };
    const Case cases[] = {
        {"bankapp://ok", "bankapp://failed", "https://bank.example", true, true, "bankapp://ok"},
        {"bankapp://ok", "bankapp://failed", "https://bank.example", false, true, "bankapp://failed"},
        {"other://ok", std::nullopt, "https://bank.example", true, true, "https://bank.example"},
        {"bankapp://ok", std::nullopt, "https://bank.example", false, true, "https://bank.example"},
        {std::nullopt, std::nullopt, "other://x", true, false, std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt, false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        application->resetForTesting();
        application->setOpenableURLSchemesForTesting({"bankapp", "https"});
        identification->setSuccessURL(c.success);
        identification->setFailureURL(c.failure);
        identification->setFallbackURL(c.fallback);
        EXPECT_EQ(identification->openURLForIdentificationSuccess(c.flag), c.answer);
        const auto& opened = application->openedURLs();
        EXPECT_EQ(opened.size(), c.opened ? 1u : 0u);
        if (c.opened && !opened.empty()) {
            EXPECT_EQ(opened.front(), *c.opened);
        }
    }
    application->resetForTesting();
}

TEST_F(KVNConfigurationTest, SettingsReachTheEndpointBuilderAndTheMobileNumberIsTheVideoSessions)
{
    EXPECT_EQ(identification->server()->settings(), settings);
    EXPECT_EQ(identification->server()->environment(), 1);

    settings->setMobileNumber("+49 170 1234567");
    EXPECT_EQ(identification->videoIdentification()->mobile(), "+49 170 1234567");
    identification->videoIdentification()->setMobile(std::nullopt);
    EXPECT_FALSE(settings->mobileNumber());
}
