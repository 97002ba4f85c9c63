#include "Private/Helper/KVNPhoneHelper.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIViewController.h"
#include "models/KVNIdentification.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

// The German mobile number of the examples, in the forms a user types it.
const std::string kE164 = "+4915123456789";
const std::string kNational = "0151 23456789";

class KVNPhoneHelperTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        NSLocale::setCurrentLocaleIdentifier("de_DE");
        NSLocale::setPreferredLanguages({"en"});
        bundle = std::make_unique<KvnTestBundle>();
        presenter = std::make_shared<UIViewController>();
        presenter->init();
        field = std::make_shared<UITextField>();
        helper = std::make_shared<KVNPhoneHelper>();
    }
    void TearDown() override
    {
        bundle.reset();
        KVNIdentification::resetSharedIdentification();
        UIApplication::sharedApplication()->resetForTesting();
        ManualClockFixture::TearDown();
    }

    // Runs the advanced check on `typed`; records the dismiss block's answers.
    bool check(const std::string& typed, bool advanced = true)
    {
        field->setText(typed);
        return helper->validatePhone_forVC_advancedCheck_dismissBlock(field, presenter, advanced,
                                                                     [this](bool valid) { dismissed.push_back(valid); });
    }
    std::shared_ptr<UIAlertController> shownAlert() const
    {
        return std::dynamic_pointer_cast<UIAlertController>(presenter->presentedViewController());
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<UIViewController> presenter;
    std::shared_ptr<UITextField> field;
    std::shared_ptr<KVNPhoneHelper> helper;
    std::vector<bool> dismissed;
};

TEST_F(KVNPhoneHelperTest, ValidatePhoneNumberGivesE164WithTheDeviceRegion)
{
    const struct {
        const char* reason;
        std::optional<std::string> text;
        std::optional<std::string> e164;
    } cases[] = {
        {"national form, German region", kNational, kE164},
        {"separators", std::string("(0151) 234-567 89"), kE164},
        {"E.164 itself", kE164, kE164},
        {"international prefix", std::string("0049 151 23456789"), kE164},
        {"another country in E.164", std::string("+41781234567"), std::string("+41781234567")},
        {"too short", std::string("0151 234"), std::nullopt},
        {"letters", std::string("call me"), std::nullopt},
        {"empty", std::string(), std::nullopt},
        {"nil", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(helper->validatePhoneNumber(c.text), c.e164) << c.reason;
}

TEST_F(KVNPhoneHelperTest, RegionFollowsTheCurrentLocale)
{
    // A national number that both countries hand out (a German area code, a Swiss mobile).
    EXPECT_EQ(helper->validatePhoneNumber(std::string("078 123 45 67")), "+49781234567");
    NSLocale::setCurrentLocaleIdentifier("de_CH");
    EXPECT_EQ(helper->validatePhoneNumber(std::string("078 123 45 67")), "+41781234567");
    NSLocale::setCurrentLocaleIdentifier("en");
    EXPECT_EQ(helper->validatePhoneNumber(kNational), std::nullopt) << "no country: a national number cannot be read";
    EXPECT_EQ(helper->validatePhoneNumber(kE164), kE164);
}

TEST_F(KVNPhoneHelperTest, SimpleCheckAcceptsAnyNonEmptyText)
{
    EXPECT_TRUE(helper->isValidPhoneNumber_advancedCheck(std::string("x"), false));
    EXPECT_TRUE(helper->isValidPhoneNumber_advancedCheck(std::string(" "), false));
    EXPECT_FALSE(helper->isValidPhoneNumber_advancedCheck(std::string(), false));
    EXPECT_FALSE(helper->isValidPhoneNumber_advancedCheck(std::nullopt, false));
    EXPECT_TRUE(helper->isValidPhoneNumber_advancedCheck(kNational, true));
    EXPECT_FALSE(helper->isValidPhoneNumber_advancedCheck(std::string("x"), true));

    EXPECT_TRUE(check("not a number", false));
    EXPECT_FALSE(check("", false));
    EXPECT_EQ(field->text(), "") << "the simple check leaves the field alone";
    EXPECT_FALSE(presenter->presentedViewController());
    EXPECT_TRUE(dismissed.empty());
}

TEST_F(KVNPhoneHelperTest, E164AsTypedPassesWithoutAlert)
{
    EXPECT_TRUE(check(kE164));
    EXPECT_EQ(field->text(), kE164);
    EXPECT_FALSE(presenter->presentedViewController());
    EXPECT_EQ(dismissed, std::vector<bool>{true});
}

TEST_F(KVNPhoneHelperTest, NationalFormIsCorrectedInTheFieldWithAnAlert)
{
    EXPECT_FALSE(check(kNational));
    EXPECT_EQ(field->text(), kE164);
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "");
    EXPECT_EQ(alert->message(), KVNLocalizer::localizedStringForKey("js.mobile.phone.validation.corrected"));
    EXPECT_NE(alert->message(), "js.mobile.phone.validation.corrected");
    ASSERT_EQ(alert->actions().size(), 1u);
    EXPECT_EQ(alert->actions()[0]->title(), KVNLocalizer::localizedStringForKey("OK"));
    EXPECT_EQ(alert->actions()[0]->style(), UIAlertActionStyle::Cancel);
    EXPECT_TRUE(dismissed.empty()) << "the dismiss block waits for the button";

    runFor(1.0);
    EXPECT_TRUE(alert->tapActionAtIndex(0));
    runFor(1.0);
    EXPECT_EQ(dismissed, std::vector<bool>{false});
}

TEST_F(KVNPhoneHelperTest, InvalidNumberStaysAsTypedWithTheErrorAlert)
{
    EXPECT_FALSE(check("0151 234"));
    EXPECT_EQ(field->text(), "0151 234");
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), KVNLocalizer::localizedStringForKey("js.mobile.phone.validation.error"));
    runFor(1.0);
    alert->tapActionAtIndex(0);
    runFor(1.0);
    EXPECT_EQ(dismissed, std::vector<bool>{false});
}

TEST_F(KVNPhoneHelperTest, TheServiceTextWinsOverTheLibraryText)
{
    KVNIdentification::sharedIdentification()->setMessages(JSONValue{{"js.mobile.phone.validation.error", "Service says no."}});
    EXPECT_FALSE(check("garbage"));
    ASSERT_TRUE(shownAlert());
    EXPECT_EQ(shownAlert()->message(), "Service says no.");
}

TEST_F(KVNPhoneHelperTest, NoFieldNoPresenterNoBlockNeverCrash)
{
    EXPECT_FALSE(helper->validatePhone_forVC_advancedCheck_dismissBlock(nullptr, nullptr, true, nullptr));
    EXPECT_FALSE(helper->validatePhone_forVC_advancedCheck_dismissBlock(nullptr, nullptr, false, nullptr));
    field->setText(kNational);
    EXPECT_FALSE(helper->validatePhone_forVC_advancedCheck_dismissBlock(field, presenter, true, nullptr));
    ASSERT_TRUE(shownAlert());
    runFor(1.0);
    shownAlert()->tapActionAtIndex(0);
    runFor(1.0);
    field->setText(kE164);
    EXPECT_TRUE(helper->validatePhone_forVC_advancedCheck_dismissBlock(field, presenter, true, nullptr));
}

} // namespace
