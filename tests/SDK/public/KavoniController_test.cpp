// KavoniController without the service: where a start puts the first screen, how the screens
// are closed, and what each report does to the block, the delegate and the controller's state.
// The initialisation against the service is tests/SDK/integration/Initialization_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNIdentification.h"
#include "photo-ident/KVNCountrySelectionViewController.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "support/PresentationState.h"

namespace {

// Reaches the initialisation's own reports, which only its chain of service calls makes.
class TestController : public KavoniController {
public:
    using KavoniController::initializationFailedWithError;
    using KavoniController::requestSuccessfull;
};

// Records every report it takes; `responds` false stands for a delegate without any of them.
class RecordingDelegate : public KavoniControllerDelegate {
public:
    void kavoniControllerDidFinishInitializing(const std::shared_ptr<KavoniController>& controller) override
    {
        record("didFinishInitializing", controller, nullptr);
    }
    void kavoniController_initializationDidFailWithError(const std::shared_ptr<KavoniController>& controller,
                                                         const std::shared_ptr<NSError>& error) override
    {
        record("initializationDidFail", controller, error);
    }
    void kavoniControllerDidFinishIdentification(const std::shared_ptr<KavoniController>& controller) override
    {
        record("didFinishIdentification", controller, nullptr);
    }
    void kavoniControllerCanceledByUser(const std::shared_ptr<KavoniController>& controller) override
    {
        record("canceledByUser", controller, nullptr);
    }
    void kavoniController_identificationDidFailWithError(const std::shared_ptr<KavoniController>& controller,
                                                         const std::shared_ptr<NSError>& error) override
    {
        record("identificationDidFail", controller, error);
    }
    bool respondsToKavoniControllerDidFinishInitializing() const override { return responds; }
    bool respondsToKavoniController_initializationDidFailWithError() const override { return responds; }
    bool respondsToKavoniControllerDidFinishIdentification() const override { return responds; }
    bool respondsToKavoniControllerCanceledByUser() const override { return responds; }
    bool respondsToKavoniController_identificationDidFailWithError() const override { return responds; }

    void record(const std::string& name, const std::shared_ptr<KavoniController>& controller, const std::shared_ptr<NSError>& error)
    {
        calls.push_back(name);
        lastController = controller;
        lastError = error;
    }

    bool responds = true;
    std::vector<std::string> calls;
    std::shared_ptr<KavoniController> lastController;
    std::shared_ptr<NSError> lastError;
};

// A delegate that implements only the two required reports, as a host that does not care for
// the identification's outcome by delegate would.
class MinimalDelegate : public KavoniControllerDelegate {
public:
    void kavoniControllerDidFinishInitializing(const std::shared_ptr<KavoniController>&) override { ++count; }
    void kavoniController_initializationDidFailWithError(const std::shared_ptr<KavoniController>&, const std::shared_ptr<NSError>&) override
    {
        ++count;
    }
    int count = 0;
};

struct BlockCall {
    bool success;
    std::shared_ptr<NSError> error;
    bool canceledByUser;
};

class KavoniControllerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        KVNIdentification::resetSharedIdentification();
        KavoniAppearance::resetSharedAppearanceForTesting();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
        controller = std::make_shared<TestController>();
        controller->initWithSettings(settings);
        delegate = std::make_shared<RecordingDelegate>();
        controller->setDelegate(delegate);
    }

    void TearDown() override
    {
        // Nothing stays current into the next test.
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        runFor(1.0);
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        KavoniAppearance::resetSharedAppearanceForTesting();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        ManualClockFixture::TearDown();
    }

    KavoniCompletionBlock recordingBlock()
    {
        return [this](bool success, const std::shared_ptr<NSError>& error, bool canceledByUser) {
            blockCalls.push_back({success, error, canceledByUser});
        };
    }

    static void setType(KVNIdentificationType type) { KVNIdentification::sharedIdentification()->setIdentificationType(type); }

    // The host screen, inside a navigation controller or on its own; `root` is what a test
    // describes the presentation from.
    void makeHost(bool inNavigationController)
    {
        host = std::make_shared<UIViewController>();
        host->init();
        if (inNavigationController) {
            hostNavigation = std::make_shared<UINavigationController>();
            hostNavigation->initWithRootViewController(host);
            root = hostNavigation;
        } else {
            hostNavigation = nullptr;
            root = host;
        }
    }

    // The presentation with the library's screens named by their kind.
    std::string presentation() const
    {
        PresentationNames names{{host.get(), "host"}};
        std::vector<std::shared_ptr<UIViewController>> pending{root};
        while (!pending.empty()) {
            auto level = pending.back();
            pending.pop_back();
            if (!level)
                continue;
            std::vector<std::shared_ptr<UIViewController>> screens{level};
            if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(level))
                for (const auto& screen : navigation->viewControllers())
                    screens.push_back(screen);
            for (const auto& screen : screens) {
                if (std::dynamic_pointer_cast<KVNCountrySelectionViewController>(screen))
                    names[screen.get()] = "country";
                else if (std::dynamic_pointer_cast<KVNCheckTableViewController>(screen))
                    names[screen.get()] = "check";
                else if (std::dynamic_pointer_cast<KVNIdentificationViewController>(screen))
                    names[screen.get()] = "ident";
            }
            if (std::dynamic_pointer_cast<UIAlertController>(level))
                names[level.get()] = "alert";
            pending.push_back(level->presentedViewController());
        }
        // The video screen starts its attempt as it appears, and a start that finds no service
        // shows its alert over it, sooner or later; where the screens stand is what counts here.
        auto text = describePresentation(root, names);
        const std::string alert = " > alert";
        if (text.size() > alert.size() && text.compare(text.size() - alert.size(), alert.size(), alert) == 0)
            text.resize(text.size() - alert.size());
        return text;
    }

    // The navigation controller that holds the library's first screen.
    std::shared_ptr<UINavigationController> libraryNavigation() const
    {
        for (auto level = std::shared_ptr<UIViewController>(root); level; level = level->presentedViewController()) {
            auto navigation = std::dynamic_pointer_cast<UINavigationController>(level);
            if (navigation && navigation->topViewController() && navigation->topViewController() != host)
                return navigation;
        }
        return nullptr;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<TestController> controller;
    std::shared_ptr<RecordingDelegate> delegate;
    std::vector<BlockCall> blockCalls;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UINavigationController> hostNavigation;
    std::shared_ptr<UIViewController> root;
};

// Start placement ------------------------------------------------------------------------

TEST_F(KavoniControllerTest, StartPlacesTheFirstScreenByTypeAndSettings)
{
    struct Case {
        const char* reason;
        KVNIdentificationType type;
        bool showCheck;
        bool forceModal;
        bool hostInNavigation;
        const char* expected;
        bool presentedModally;
    };
    const Case cases[] = {
        {"photo from a navigation stack: pushed", KVNIdentificationTypePhoto, true, false, true, "Nav[host country]", false},
        {"photo, forced modal", KVNIdentificationTypePhoto, true, true, true, "Nav[host] > Nav[country]", true},
        {"photo from a screen without a stack", KVNIdentificationTypePhoto, true, false, false, "host > Nav[country]", true},
        {"video with the check screen: pushed", KVNIdentificationTypeVideo, true, false, true, "Nav[host check]", false},
        {"video with the check screen, forced modal", KVNIdentificationTypeVideo, true, true, true, "Nav[host] > Nav[check]", true},
        {"video with the check screen, no stack", KVNIdentificationTypeVideo, true, false, false, "host > Nav[check]", true},
        {"video screen itself: always presented", KVNIdentificationTypeVideo, false, false, true, "Nav[host] > Nav[ident]", true},
        {"video screen, no stack", KVNIdentificationTypeVideo, false, false, false, "host > Nav[ident]", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        setType(c.type);
        settings->setShowVideoOverviewCheck(c.showCheck);
        settings->setForceModalPresentation(c.forceModal);
        makeHost(c.hostInNavigation);
        auto start = std::make_shared<TestController>();
        start->initWithSettings(settings);

        start->startIdentificationFromViewController(host);
        runFor(0.5);
        EXPECT_EQ(presentation(), c.expected);
        EXPECT_EQ(start->identificationPresentedModally(), c.presentedModally);
        EXPECT_EQ(KavoniController::currentKavoniController(), start);
        EXPECT_EQ(start->presentingViewController(), host);
        if (auto check = std::dynamic_pointer_cast<KVNCheckTableViewController>(libraryNavigation()->topViewController())) {
            EXPECT_EQ(check->style(), UITableViewStyle::Plain);
        }

        start->identificationCanceledByUser();
        EXPECT_EQ(start->identificationPresentedModally(), c.presentedModally) << "the report leaves the flag";
        if (root->presentedViewController())
            root->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(0.5);
    }
}

TEST_F(KavoniControllerTest, StartKeepsTheBlockAndHandsOnTheLanguage)
{
    setType(KVNIdentificationTypePhoto);
    settings->setUserInterfaceLanguage("de");
    makeHost(true);
    controller->startIdentificationFromViewController_withCompletionBlock(host, recordingBlock());
    EXPECT_EQ(KVNLocalizer::userInterfaceLanguage(), std::optional<std::string>("de"));
    ASSERT_TRUE(controller->completionBlock());

    controller->identificationSuccessfull();
    ASSERT_EQ(blockCalls.size(), 1u) << "the start's block gets the identification's outcome";
    EXPECT_TRUE(blockCalls[0].success);
}

TEST_F(KavoniControllerTest, PushedStartAfterAModalOneTellsTheDismissalItWasPushed)
{
    setType(KVNIdentificationTypePhoto);
    settings->setForceModalPresentation(true);
    makeHost(true);
    controller->startIdentificationFromViewController(host);
    runFor(0.5);
    ASSERT_TRUE(controller->identificationPresentedModally());
    controller->dismissIdentificationFromNavigationController(libraryNavigation());
    controller->identificationSuccessfull();
    runFor(0.5);
    ASSERT_EQ(presentation(), "Nav[host]");

    settings->setForceModalPresentation(false);
    controller->startIdentificationFromViewController(host);
    runFor(0.5);
    EXPECT_FALSE(controller->identificationPresentedModally());
    controller->dismissIdentificationFromNavigationController(hostNavigation);
    runFor(0.5);
    EXPECT_EQ(presentation(), "Nav[host]") << "popped back to the host, not a dismissal of the host's stack";
}

TEST_F(KavoniControllerTest, NullViewControllerStartsNothing)
{
    controller->startIdentificationFromViewController_withCompletionBlock(nullptr, recordingBlock());
    EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
    EXPECT_FALSE(controller->completionBlock());
    EXPECT_TRUE(blockCalls.empty());
}

TEST_F(KavoniControllerTest, LightStatusBarTurnsTheUsedNavigationBarBlack)
{
    struct Case {
        const char* reason;
        bool lightContent;
        const char* infoJSON; // nullptr: no Info.json (screen-based appearance by default)
        bool pushed;
        UIBarStyle expected;
    };
    const Case cases[] = {
        {"light content, pushed: the host's bar", true, nullptr, true, UIBarStyle::Black},
        {"light content, presented: the new bar", true, nullptr, false, UIBarStyle::Black},
        {"theme does not ask for it", false, nullptr, true, UIBarStyle::Default},
        {"app-wide status bar style", true, R"({"UIViewControllerBasedStatusBarAppearance": false})", false, UIBarStyle::Default},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.infoJSON)
            bundle->writeFile("Info.json", c.infoJSON);
        else
            bundle->remove("Info.json");
        bundle->activate();
        KavoniAppearance::sharedAppearance()->setEnableStatusBarStyleLightContent(c.lightContent);
        setType(KVNIdentificationTypePhoto);
        settings->setForceModalPresentation(!c.pushed);
        makeHost(true);

        controller->startIdentificationFromViewController(host);
        runFor(0.5);
        auto used = c.pushed ? hostNavigation : libraryNavigation();
        ASSERT_TRUE(used);
        EXPECT_EQ(used->navigationBar()->barStyle(), c.expected);
        if (!c.pushed) {
            EXPECT_EQ(hostNavigation->navigationBar()->barStyle(), UIBarStyle::Default) << "the host's own bar is left alone";
        }
        controller->identificationCanceledByUser();
        if (root->presentedViewController())
            root->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(0.5);
    }
}

// Dismissal ------------------------------------------------------------------------------

TEST_F(KavoniControllerTest, DismissalClosesEveryLibraryScreen)
{
    struct Case {
        const char* reason;
        KVNIdentificationType type;
        bool showCheck;
        bool forceModal;
        bool hostInNavigation;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"photo, pushed: back to the host", KVNIdentificationTypePhoto, true, false, true, "Nav[host country ?]", "Nav[host]"},
        {"photo, presented: dismissed", KVNIdentificationTypePhoto, true, false, false, "host > Nav[country ?]", "host"},
        {"video without the check screen", KVNIdentificationTypeVideo, false, false, true, "Nav[host] > Nav[ident]", "Nav[host]"},
        {"video after a pushed check screen", KVNIdentificationTypeVideo, true, false, true, "Nav[host check] > Nav[ident]", "Nav[host]"},
        {"video after a presented check screen", KVNIdentificationTypeVideo, true, false, false, "host > Nav[check] > Nav[ident]", "host"},
        {"video after a forced-modal check screen", KVNIdentificationTypeVideo, true, true, true, "Nav[host] > Nav[check] > Nav[ident]", "Nav[host]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        setType(c.type);
        settings->setShowVideoOverviewCheck(c.showCheck);
        settings->setForceModalPresentation(c.forceModal);
        makeHost(c.hostInNavigation);
        controller->startIdentificationFromViewController(host);
        runFor(0.5);

        // What the later screens do: the photo screens push onto the library's stack, the
        // check screen presents the video screen in a navigation controller of its own.
        std::shared_ptr<UINavigationController> ending;
        if (c.type == KVNIdentificationTypePhoto) {
            ending = c.hostInNavigation && !c.forceModal ? hostNavigation : libraryNavigation();
            auto next = std::make_shared<UIViewController>();
            ending->pushViewController_animated(next, true);
        } else if (c.showCheck) {
            auto check = libraryNavigation()->topViewController();
            auto ident = std::make_shared<KVNIdentificationViewController>();
            ending = std::make_shared<UINavigationController>();
            ending->initWithRootViewController(ident);
            check->presentViewController_animated_completion(ending, true, nullptr);
        } else {
            ending = libraryNavigation();
        }
        runFor(0.5);
        ASSERT_EQ(presentation(), c.before);
        // The video screen's start finds no service here; its alert is answered first, as the
        // screens' endings run only once their alert has gone.
        if (auto alert = std::dynamic_pointer_cast<UIAlertController>(ending->presentedViewController())) {
            ending->dismissViewControllerAnimated_completion(false, nullptr);
            runFor(0.5);
        }

        controller->dismissIdentificationFromNavigationController(ending);
        EXPECT_TRUE(controller->shouldBlockUserCancellation()) << "the first screen must not report a cancel as it goes";
        runFor(1.0);
        EXPECT_EQ(presentation(), c.after);

        controller->identificationSuccessfull();
        EXPECT_FALSE(controller->shouldBlockUserCancellation());
        runFor(0.5);
    }
}

// Reports --------------------------------------------------------------------------------

TEST_F(KavoniControllerTest, EachReportReachesBlockAndDelegateThenCleansUp)
{
    const auto failure = KavoniErrorPrivate::kavoniErrorWithCode(1009);
    struct Case {
        const char* name;
        std::function<void(TestController&)> send;
        BlockCall expectedBlock;
        const char* expectedDelegate;
        bool initializedAfter;
    };
    const Case cases[] = {
        {"requestSuccessfull", [](TestController& c) { c.requestSuccessfull(); }, {true, nullptr, false}, "didFinishInitializing", true},
        {"initializationFailedWithError", [&](TestController& c) { c.initializationFailedWithError(failure); }, {false, failure, false},
         "initializationDidFail", false},
        {"identificationSuccessfull", [](TestController& c) { c.identificationSuccessfull(); }, {true, nullptr, false},
         "didFinishIdentification", false},
        {"identificationFailedWithError", [&](TestController& c) { c.identificationFailedWithError(failure); }, {false, failure, false},
         "identificationDidFail", false},
        {"identificationCanceledByUser", [](TestController& c) { c.identificationCanceledByUser(); }, {false, nullptr, true},
         "canceledByUser", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        blockCalls.clear();
        delegate->calls.clear();
        setType(KVNIdentificationTypePhoto);
        settings->setForceModalPresentation(true);
        makeHost(false);
        KVNIdentification::sharedIdentification()->setInformedByPush(true);
        controller->startIdentificationFromViewController_withCompletionBlock(host, recordingBlock());
        controller->setInitialized(true);
        runFor(0.5);

        c.send(*controller);
        ASSERT_EQ(blockCalls.size(), 1u);
        EXPECT_EQ(blockCalls[0].success, c.expectedBlock.success);
        EXPECT_EQ(blockCalls[0].error, c.expectedBlock.error);
        EXPECT_EQ(blockCalls[0].canceledByUser, c.expectedBlock.canceledByUser);
        ASSERT_EQ(delegate->calls, std::vector<std::string>{c.expectedDelegate});
        EXPECT_EQ(delegate->lastController, controller);
        EXPECT_EQ(delegate->lastError, c.expectedBlock.error);

        EXPECT_EQ(controller->initialized(), c.initializedAfter);
        EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
        EXPECT_FALSE(controller->completionBlock());
        EXPECT_EQ(controller->presentingViewController(), nullptr);
        EXPECT_TRUE(controller->identificationPresentedModally()) << "clean-up leaves how the screens were shown";
        EXPECT_EQ(KVNIdentification::sharedIdentification()->informedByPush(), std::string(c.name) != "identificationSuccessfull")
            << "only a successful identification clears the push flag";

        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(0.5);
    }
}

TEST_F(KavoniControllerTest, DelegateThatAnswersNoneGetsNothing)
{
    delegate->responds = false;
    settings->setTransactionToken(std::nullopt);
    controller->initializeWithCompletionBlock(nullptr); // no token: fails at once with 1000
    controller->requestSuccessfull();
    controller->identificationSuccessfull();
    controller->identificationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(1010));
    controller->identificationCanceledByUser();
    EXPECT_TRUE(delegate->calls.empty());

    // The optional reports have empty defaults: a delegate with only the required two is fine.
    auto minimal = std::make_shared<MinimalDelegate>();
    controller->setDelegate(minimal);
    controller->identificationSuccessfull();
    controller->identificationCanceledByUser();
    controller->identificationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(1010));
    controller->requestSuccessfull();
    EXPECT_EQ(minimal->count, 1) << "only the initialisation report reached it";
}

TEST_F(KavoniControllerTest, DelegateIsHeldWeakly)
{
    std::weak_ptr<RecordingDelegate> weak = delegate;
    delegate.reset();
    EXPECT_TRUE(weak.expired());
    controller->identificationCanceledByUser(); // no delegate any more: nothing to send to
    EXPECT_EQ(controller->delegate(), nullptr);
}

TEST_F(KavoniControllerTest, BlockRunsOncePerReportAndLaterReportsReachOnlyTheDelegate)
{
    setType(KVNIdentificationTypePhoto);
    makeHost(false);
    controller->startIdentificationFromViewController_withCompletionBlock(host, recordingBlock());
    controller->identificationCanceledByUser();
    controller->identificationCanceledByUser(); // e.g. a screen that reports twice
    controller->identificationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(1010));
    EXPECT_EQ(blockCalls.size(), 1u);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"canceledByUser", "canceledByUser", "identificationDidFail"}));
}

TEST_F(KavoniControllerTest, HostMayStartFromInsideTheInitialisationBlock)
{
    // The usual host: start the identification as soon as the initialisation reports success.
    setType(KVNIdentificationTypePhoto);
    makeHost(true);
    int initReports = 0;
    int identificationReports = 0;
    // The block as the initialisation keeps it (a start keeps its block the same way), then
    // the chain's success report.
    controller->startIdentificationFromViewController_withCompletionBlock(host, [&](bool success, const std::shared_ptr<NSError>&, bool) {
        ++initReports;
        ASSERT_TRUE(success);
        controller->startIdentificationFromViewController_withCompletionBlock(
            host, [&](bool, const std::shared_ptr<NSError>&, bool) { ++identificationReports; });
    });
    controller->requestSuccessfull();
    EXPECT_EQ(initReports, 1);
    EXPECT_EQ(KavoniController::currentKavoniController(), controller) << "the start inside the block made it current again";
    EXPECT_TRUE(controller->completionBlock()) << "the start's block is kept, not dropped by the report that ran it";
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"didFinishInitializing"});

    controller->identificationSuccessfull();
    EXPECT_EQ(identificationReports, 1);
    EXPECT_EQ(initReports, 1);
}

TEST_F(KavoniControllerTest, InitialisationWithoutTokenFailsAtOnceAndLetsGo)
{
    // The one initialisation outcome that needs neither service nor devices.
    settings->setTransactionToken(std::nullopt);
    controller->initializeWithCompletionBlock(recordingBlock());
    ASSERT_EQ(blockCalls.size(), 1u);
    ASSERT_TRUE(blockCalls[0].error);
    EXPECT_EQ(blockCalls[0].error->code(), 1000);
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"initializationDidFail"});
    EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
    EXPECT_EQ(KVNIdentification::sharedIdentification()->settings(), settings) << "the settings reached the shared session first";
}

TEST_F(KavoniControllerTest, CleanupLeavesAnotherCurrentControllerAlone)
{
    setType(KVNIdentificationTypePhoto);
    makeHost(true);
    auto second = std::make_shared<TestController>();
    second->initWithSettings(settings);

    controller->startIdentificationFromViewController(host);
    ASSERT_EQ(KavoniController::currentKavoniController(), controller);
    second->startIdentificationFromViewController_withCompletionBlock(host, nullptr);
    ASSERT_EQ(KavoniController::currentKavoniController(), second);

    controller->identificationCanceledByUser(); // a late report of the first identification
    EXPECT_EQ(KavoniController::currentKavoniController(), second) << "the second identification keeps running";

    second->identificationCanceledByUser();
    EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
}

} // namespace
