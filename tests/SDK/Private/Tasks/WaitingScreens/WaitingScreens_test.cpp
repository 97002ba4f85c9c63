// The waiting screens of a video identification as the user meets them: the info panel's texts
// while waiting for an agent, the waiting-queue poll on the manual clock against the simulated
// service, the waiting-list panel driven by taps, the enrolment by SMS and by push, and the
// notification result screen. Each screen is also drawn to a PNG under the build tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "support/SessionTestSupport.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSString.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNInfoViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNotificationResultViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListViewController.h"
#include "Private/Tasks/VideoIdent/Identification/WaitingListEnrolment.h"
#include "Private/Tasks/VideoIdent/Identification/WaitingQueuePoll.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNSquareButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"
#include "support/SimFixture.h"

namespace {

const std::string kIdentPath = "/api/v1/vellumbank/identifications/DEV0001";
constexpr double kNetworkBound = 30.0;

std::string L(const char* key)
{
    return KVNLocalizer::localizedStringForKey(key);
}

class WaitingScreensTest : public SimFixture<ThemedUIKitTest>, public KVNWaitingListControllerDelegate {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->addImage("kvn-icon-close", 20, 20, 0x333333FF);
        bundle->addImage("kvn-icon-result-success", 64, 64, 0x2E9E4AFF);
        bundle->addImage("kvn-bg", 375, 667, 0xEAF2FAFF);
        NSLocale::setPreferredLanguages({"en"});
        KVNIdentification::resetSharedIdentification();
        KVNInfoViewController::resetSharedWaitingTimeTextForTesting();
        ident = KVNIdentification::sharedIdentification();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        ident->setSettings(settings);
        ident->server()->setShortName("vellumbank");
        KVNRequestManager::sharedManager()->setIdent(ident);
        video = std::make_shared<KVNVideoIdentification>();
        ident->setVideoIdentification(video);
        video->setIdentificationStatus(KVNIdentificationStatusConnecting);

        host = std::make_shared<UIViewController>();
        host->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(host);
        window->makeKeyAndVisible();
    }

    void TearDown() override
    {
        poll.reset();
        enrolment.reset();
        KVNRequestManager::sharedManager()->cancelTasks();
        loop->spin_until([] { return idle(); }, kNetworkBound);
        window.reset();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture::TearDown();
    }

    static bool idle()
    {
        return kvn::test::requestManagerIdle();
    }

    void waitForIdle() { ASSERT_TRUE(loop->spin_until([] { return idle(); }, kNetworkBound)); }

    void waitingListPushNotificationRequested() override
    {
        ++requests;
        enrolment->waitingListPushNotificationRequested();
    }

    // A panel at the bottom of the phone-sized window, as the video screen places it.
    template <class Panel>
    std::shared_ptr<Panel> place(std::shared_ptr<Panel> panel)
    {
        host->addChildViewController(panel);
        auto panelView = panel->view();
        host->view()->addSubview(panelView);
        Layout::ConstraintMaker::make(panelView, [&](Layout::ConstraintMaker& make) { make.left().right().bottom().equalTo(host->view()); });
        window->layoutIfNeeded();
        return panel;
    }

    std::shared_ptr<KVNInfoViewController> placeInfoPanel()
    {
        info = place(std::make_shared<KVNInfoViewController>());
        return info;
    }

    void makePoll()
    {
        poll = std::make_shared<kvn::WaitingQueuePoll>(kvn::WaitingQueuePoll::Host{
            .infoPanel = [this] { return info; },
            .waitingListShown = [this] { return waitingListOffers > 0; },
            .showWaitingList = [this] { ++waitingListOffers; },
        });
    }

    std::shared_ptr<KVNWaitingListViewController> placeWaitingList(long stage)
    {
        enrolment = std::make_shared<kvn::WaitingListEnrolment>(kvn::WaitingListEnrolment::Host{
            .waitingList = [this] { return waitingList; },
            .showNotificationResultScreen = [this] { ++resultScreens; },
            .finishIdentification = [this] { ++finishes; },
        });
        enrolment->startObserving();
        auto panel = std::make_shared<KVNWaitingListViewController>();
        panel->setDelegate(delegateHandle);
        waitingList = place(panel);
        waitingList->presentStage(stage);
        window->layoutIfNeeded();
        return waitingList;
    }

    int queueRequests() const
    {
        int count = 0;
        for (const auto& request : sim->requests())
            if (request["method"] == "GET" && request["path"] == kIdentPath)
                ++count;
        return count;
    }

    std::vector<std::string> posts() const
    {
        std::vector<std::string> calls;
        for (const auto& request : sim->requests())
            if (request["method"] == "POST")
                calls.push_back(request["path"].get<std::string>().substr(kIdentPath.size()));
        return calls;
    }

    static bool shown(const std::shared_ptr<UIView>& view) { return view->superview() != nullptr; }

    void tap(const std::shared_ptr<UIView>& view)
    {
        window->layoutIfNeeded();
        auto result = Automation::Driver::tap(view);
        ASSERT_TRUE(result.ok()) << result.message();
        pump();
    }

    void writePicture(const std::string& name) const
    {
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("waiting-screens", name, fixtures::snapshot(window));
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNIdentification> ident;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KVNVideoIdentification> video;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<KVNInfoViewController> info;
    std::shared_ptr<KVNWaitingListViewController> waitingList;
    std::shared_ptr<kvn::WaitingQueuePoll> poll;
    std::shared_ptr<kvn::WaitingListEnrolment> enrolment;
    // The fixture is the panel's delegate for as long as the test runs.
    std::shared_ptr<KVNWaitingListControllerDelegate> delegateHandle{this, [](KVNWaitingListControllerDelegate*) {}};
    int waitingListOffers = 0;
    int requests = 0;
    int resultScreens = 0;
    int finishes = 0;
};

// ---------------------------------------------------------------------------------------------
// Info panel

TEST_F(WaitingScreensTest, ConnectingTextsFollowThePositionAndTheEstimate)
{
    const auto fmt = [](const char* key, int64_t value) { return NSString::stringWithFormat(L(key), value); };
    struct Case {
        long position, estimate;
        std::string title, description;
        long estimateAfter;
    };
    const std::string busy = L("INFO_CONNECTING_TITLE_LINES_BUSY");
    const Case cases[] = {
        {-1, 120, busy, L("INFO_CONNECTING_DESCRIPTION"), 120},
        {0, 120, L("INFO_CONNECTING_TITLE"), L("INFO_CONNECTING_DESCRIPTION_POSITION_0") + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_MINUTES", 2), 120},
        {1, 59, busy, L("INFO_CONNECTING_DESCRIPTION_POSITION_1") + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_SECONDS", 59), 59},
        {7, 60, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 7) + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE", 1), 60},
        {-3, 119, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", -3) + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE", 1), 119},
        {2, 0, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 2) + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE", 1), 60},
        {2, -5, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 2) + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE", 1), 60},
        {2, 1859, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 2) + " " + fmt("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_MINUTES", 30), 1859},
        {2, 1860, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 2) + " " + L("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_LONGER"), 1860},
        {2, -1, busy, fmt("INFO_CONNECTING_DESCRIPTION_POSITION_X", 2) + " ", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "position " << c.position << ", estimate " << c.estimate);
        KVNInfoViewController::resetSharedWaitingTimeTextForTesting();
        video->setPositionInQueue(c.position);
        video->setEstimatedWaitingTime(c.estimate);
        auto panel = std::make_shared<KVNInfoViewController>();
        panel->view(); // loads: shows Connecting
        EXPECT_EQ(panel->shortInfoLabel()->text(), c.title);
        EXPECT_EQ(panel->largeInfoLabel()->text(), c.description);
        EXPECT_EQ(video->estimatedWaitingTime(), c.estimateAfter);
    }
}

TEST_F(WaitingScreensTest, StatusTextsAndEmptyStatuses)
{
    video->setUserStepTitle("Hold your card");
    video->setUserStepDescription("Tilt it slowly.");
    struct Case {
        long status;
        std::optional<std::string> title, description;
    };
    const Case cases[] = {
        {KVNIdentificationStatusConnected, std::nullopt, std::nullopt},
        {KVNIdentificationStatusFace, L("INFO_FACE_PHOTO_TITLE"), L("INFO_FACE_PHOTO_DESCRIPTION")},
        {KVNIdentificationStatusWiggle, L("INFO_LICENSE_FRONTSIDE_TITLE"), L("INFO_LICENSE_WIGGLE_DESCRIPTION")},
        {KVNIdentificationStatusIDNumber, L("INFO_LICENSE_FRONTSIDE_TITLE"), L("INFO_LICENSE_IDNUMBER_DESCRIPTION")},
        {KVNIdentificationStatusBackside, L("INFO_LICENSE_BACKSIDE_TITLE"), L("INFO_LICENSE_BACKSIDE_DESCRIPTION")},
        {KVNIdentificationStatusUserStep, "Hold your card", "Tilt it slowly."},
        {KVNIdentificationStatusAgentBusy, L("VIDEO_IDENT_PROGRESS_TITLE"), L("VIDEO_IDENT_PROGRESS_MESSAGE")},
        {KVNIdentificationStatusGoodBye, L("INFO_GOODBYE_TITLE"), L("INFO_GOODBYE_DESCRIPTION")},
        {KVNIdentificationStatusNotDefined, std::nullopt, std::nullopt},
        {99, std::nullopt, std::nullopt},
    };
    auto panel = placeInfoPanel();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status);
        panel->updateForIdentificationStatus(c.status);
        EXPECT_EQ(panel->shortInfoLabel()->text().value_or(""), c.title.value_or(""));
        EXPECT_EQ(panel->largeInfoLabel()->text().value_or(""), c.description.value_or(""));
    }
    video->setESignatureEnabled(true);
    EXPECT_EQ(panel->shortInfoLabelTextForIdentificationStatus(KVNIdentificationStatusAgentBusy), L("VIDEO_IDENT_PROGRESS_TITLE_ESIGNATURE"));
}

TEST_F(WaitingScreensTest, APanelKeepsItsFirstWaitingTimeAndANewPanelRecomputesIt)
{
    video->setPositionInQueue(4);
    video->setEstimatedWaitingTime(30);
    auto panel = placeInfoPanel();
    const auto seconds = NSString::stringWithFormat(L("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_SECONDS"), int64_t{30});
    writePicture("info-panel");

    video->setPositionInQueue(3);
    video->setEstimatedWaitingTime(600);
    panel->updateForIdentificationStatus(KVNIdentificationStatusConnecting);
    EXPECT_EQ(panel->largeInfoLabel()->text(), NSString::stringWithFormat(L("INFO_CONNECTING_DESCRIPTION_POSITION_X"), int64_t{3}) + " " + seconds);

    auto next = std::make_shared<KVNInfoViewController>();
    next->view();
    const auto tenMinutes = NSString::stringWithFormat(L("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_MINUTES"), int64_t{10});
    EXPECT_EQ(next->waitingTimeText(), tenMinutes);
    // The text is shared: the older panel shows what the newest computed.
    EXPECT_EQ(panel->waitingTimeText(), tenMinutes);
}

// ---------------------------------------------------------------------------------------------
// Waiting-queue poll

TEST_F(WaitingScreensTest, PollReArmsTwoSecondsAfterEachAnswerAndRefreshesThePanel)
{
    video->setPositionInQueue(-1);
    video->setEstimatedWaitingTime(-1);
    placeInfoPanel();
    ASSERT_EQ(info->largeInfoLabel()->text(), L("INFO_CONNECTING_DESCRIPTION"));
    makePoll();
    poll->reset();
    waitForIdle();
    EXPECT_EQ(queueRequests(), 1);
    // The answer brought a queue position, and the panel shows it.
    EXPECT_NE(video->positionInQueue(), -1);
    EXPECT_NE(info->largeInfoLabel()->text(), L("INFO_CONNECTING_DESCRIPTION"));
    EXPECT_EQ(info->largeInfoLabel()->text(), info->largeInfoLabelTextForIdentificationStatus(KVNIdentificationStatusConnecting));

    runFor(1.9);
    pump();
    EXPECT_EQ(queueRequests(), 1);
    runFor(0.1);
    waitForIdle();
    EXPECT_EQ(queueRequests(), 2);

    // A failed answer is retried on the same beat.
    sim->setAnswer("GET", kIdentPath, 503, "{}");
    runFor(2.0);
    waitForIdle();
    EXPECT_EQ(queueRequests(), 3);
    runFor(2.0);
    waitForIdle();
    EXPECT_EQ(queueRequests(), 4);
}

TEST_F(WaitingScreensTest, QuickResetsLeaveOneChainAndStopEndsIt)
{
    placeInfoPanel();
    makePoll();
    poll->reset();
    poll->reset();
    poll->reset();
    waitForIdle();
    const int afterResets = queueRequests();
    EXPECT_EQ(afterResets, 3);
    for (int beat = 1; beat <= 3; ++beat) {
        runFor(2.0);
        waitForIdle();
        EXPECT_EQ(queueRequests(), afterResets + beat) << "beat " << beat;
    }

    poll->stop(); // the screen goes away
    runFor(10.0);
    waitForIdle();
    EXPECT_EQ(queueRequests(), afterResets + 3);
}

TEST_F(WaitingScreensTest, PollEndsWhenTheStatusLeavesConnecting)
{
    placeInfoPanel();
    makePoll();
    poll->reset();
    waitForIdle();
    video->setIdentificationStatus(KVNIdentificationStatusConnected);
    runFor(4.0);
    waitForIdle();
    EXPECT_EQ(queueRequests(), 1);
}

TEST_F(WaitingScreensTest, PollOffersTheWaitingListOnlyWhenDueAndAPanelExists)
{
    struct Case {
        const char* name;
        bool force, show, enrolled, panel;
        int32_t timeOut;
        int offers;
    };
    const Case cases[] = {
        {"shown, timed out at once", false, true, false, true, -1, 1},
        {"shown, not yet timed out", false, true, false, true, 600, 0},
        {"forced", true, false, false, true, 600, 1},
        {"forced but already enrolled", true, false, true, true, 600, 0},
        {"forced, no info panel", true, false, false, false, 600, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ident->setForceWaitingList(c.force);
        ident->setShowWaitingList(c.show);
        ident->setEnrolledInWaitingList(c.enrolled);
        ident->setWaitingListTimeOut(c.timeOut);
        ident->setWaitingQueueTreshold(100);
        info = c.panel ? std::make_shared<KVNInfoViewController>() : nullptr;
        waitingListOffers = 0;
        makePoll();
        poll->reset();
        waitForIdle();
        poll->stop();
        EXPECT_EQ(waitingListOffers, c.offers);
    }
}

// ---------------------------------------------------------------------------------------------
// Waiting-list panel and enrolment

TEST_F(WaitingScreensTest, StagesFollowTheButtons)
{
    auto panel = placeWaitingList(KVNWaitingListStageOffer);
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("PUSH_STAGE1_TITLE"));
    EXPECT_TRUE(shown(panel->okButton()));
    EXPECT_EQ(panel->okButton()->titleForState(UIControlStateNormal), "OK");
    EXPECT_NEAR(panel->okButton()->frame().size.width, 375 / 4.0, 0.5);
    writePicture("waiting-list-offer");

    tap(panel->okButton());
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("PUSH_STAGE2_TITLE"));
    EXPECT_EQ(panel->detailsLabel()->text(), L("PUSH_STAGE2_DETAILS"));
    EXPECT_FALSE(shown(panel->okButton()));
    EXPECT_TRUE(shown(panel->requestNotificationButton()));
    EXPECT_TRUE(shown(panel->cancelButton()));
    writePicture("waiting-list-request");

    tap(panel->cancelButton());
    EXPECT_TRUE(shown(panel->okButton()));
    EXPECT_FALSE(shown(panel->cancelButton()));

    panel->presentStage(7); // unknown: nothing changes
    EXPECT_TRUE(shown(panel->okButton()));
}

TEST_F(WaitingScreensTest, AForcedListAsksAtOnceWithTheServiceTextAndNoWayOut)
{
    ident->setForceWaitingList(true);
    ident->setForcedWaitingMessage("All our agents are busy. We will call you back.");
    auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
    EXPECT_EQ(panel->detailsLabel()->text(), "All our agents are busy. We will call you back.");
    EXPECT_TRUE(shown(panel->requestNotificationButton()));
    EXPECT_FALSE(shown(panel->cancelButton()));
}

TEST_F(WaitingScreensTest, SmsEnrolmentNeedsNoPushAndEndsTheSession)
{
    ident->setPushNotificationChannel("SMS");
    int registrationRequests = 0;
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNPushRegistrationRequest", nullptr, nullptr, [&](const NSNotification&) { ++registrationRequests; });
    auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("SMS_STAGE2_TITLE"));
    EXPECT_EQ(panel->requestNotificationButton()->titleForState(UIControlStateNormal), L("SMS_REQUESTPUSHBUTTON_TITLE"));

    tap(panel->requestNotificationButton());
    waitForIdle();
    pump();
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
    EXPECT_EQ(registrationRequests, 0);
    EXPECT_EQ(posts(), (std::vector<std::string>{"/waitingListEnrollment", "/canceled"}));
    EXPECT_EQ(resultScreens, 1);
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(settings->pushDeviceToken().has_value());
}

TEST_F(WaitingScreensTest, PushTokenIsRegisteredThenTheUserEnrols)
{
    auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
    int registrationRequests = 0;
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNPushRegistrationRequest", nullptr, nullptr, [&](const NSNotification&) {
            ++registrationRequests;
            // What the application delegate answers with a token from the system.
            NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(
                "KVNDeviceTokenReceived", nullptr, {{"deviceToken", NSData{0x0a, 0x1b, 0x2c, 0x3d, 0xff}}});
        });
    tap(panel->requestNotificationButton());
    waitForIdle();
    pump();
    waitForIdle();
    pump();
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
    EXPECT_EQ(registrationRequests, 1);
    EXPECT_EQ(settings->pushDeviceToken(), "0a1b2c3dff");
    EXPECT_EQ(posts(), (std::vector<std::string>{"/notificationSubscription", "/waitingListEnrollment", "/canceled"}));
    for (const auto& request : sim->requests())
        if (request["path"] == kIdentPath + "/notificationSubscription") {
            EXPECT_EQ(request["json"]["subscriptionToken"], "0a1b2c3dff");
        }
    EXPECT_EQ(resultScreens, 1);
    EXPECT_EQ(finishes, 1);
}

TEST_F(WaitingScreensTest, DeviceTokenTextForms)
{
    const auto text = [](std::any value) { return kvn::WaitingListEnrolment::deviceTokenText(NSNotification("n", nullptr, {{"deviceToken", value}})); };
    EXPECT_EQ(text(std::string("<0a1b2c3d 4e5f6a7b>")), "0a1b2c3d4e5f6a7b");
    EXPECT_EQ(text(NSData{0xde, 0xad}), "dead");
    EXPECT_EQ(text(std::string("< >")), std::nullopt);
    EXPECT_EQ(text(NSData{}), std::nullopt);
    EXPECT_EQ(text(42L), std::nullopt);
    EXPECT_EQ(kvn::WaitingListEnrolment::deviceTokenText(NSNotification("n")), std::nullopt);
}

TEST_F(WaitingScreensTest, RefusedPushOffersARetryAndFailuresChangeNothing)
{
    // Refused while no waiting list is shown: ignored.
    placeWaitingList(KVNWaitingListStageRequestNotification);
    auto panel = waitingList;
    waitingList = nullptr;
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNPushNotificationNotAllowed");
    pump();
    EXPECT_TRUE(shown(panel->requestNotificationButton()));
    waitingList = panel;

    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNPushNotificationNotAllowed");
    pump();
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("PUSH_STAGE3_TITLE"));
    EXPECT_TRUE(shown(panel->retryNotificationButton()));
    EXPECT_TRUE(shown(panel->cancelButton()));
    writePicture("waiting-list-denied");

    // The retry asks again; this time the registration fails on the service.
    sim->setAnswer("POST", kIdentPath + "/notificationSubscription", 500, "{}");
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNPushRegistrationRequest", nullptr, nullptr, [&](const NSNotification&) {
            NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNDeviceTokenReceived", nullptr,
                                                                                      {{"deviceToken", NSData{0x01, 0x02}}});
        });
    tap(panel->retryNotificationButton());
    waitForIdle();
    pump();
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(posts(), (std::vector<std::string>{"/notificationSubscription"}));
    EXPECT_EQ(resultScreens, 0);
    EXPECT_EQ(finishes, 0);
    EXPECT_TRUE(shown(panel->retryNotificationButton()));

    // A failed enrolment likewise.
    sim->setAnswer("POST", kIdentPath + "/waitingListEnrollment", 500, "{}");
    enrolment->enrollForWaitingList();
    waitForIdle();
    pump();
    EXPECT_EQ(resultScreens, 0);
    EXPECT_EQ(finishes, 0);

    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNPushNotificationReceived");
    pump();
    EXPECT_TRUE(ident->informedByPush());
}

TEST_F(WaitingScreensTest, TheUserIsEnrolledOnceWhateverComesTwice)
{
    struct Case {
        const char* why;
        const char* channel;
        int tokensPerRequest;
        int taps;
        std::vector<std::string> posts;
    } cases[] = {
        {"a double tap on the SMS channel", "SMS", 0, 2, {"/waitingListEnrollment", "/canceled"}},
        {"a double tap on the push channel", "", 1, 2, {"/notificationSubscription", "/waitingListEnrollment", "/canceled"}},
        {"a host that hands over its token twice", "", 2, 1, {"/notificationSubscription", "/waitingListEnrollment", "/canceled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->reset();
        resultScreens = finishes = 0;
        ident->setPushNotificationChannel(std::string(c.channel));
        auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
        auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
            "KVNPushRegistrationRequest", nullptr, nullptr, [&](const NSNotification&) {
                for (int i = 0; i < c.tokensPerRequest; ++i)
                    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(
                        "KVNDeviceTokenReceived", nullptr, {{"deviceToken", NSData{0x0a, 0x1b}}});
            });
        window->layoutIfNeeded();
        for (int i = 0; i < c.taps; ++i)
            (void)Automation::Driver::tap(panel->requestNotificationButton());
        for (int round = 0; round < 3; ++round) {
            pump();
            waitForIdle();
        }
        NSNotificationCenter::defaultCenter()->removeObserver(observer);
        EXPECT_EQ(posts(), c.posts);
        EXPECT_EQ(resultScreens, 1);
        EXPECT_EQ(finishes, 1);
        panel->view()->removeFromSuperview();
        panel->removeFromParentViewController();
    }
}

TEST_F(WaitingScreensTest, ATokenAfterTheUserRefusedDoesNotEnrolThem)
{
    auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNPushNotificationNotAllowed");
    pump();
    ASSERT_TRUE(shown(panel->retryNotificationButton()));
    // The system hands the token over anyway (the host registered for it at launch).
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNDeviceTokenReceived", nullptr,
                                                                              {{"deviceToken", NSData{0x01, 0x02}}});
    pump();
    waitForIdle();
    pump();
    EXPECT_TRUE(posts().empty()) << "neither registered nor enrolled";
    EXPECT_EQ(resultScreens, 0);
    EXPECT_EQ(finishes, 0);
}

TEST_F(WaitingScreensTest, AHostThatNeverAnswersTheRegistrationRequestLeavesTheUserAWayOn)
{
    auto panel = placeWaitingList(KVNWaitingListStageRequestNotification);
    tap(panel->requestNotificationButton());
    runFor(kvn::WaitingListEnrolment::registrationAnswerTimeout / 2);
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("PUSH_STAGE2_TITLE")) << "the host is given time to answer";
    runFor(kvn::WaitingListEnrolment::registrationAnswerTimeout);
    EXPECT_EQ(panel->shortInfoLabel()->text(), L("PUSH_STAGE3_TITLE")) << "the user is told notifications are not available";
    EXPECT_TRUE(shown(panel->retryNotificationButton()));
    EXPECT_TRUE(shown(panel->cancelButton()));
    EXPECT_TRUE(posts().empty());

    // The retry asks again, and a host that answers this time enrols the user.
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        "KVNPushRegistrationRequest", nullptr, nullptr, [&](const NSNotification&) {
            NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo("KVNDeviceTokenReceived", nullptr,
                                                                                      {{"deviceToken", NSData{0x01, 0x02}}});
        });
    tap(panel->retryNotificationButton());
    for (int round = 0; round < 3; ++round) {
        pump();
        waitForIdle();
    }
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
    EXPECT_EQ(posts(), (std::vector<std::string>{"/notificationSubscription", "/waitingListEnrollment", "/canceled"}));
    EXPECT_EQ(resultScreens, 1);
}

// ---------------------------------------------------------------------------------------------
// Notification result screen

TEST_F(WaitingScreensTest, NotificationResultTextsPerChannelAndForcedState)
{
    ident->setForcedWaitingMessageSuccess("You are on the list.");
    ident->setForcedWaitingMessageEnrolled("You were already on the list.");
    struct Case {
        const char* name;
        const char* channel;
        bool forced, enrolled;
        std::string title, detail;
    };
    const Case cases[] = {
        {"push", "PUSH", false, false, L("RESULT_SUCCESS_TITLE_PUSHNOTIFICATION"), L("RESULT_SUCCESS_DETAIL_PUSHNOTIFICATION")},
        {"push, forced", "PUSH", true, false, L("RESULT_SUCCESS_TITLE_PUSHNOTIFICATION"), "You are on the list."},
        {"push, forced, enrolled", "", true, true, L("RESULT_SUCCESS_TITLE_PUSHNOTIFICATION"), "You were already on the list."},
        {"sms, forced, enrolled", "SMS", true, true, L("RESULT_SUCCESS_TITLE_SMSNOTIFICATION"), L("RESULT_SUCCESS_DETAIL_SMSNOTIFICATION")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ident->setPushNotificationChannel(std::string(c.channel));
        ident->setForceWaitingList(c.forced);
        ident->setEnrolledInWaitingList(c.enrolled);
        auto screen = std::make_shared<KVNNotificationResultViewController>();
        auto navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(screen);
        window->setRootViewController(navigation);
        runFor(1.0);
        window->layoutIfNeeded();
        std::vector<std::string> texts;
        std::function<void(const std::shared_ptr<UIView>&)> collect = [&](const std::shared_ptr<UIView>& view) {
            if (auto label = std::dynamic_pointer_cast<KVNLabel>(view))
                texts.push_back(label->text().value_or(""));
            for (const auto& sub : view->subviews())
                collect(sub);
        };
        collect(screen->view());
        EXPECT_EQ(texts, (std::vector<std::string>{c.title, c.detail}));
        EXPECT_FALSE(screen->processNumberLabel());
        if (std::string(c.name) == "push, forced")
            writePicture("notification-result");
    }
}

} // namespace
