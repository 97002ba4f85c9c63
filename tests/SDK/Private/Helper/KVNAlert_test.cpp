#include "Private/Helper/KVNAlert.h"

#include <memory>
#include <string>
#include <vector>

#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "public/KavoniAppearance.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

class KVNAlertTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
        KavoniAppearance::resetSharedAppearanceForTesting();
        KavoniAppearance::sharedAppearance()->setPrimaryBrandColor(brand);
        presenter = std::make_shared<UIViewController>();
        presenter->init();
    }
    void TearDown() override
    {
        KavoniAppearance::resetSharedAppearanceForTesting();
        UIApplication::sharedApplication()->resetForTesting();
        ManualClockFixture::TearDown();
    }

    static std::vector<std::string> titles(const std::shared_ptr<UIAlertController>& alert)
    {
        std::vector<std::string> result;
        for (const auto& action : alert->actions())
            result.push_back(action->title().value_or("(nil)") + (action->style() == UIAlertActionStyle::Cancel ? "/cancel" : "/default"));
        return result;
    }
    bool hasBrandTint(const std::shared_ptr<UIAlertController>& alert) const { return alert->view()->tintColor()->isEqual(*brand); }

    std::shared_ptr<UIColor> brand = UIColor::colorWithRed_green_blue_alpha(0.2, 0.4, 0.6, 1.0);
    std::shared_ptr<UIViewController> presenter;
};

TEST_F(KVNAlertTest, TwoButtonsEachRunTheirBlock)
{
    std::vector<std::string> ran;
    auto alert = KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        presenter, std::string("Title"), std::string("Message"), std::string("NO"), [&] { ran.push_back("cancel"); }, std::string("YES"),
        [&] { ran.push_back("second"); });
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Title");
    EXPECT_EQ(alert->message(), "Message");
    EXPECT_EQ(alert->preferredStyle(), UIAlertControllerStyle::Alert);
    EXPECT_EQ(titles(alert), (std::vector<std::string>{"NO/cancel", "YES/default"}));
    EXPECT_EQ(presenter->presentedViewController(), alert);
    EXPECT_TRUE(hasBrandTint(alert));

    runFor(1.0);
    EXPECT_TRUE(alert->tapActionWithTitle("YES"));
    runFor(1.0);
    EXPECT_EQ(ran, std::vector<std::string>{"second"});
    EXPECT_FALSE(presenter->presentedViewController());
}

TEST_F(KVNAlertTest, ButtonsOnlyForGivenTitles)
{
    const struct {
        const char* reason;
        std::optional<std::string> cancel;
        std::optional<std::string> second;
        std::vector<std::string> buttons;
    } cases[] = {
        {"neither title", std::nullopt, std::nullopt, {}},
        {"cancel only", std::string("OK"), std::nullopt, {"OK/cancel"}},
        {"second only", std::nullopt, std::string("RETRY"), {"RETRY/default"}},
    };
    for (const auto& c : cases) {
        auto host = std::make_shared<UIViewController>();
        auto alert = KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
            host, std::nullopt, std::nullopt, c.cancel, nullptr, c.second, nullptr);
        EXPECT_EQ(titles(alert), c.buttons) << c.reason;
        EXPECT_FALSE(alert->title()) << c.reason;
    }
}

TEST_F(KVNAlertTest, ButtonWithoutBlockOnlyClosesTheAlert)
{
    int cancels = 0;
    auto alert = KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        presenter, std::string("T"), std::string("M"), std::string("CANCEL"), [&] { ++cancels; });
    EXPECT_EQ(titles(alert), std::vector<std::string>{"CANCEL/cancel"});
    runFor(1.0);
    alert->tapActionWithTitle("CANCEL");
    runFor(1.0);
    EXPECT_EQ(cancels, 1);

    auto silent = KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        presenter, std::nullopt, std::nullopt, std::string("A"), nullptr, std::string("B"), nullptr);
    runFor(1.0);
    EXPECT_TRUE(silent->tapActionWithTitle("B"));
    runFor(1.0);
    EXPECT_FALSE(presenter->presentedViewController());
}

// The platform may re-tint an alert while it is being presented; the brand tint is put back
// 0.1 s later on the main queue.
TEST_F(KVNAlertTest, TintIsSetAgainATenthOfASecondLater)
{
    auto alert = KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        presenter, std::string("T"), std::nullopt, std::string("OK"), nullptr);
    alert->view()->setTintColor(UIColor::redColor());
    runFor(0.05);
    EXPECT_FALSE(hasBrandTint(alert));
    runFor(0.05);
    EXPECT_TRUE(hasBrandTint(alert));
}

TEST_F(KVNAlertTest, PermissionAlertOffersTheSettingsPage)
{
    KvnTestBundle bundle;
    NSLocale::setPreferredLanguages({"en"});
    const std::string ok = KVNLocalizer::localizedStringForKey("OK");
    const std::string settings = KVNLocalizer::localizedStringForKey("SETTINGS");
    ASSERT_NE(settings, "SETTINGS") << "the library's table has a text for the key";

    auto alert = KVNAlert::presentPermissionAlertFromViewController_withTitle_settingsMessage(presenter, std::string("Camera"),
                                                                                            std::string("Allow the camera in the settings."));
    EXPECT_EQ(alert->title(), "Camera");
    EXPECT_EQ(alert->message(), "Allow the camera in the settings.");
    EXPECT_EQ(titles(alert), (std::vector<std::string>{ok + "/cancel", settings + "/default"}));
    EXPECT_TRUE(hasBrandTint(alert));

    runFor(1.0);
    EXPECT_TRUE(alert->tapActionWithTitle(settings));
    runFor(1.0);
    EXPECT_EQ(UIApplication::sharedApplication()->openedURLs(), std::vector<std::string>{UIApplicationOpenSettingsURLString});
}

TEST_F(KVNAlertTest, PermissionAlertOkOpensNothing)
{
    KvnTestBundle bundle;
    auto alert = KVNAlert::presentPermissionAlertFromViewController_withTitle_settingsMessage(presenter, std::nullopt, std::nullopt);
    runFor(1.0);
    EXPECT_TRUE(alert->tapActionWithTitle(KVNLocalizer::localizedStringForKey("OK")));
    runFor(1.0);
    EXPECT_TRUE(UIApplication::sharedApplication()->openedURLs().empty());
    EXPECT_FALSE(presenter->presentedViewController());
}

} // namespace
