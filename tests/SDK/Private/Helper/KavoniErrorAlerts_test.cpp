#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPErrorKeys.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIViewController.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

class KavoniErrorAlertTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        NSLocale::setPreferredLanguages({"en"});
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        bundle.emplace();
        bundle->setHostStrings({{"VIDEO_IDENT_FAILED_ALERT_MESSAGE", "[failed]"},
                                {"KAVONI_ERROR_DESCRIPTION_1009", "[1009]"},
                                {"KAVONI_ERROR_DESCRIPTION_1009_503", "[1009_503]"},
                                {"KAVONI_ERROR_DESCRIPTION_1009_500", "[1009_500 %@ %@]"},
                                {"KAVONI_ERROR_DESCRIPTION_1009_404", "[1009_404]"},
                                {"OK", "[ok]"},
                                {"ERROR", "[ERROR]"},
                                {"KAVONI_INTERNAL_ERROR_DESCRIPTION_2014", "[2014]"},
                                {"KAVONI_INTERNAL_ERROR_DESCRIPTION_2021", "[2021]"}});
        presenter = std::make_shared<UIViewController>();
    }
    void TearDown() override
    {
        presenter.reset();
        bundle.reset();
        ManualClockFixture::TearDown();
    }

    static std::shared_ptr<NSError> serviceError(long code, long status, const std::string& body)
    {
        auto task = std::make_shared<NSURLSessionTask>();
        task->setResponse(std::make_shared<NSHTTPURLResponse>(status));
        auto http = NSError::errorWithDomain_code_userInfo("kvn.http", -1011, {{HTTPFailingResponseDataErrorKey, NSDataFromString(body)}});
        return code >= 2000 ? KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(code, http, task)
                            : KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(code, task, http);
    }

    static std::vector<std::pair<std::string, UIAlertActionStyle>> buttons(const UIAlertController& alert)
    {
        std::vector<std::pair<std::string, UIAlertActionStyle>> out;
        for (const auto& action : alert.actions())
            out.emplace_back(action->title().value_or("(nil)"), action->style());
        return out;
    }

    std::optional<KvnTestBundle> bundle;
    std::shared_ptr<UIViewController> presenter;
};

using Buttons = std::vector<std::pair<std::string, UIAlertActionStyle>>;

} // namespace

// The message goes by the status alone; the error's own description is not shown.
TEST_F(KavoniErrorAlertTest, ServerErrorAlertMessageByStatus)
{
    struct Case {
        long status;
        const char* body;
        std::string message;
    };
    const Case cases[] = {
        {500, R"({"errors":[{"id":"E-5"}]})", "[1009_500 " + KavoniSupportEmailAddress + " E-5]"},
        {500, R"({"errors":[]})", "[1009]"},
        {503, "", "[1009_503]"},
        {404, R"({"errors":[{"cause":"OBJECT_NOT_FOUND"}]})", "[1009]"}, // not the error's 404 description
        {0, "", "[1009]"},
    };
    for (const auto& c : cases) {
        auto host = std::make_shared<UIViewController>();
        const auto alert =
            KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(*serviceError(1009, c.status, c.body), host, nullptr);
        ASSERT_TRUE(alert) << c.status;
        EXPECT_EQ(alert->title(), std::optional<std::string>("[failed]")) << c.status;
        EXPECT_EQ(alert->message(), std::optional<std::string>(c.message)) << c.status;
        EXPECT_EQ(buttons(*alert), (Buttons{{"[ok]", UIAlertActionStyle::Cancel}})) << c.status;
        EXPECT_EQ(host->presentedViewController(), alert) << c.status;
    }
}

TEST_F(KavoniErrorAlertTest, ServerErrorAlertTapRunsTheBlockOnce)
{
    int taps = 0;
    const auto alert = KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(*serviceError(1009, 503, ""), presenter,
                                                                                                  [&taps] { ++taps; });
    runFor(1.0);
    ASSERT_TRUE(alert->tapActionWithTitle("[ok]"));
    runFor(1.0);
    EXPECT_EQ(taps, 1);
    EXPECT_FALSE(presenter->presentedViewController());
}

TEST_F(KavoniErrorAlertTest, ErrorAlertShowsTitleDescriptionAndTheGivenButtons)
{
    const auto error = serviceError(2014, 400, R"({"errors":[{"cause":"OTHER"}]})");
    int cancels = 0, seconds = 0;
    const auto alert = KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        *error, presenter, "Cancel", [&cancels] { ++cancels; }, "Retry", [&seconds] { ++seconds; });

    EXPECT_EQ(alert->title(), std::optional<std::string>("[ERROR]"));
    EXPECT_EQ(alert->message(), std::optional<std::string>("[2014]"));
    EXPECT_EQ(buttons(*alert), (Buttons{{"Cancel", UIAlertActionStyle::Cancel}, {"Retry", UIAlertActionStyle::Default}}));

    runFor(1.0);
    ASSERT_TRUE(alert->tapActionWithTitle("Retry"));
    runFor(1.0);
    EXPECT_EQ(seconds, 1);
    EXPECT_EQ(cancels, 0);

    const auto again = KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        *error, presenter, "Cancel", [&cancels] { ++cancels; }, "Retry", [&seconds] { ++seconds; });
    runFor(1.0);
    ASSERT_TRUE(again->tapActionWithTitle("Cancel"));
    runFor(1.0);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(seconds, 1);
}

TEST_F(KavoniErrorAlertTest, ErrorAlertButtonsOnlyForGivenTitles)
{
    struct Case {
        std::optional<std::string> cancel;
        std::optional<std::string> second;
        Buttons expected;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, {}},
        {"Close", std::nullopt, {{"Close", UIAlertActionStyle::Cancel}}},
        {std::nullopt, "Go on", {{"Go on", UIAlertActionStyle::Default}}},
    };
    for (const auto& c : cases) {
        auto host = std::make_shared<UIViewController>();
        // A lost media link (2021) has an empty title, not a looked-up one.
        const auto alert = KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
            *KavoniErrorPrivate::kavoniInternalErrorWithCode(2021), host, c.cancel, nullptr, c.second, nullptr);
        EXPECT_EQ(alert->title(), std::optional<std::string>(""));
        EXPECT_EQ(alert->message(), std::optional<std::string>("[2021]"));
        EXPECT_EQ(buttons(*alert), c.expected);
    }
    // A button without a block only closes the alert.
    const auto alert = KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        *KavoniErrorPrivate::kavoniInternalErrorWithCode(2021), presenter, "Close", nullptr, std::nullopt, nullptr);
    runFor(1.0);
    ASSERT_TRUE(alert->tapActionWithTitle("Close"));
    runFor(1.0);
    EXPECT_FALSE(presenter->presentedViewController());
}
