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
    auto screen = std::make_shared<QuietKavoniViewController>();
    screen->init();
    root->presentModalViewController_animated(screen, true);
    runFor(1.0);

    auto first = std::make_shared<UIViewController>();
    first->init();
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(first);
    screen->presentViewController_animated_completion(navigation, true, nullptr);
    runFor(1.0);
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
