// The main job's watch: a picture of each screen that comes to rest, and the end of the app
// with the outcome's status: the "Error" alert, the identification's first screen, or the
// time-out.
#include "HostTestFixture.h"

#include <filesystem>
#include <fstream>

#include "KavoniViewController.h"
#include "Foundation/NSError.h"
#include "MainJob.h"
#include "UIKit/UINavigationController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNotificationResultViewController.h"
#include "UIKit/UIView.h"
#include "photo-ident/KVNCountrySelectionViewController.h"

namespace {

// Stays out of the library: the test puts a first library screen over it by hand.
class QuietKavoniViewController : public KavoniViewController {
public:
    void startVideoIdent() override {}
};

bool isPNG(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char signature[8] = {};
    in.read(signature, sizeof signature);
    return in && std::string(signature + 1, 3) == "PNG";
}

} // namespace

class MainJobTest : public HostTest {
protected:
    std::shared_ptr<MainJob> startJob(double timeout = 60)
    {
        showRootScreen();
        MainJob::Options options;
        options.outputFolder = (tempDirectory() / "pictures").string();
        options.timeoutSeconds = timeout;
        job = std::make_shared<MainJob>(options);
        job->start();
        loop->pump();
        return job;
    }

    std::optional<int> status() const { return UIApplication::sharedApplication()->terminationStatus(); }

    // The host's screen over the root, then the library's first screen over it in a navigation
    // controller, each let to come to rest.
    std::shared_ptr<QuietKavoniViewController> presentLibraryScreen(const std::shared_ptr<UIViewController>& first)
    {
        auto host = std::make_shared<QuietKavoniViewController>();
        host->init();
        root->presentModalViewController_animated(host, true);
        runFor(1.0);
        auto navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(first);
        host->presentViewController_animated_completion(navigation, true, nullptr);
        runFor(1.0);
        return host;
    }

    // A new screen over the root whose panel slides in for `seconds`.
    void presentSlidingPanel(double seconds)
    {
        auto moving = std::make_shared<UIViewController>();
        moving->init();
        moving->setTitle(std::string("Moving"));
        auto panel = std::make_shared<UIView>();
        panel->initWithFrame(CGRectMake(0, 600, 100, 100));
        moving->view()->addSubview(panel);
        root->presentViewController_animated_completion(moving, false, nullptr);
        UIView::animateWithDuration_animations(seconds, [panel] { panel->setFrame(CGRectMake(0, 0, 100, 100)); });
    }

    std::shared_ptr<MainJob> job;
};

TEST_F(MainJobTest, TheErrorAlertEndsTheAppWithStatusOneAfterAPictureOfEachScreen)
{
    startJob();
    ASSERT_EQ(job->pictures().size(), 1u) << "the root screen";

    auto screen = std::make_shared<KavoniViewController>();
    screen->init(); // no token: the "Error" alert follows
    root->presentModalViewController_animated(screen, true);
    runFor(1.0);

    EXPECT_TRUE(job->isFinished());
    EXPECT_EQ(status(), 1);
    ASSERT_EQ(job->pictures().size(), 2u);
    EXPECT_NE(job->pictures()[1].find("02-UIAlertController.png"), std::string::npos);
    for (const auto& picture : job->pictures())
        EXPECT_TRUE(isPNG(picture)) << picture;

    runFor(5.0);
    EXPECT_EQ(job->pictures().size(), 2u) << "the watch has stopped";
}

struct HostOutcome {
    bool success;
    bool canceled;
    int status;
};

class MainJobOutcomeTest : public MainJobTest, public ::testing::WithParamInterface<HostOutcome> {};

TEST_P(MainJobOutcomeTest, TheLibrarysFirstScreenDoesNotEndTheApp_TheHostsOutcomeDoes)
{
    const auto [success, canceled, expected] = GetParam();
    startJob();
    auto first = std::make_shared<UIViewController>();
    first->init();
    auto screen = presentLibraryScreen(first);
    EXPECT_FALSE(job->isFinished()) << "the user goes on from the first screen";
    EXPECT_EQ(job->pictures().size(), 3u) << "root, host, first library screen";

    // What the library hands the host's completion when the identification ends.
    ASSERT_TRUE(screen->endObserver()) << "the job listens to the host";
    screen->endObserver()(success, success || canceled ? nullptr : NSError::errorWithDomain_code_userInfo("de.kavoni.kavoni", 1011), canceled);
    EXPECT_EQ(status(), expected);
    EXPECT_TRUE(job->isFinished());
}

INSTANTIATE_TEST_SUITE_P(Outcomes, MainJobOutcomeTest,
                         ::testing::Values(HostOutcome{true, false, 0}, HostOutcome{false, false, 1}, HostOutcome{false, true, 3}),
                         [](const auto& info) { return info.param.success ? "Success" : info.param.canceled ? "Cancel" : "Failure"; });

TEST_F(MainJobTest, ThePhotoRoadsFirstScreenHandsTheRoadToItsUserWhoseDeadEndIsStatusOne)
{
    startJob();
    auto screen = std::make_shared<QuietKavoniViewController>();
    screen->init();
    root->presentModalViewController_animated(screen, true);
    runFor(1.0);

    // No photo session: the country screen offers nothing to choose, a dead end for the user.
    auto country = std::make_shared<KVNCountrySelectionViewController>();
    country->init();
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(country);
    screen->presentViewController_animated_completion(navigation, true, nullptr);
    runFor(MainJob::kWatchInterval * 2);
    EXPECT_FALSE(job->isFinished()) << "the first screen of the photo road is not the outcome; the user takes over";

    runFor(2.0);
    EXPECT_EQ(status(), 1);
}

TEST_F(MainJobTest, WithoutAnOutcomeTheTimeOutEndsTheAppWithStatusTwo)
{
    startJob(3.0);
    runFor(2.9);
    EXPECT_FALSE(status());
    runFor(0.2);
    EXPECT_EQ(status(), 2);
    EXPECT_EQ(job->pictures().size(), 1u);
}

// A success the host hears after the waiting list's notification screen is a place on the
// list, not an identification: the run says so with a status of its own.
TEST_F(MainJobTest, ASuccessAfterTheEnrolmentScreenIsStatusFour)
{
    startJob();
    auto enrolled = std::make_shared<KVNNotificationResultViewController>();
    enrolled->init();
    auto screen = presentLibraryScreen(enrolled);
    ASSERT_TRUE(screen->endObserver());
    screen->endObserver()(true, nullptr, false);
    EXPECT_EQ(status(), 4);
}

// A picture shows the screen once it has come to rest: a screen whose views still move is
// pictured after the animation has ended, with its end state.
TEST_F(MainJobTest, AScreenIsPicturedOnceItsAnimationsHaveEnded)
{
    startJob();
    ASSERT_EQ(job->pictures().size(), 1u);

    presentSlidingPanel(2.0);
    EXPECT_FALSE(MainJob::windowIsSettled(window));

    runFor(1.5);
    EXPECT_EQ(job->pictures().size(), 1u) << "the panel is still sliding in";
    runFor(1.0);
    EXPECT_TRUE(MainJob::windowIsSettled(window));
    EXPECT_EQ(job->pictures().size(), 2u);
}

// Something that never comes to rest does not stop the watch: it looks once the longest wait
// has passed.
TEST_F(MainJobTest, AWindowThatKeepsMovingIsPicturedAfterTheLongestWait)
{
    startJob();
    presentSlidingPanel(60.0);
    runFor(MainJob::kLongestSettle - 0.5);
    EXPECT_EQ(job->pictures().size(), 1u);
    runFor(1.0);
    EXPECT_EQ(job->pictures().size(), 2u);
}

TEST(MainJobOptions, AScreenSizeIsWidthByHeightInPoints)
{
    struct Case {
        const char* text;
        std::optional<CGSize> size;
    };
    const Case cases[] = {
        {"320x480", CGSizeMake(320, 480)},
        {"375x667", CGSizeMake(375, 667)},
        {"320", std::nullopt},           // no height
        {"320x480x2", std::nullopt},     // more than two numbers
        {"320 x 480", std::nullopt},     // blanks
        {"0x480", std::nullopt},         // no phone is that narrow
        {"-320x480", std::nullopt},      // negative
        {"99999x480", std::nullopt},     // nor that wide
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto size = MainJob::screenSizeFromText(c.text);
        ASSERT_EQ(size.has_value(), c.size.has_value());
        if (size) {
            EXPECT_EQ(size->width, c.size->width);
            EXPECT_EQ(size->height, c.size->height);
        }
    }
}
