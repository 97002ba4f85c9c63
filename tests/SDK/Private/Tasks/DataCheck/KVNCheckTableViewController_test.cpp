// The data check screen as the user meets it: initialised against the simulated service,
// opened by the start of a video identification, filled in and ticked through the automation
// driver, and started. Also the consent mode as the consent screen uses it, and the screen
// drawn to PNGs under the build tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/JSONValue.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNDocumentsInfoViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNTextField.h"
#include "Private/UIElements/KVNTextInputCell.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"
#include "support/SessionTestSupport.h"
#include "support/SimFixture.h"

namespace {

class RecordingReceiver : public kvn::CheckScreenReceiver {
public:
    void checkScreenDone() override { ++done; }
    int done = 0;
};

class DataCheckTest : public SimFixture<ThemedUIKitTest> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        // The check boxes show the library's own images.
        bundle = std::make_unique<KvnTestBundle>();
        NSLocale::setPreferredLanguages({"en"});
        NSLocale::setCurrentLocaleIdentifier("de_DE");
        bundle->activate();
        kvn::test::useDeviceWithBothCameras();
    }

    void TearDown() override
    {
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        runFor(1.0);
        window.reset();
        kvn::test::resetDeviceAndSession();
        bundle.reset();
        NSLocale::resetOverrides();
        SimFixture::TearDown();
    }

    // Initialises against the sim with the company's configuration and starts the video
    // identification from a host screen in a phone-sized window: the check screen comes up.
    std::shared_ptr<KVNCheckTableViewController> openCheckScreen(const std::string& company, bool showToken = false)
    {
        settings = KavoniSettings::settingsWithCompanyID_transactionToken(company, "DEV0001");
        settings->setShowIdentTokenOnCheckScreen(showToken);
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        settings->setStunHost("127.0.0.1");
        controller = std::make_shared<KavoniController>();
        controller->initWithSettings(settings);
        bool reported = false, success = false;
        controller->initializeWithCompletionBlock([&](bool ok, const std::shared_ptr<NSError>&, bool) {
            reported = true;
            success = ok;
        });
        loop->spin_until([&] { return reported; }, 30.0);
        EXPECT_TRUE(success) << company << ": the initialisation against the sim";

        host = std::make_shared<UIViewController>();
        host->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        controller->startIdentificationFromViewController(host);
        runFor(1.0);
        window->layoutIfNeeded();
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(host->presentedViewController());
        return navigation ? std::dynamic_pointer_cast<KVNCheckTableViewController>(navigation->topViewController()) : nullptr;
    }

    // The consent mode as the consent screen shows it, in a window of its own.
    std::shared_ptr<KVNCheckTableViewController> openConsentScreen(std::optional<std::vector<KVNCheckCellContent>> phrases)
    {
        auto check = std::make_shared<KVNCheckTableViewController>();
        check->init(true);
        check->provideContentForHeader_approvalPhrases("Please confirm the contracts.", std::move(phrases));
        check->setConsentProtcolUI(receiver);
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(check);
        window->makeKeyAndVisible();
        runFor(0.5);
        window->layoutIfNeeded();
        return check;
    }

    static std::vector<long> rowTypes(const KVNCheckTableViewController& check)
    {
        std::vector<long> types;
        for (const auto& cell : check.preparedCells())
            types.push_back(cell->type());
        return types;
    }

    static std::shared_ptr<KVNTextInputCell> inputCell(const KVNCheckTableViewController& check, long type)
    {
        for (const auto& cell : check.preparedCells())
            if (cell->type() == type)
                return std::dynamic_pointer_cast<KVNTextInputCell>(cell);
        return nullptr;
    }

    // Ticks every row that is the user's own by tapping its text.
    void tickAllConditions(KVNCheckTableViewController& check)
    {
        const auto& cells = check.preparedCells();
        for (size_t row = 0; row < cells.size(); ++row) {
            const auto& cell = cells[row];
            if (cell->type() == KVNCheckCellTypeMobile || cell->type() == KVNCheckCellTypeEmail)
                continue;
            check.tableView()->scrollRectToVisible_animated(
                check.tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(long(row), 0)), false);
            window->layoutIfNeeded();
            EXPECT_TRUE(Automation::Driver::tap(cell->contentLabel())) << "row " << cell->type();
            runFor(0.5);
        }
    }

    // Scrolls the button in the list's footer into view and taps it.
    // Without settling, the caller sees the details as the tap stored them, before the video
    // screen's start on the service answers and refreshes them.
    ::testing::AssertionResult tapStart(KVNCheckTableViewController& check, bool settle = true)
    {
        check.tableView()->scrollRectToVisible_animated(check.tableView()->tableFooterView()->frame(), false);
        window->layoutIfNeeded();
        if (auto tapped = Automation::Driver::tap(check.identifyButton()); !tapped)
            return ::testing::AssertionFailure() << tapped.message();
        if (settle)
            runFor(1.0);
        return ::testing::AssertionSuccess();
    }

    // Replaces the text of the row's field by typing, as the user does.
    void retype(KVNCheckTableViewController& check, long type, const std::string& text)
    {
        const auto& cells = check.preparedCells();
        for (size_t row = 0; row < cells.size(); ++row)
            if (cells[row]->type() == type)
                check.tableView()->scrollRectToVisible_animated(
                    check.tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(long(row), 0)), false);
        window->layoutIfNeeded();
        auto field = inputCell(check, type)->textField();
        ASSERT_TRUE(Automation::Driver::tap(field));
        runFor(0.3);
        ASSERT_TRUE(field->isEditing());
        const size_t length = field->text().value_or(std::string()).size();
        if (length) {
            ASSERT_TRUE(Automation::Driver::type(std::string(length, '\b')));
        }
        if (!text.empty()) {
            ASSERT_TRUE(Automation::Driver::type(text));
        }
        runFor(0.3);
    }

    // The window as a PNG under the build tree, for people to look at.
    void writePicture(const std::string& name) const
    {
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("data-check", name, fixtures::snapshot(window));
    }

    static std::shared_ptr<KVNVideoIdentification> videoData() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KavoniController> controller;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<RecordingReceiver> receiver = std::make_shared<RecordingReceiver>();
};

} // namespace

TEST_F(DataCheckTest, RowsFollowTheServiceConfiguration)
{
    struct Case {
        const char* company;
        std::vector<long> rows;
        bool phoneCheck;
    };
    const Case cases[] = {
        {"vellumbank",
         {KVNCheckCellTypeMobile, KVNCheckCellTypeEmail, KVNCheckCellTypeLicense, KVNCheckCellTypeTerms, KVNCheckCellTypeAgreement},
         true},
        {"vellumbank-nocheck", {KVNCheckCellTypeMobile, KVNCheckCellTypeLicense, KVNCheckCellTypeTerms}, false},
        {"vellumbank-plain", {KVNCheckCellTypeLicense}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.company);
        auto check = openCheckScreen(c.company);
        ASSERT_TRUE(check);
        EXPECT_EQ(rowTypes(*check), c.rows);
        EXPECT_EQ(videoData()->isPhoneNumberCheckEnabled(), c.phoneCheck);
        EXPECT_FALSE(check->identifyButton()->isEnabled()) << "the conditions start unticked";
        ASSERT_TRUE(check->cancelButton()) << "first screen of its stack";
        if (auto mobile = inputCell(*check, KVNCheckCellTypeMobile)) {
            EXPECT_EQ(mobile->textField()->text(), videoData()->mobile()) << "filled from the session data";
            EXPECT_TRUE(mobile->checkBoxButton()->isSelected());
        }

        tickAllConditions(*check);
        EXPECT_TRUE(check->identifyButton()->isEnabled());
        // Untick the last row again: one open condition is enough to block the start.
        auto last = check->preparedCells().back();
        ASSERT_TRUE(Automation::Driver::tap(last->contentLabel()));
        runFor(0.5);
        EXPECT_FALSE(check->identifyButton()->isEnabled());

        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
}

TEST_F(DataCheckTest, TypedNumberAndAddressDecideTheirTicks)
{
    struct Typed {
        const char* text;
        bool ticked;
    };
    {
        SCOPED_TRACE("number check on");
        auto check = openCheckScreen("vellumbank");
        ASSERT_TRUE(check);
        tickAllConditions(*check);
        auto mobile = inputCell(*check, KVNCheckCellTypeMobile);
        // A national number passes while typing; the field is left with one in E.164 form, which
        // leaving the field keeps as it is.
        const Typed numbers[] = {{"12", false}, {"015112345678", true}, {"   ", false}, {"+4915112345678", true}};
        for (const auto& n : numbers) {
            SCOPED_TRACE(n.text);
            retype(*check, KVNCheckCellTypeMobile, n.text);
            EXPECT_EQ(mobile->checkBoxButton()->isSelected(), n.ticked);
            EXPECT_EQ(check->identifyButton()->isEnabled(), n.ticked);
        }
        auto email = inputCell(*check, KVNCheckCellTypeEmail);
        const Typed addresses[] = {{" ", false}, {"null", false}, {"max@example.org", true}};
        for (const auto& a : addresses) {
            SCOPED_TRACE(a.text);
            retype(*check, KVNCheckCellTypeEmail, a.text);
            EXPECT_EQ(email->checkBoxButton()->isSelected(), a.ticked);
        }
        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
    {
        // Without the number check the field must still hold something besides blanks.
        SCOPED_TRACE("number check off");
        auto check = openCheckScreen("vellumbank-nocheck");
        ASSERT_TRUE(check);
        tickAllConditions(*check);
        auto mobile = inputCell(*check, KVNCheckCellTypeMobile);
        const Typed numbers[] = {{"   ", false}, {"null", false}, {"0151 123", true}};
        for (const auto& n : numbers) {
            SCOPED_TRACE(n.text);
            retype(*check, KVNCheckCellTypeMobile, n.text);
            EXPECT_EQ(mobile->checkBoxButton()->isSelected(), n.ticked);
            EXPECT_EQ(check->identifyButton()->isEnabled(), n.ticked);
        }
    }
}

TEST_F(DataCheckTest, StartStoresTheDetailsAndOpensTheVideoScreen)
{
    auto check = openCheckScreen("vellumbank");
    ASSERT_TRUE(check);
    const auto requestsBefore = sim->requests().size();
    EXPECT_GT(requestsBefore, 0u) << "the rows came from the sim's answers";
    tickAllConditions(*check);
    retype(*check, KVNCheckCellTypeEmail, "  max@example.org ");
    retype(*check, KVNCheckCellTypeMobile, "+4915187654321");
    ASSERT_TRUE(check->identifyButton()->isEnabled());

    ASSERT_TRUE(tapStart(*check, false));
    EXPECT_EQ(videoData()->mobile(), std::optional<std::string>("+4915187654321"));
    EXPECT_EQ(videoData()->email(), std::optional<std::string>("max@example.org")) << "stored trimmed";
    runFor(1.0);
    auto presented = std::dynamic_pointer_cast<UINavigationController>(check->presentedViewController());
    ASSERT_TRUE(presented);
    EXPECT_TRUE(std::dynamic_pointer_cast<KVNIdentificationViewController>(presented->topViewController()));
}

TEST_F(DataCheckTest, StartWithoutTextRowsClearsTheNumberAndKeepsTheAddress)
{
    auto check = openCheckScreen("vellumbank-plain");
    ASSERT_TRUE(check);
    videoData()->setMobile("+4915112345678");
    videoData()->setEmail("erika@example.org");
    tickAllConditions(*check);
    ASSERT_TRUE(check->identifyButton()->isEnabled());
    ASSERT_TRUE(tapStart(*check, false));
    EXPECT_EQ(videoData()->mobile(), std::nullopt);
    EXPECT_EQ(videoData()->email(), std::optional<std::string>("erika@example.org"));
    runFor(1.0);
    EXPECT_TRUE(check->presentedViewController());
}

TEST_F(DataCheckTest, ConsentModeReportsAndLeavesTheNumberForTheCodeChannel)
{
    auto video = std::make_shared<KVNVideoIdentification>();
    video->setMobile("+4915112345678");
    KVNIdentification::sharedIdentification()->setVideoIdentification(video);
    KavoniAppearance::sharedAppearance()->setMarkMandatoryCells(true);

    KVNCheckCellContent plain;
    plain.setText("I have read the loan contract.");
    KVNCheckCellContent linked;
    linked.setText("I have read the loan contract.");
    linked.setLinkLabel("Open the contract");
    linked.setLink("https://example.org/contract.pdf");
    auto check = openConsentScreen(std::vector<KVNCheckCellContent>{plain, linked});
    EXPECT_TRUE(check->prefersStatusBarHidden());
    EXPECT_EQ(rowTypes(*check), (std::vector<long>{KVNCheckCellTypeAgreement, KVNCheckCellTypeAgreement}));
    for (const auto& cell : check->preparedCells())
        EXPECT_EQ(cell->titleLabel()->text().value_or(""), "") << "no mandatory marks in consent mode";
    EXPECT_EQ(check->identifyButton()->titleForState(UIControlStateNormal), std::optional<std::string>("Continue"));
    // The link must get room of its own, or it is drawn over the next row.
    const auto table = check->tableView();
    EXPECT_GT(table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(1, 0)).size.height,
              table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(0, 0)).size.height);

    tickAllConditions(*check);
    ASSERT_TRUE(check->identifyButton()->isEnabled());
    ASSERT_TRUE(tapStart(*check));
    EXPECT_EQ(receiver->done, 1);
    EXPECT_EQ(video->mobile(), std::optional<std::string>("+4915112345678"));
    EXPECT_FALSE(check->presentedViewController()) << "no video screen in consent mode";
}

TEST_F(DataCheckTest, ConsentModeWithoutPhrasesMayContinueAtOnce)
{
    auto check = openConsentScreen(std::vector<KVNCheckCellContent>{});
    EXPECT_TRUE(check->preparedCells().empty());
    EXPECT_TRUE(check->identifyButton()->isEnabled());
}

TEST_F(DataCheckTest, ServiceTextsReplaceTheTermsRowAndItsHeight)
{
    auto check = openCheckScreen("vellumbank-nocheck");
    ASSERT_TRUE(check);
    const auto table = check->tableView();
    const auto termsRow = NSIndexPath::indexPathForRow_inSection(2, 0);
    const CGFloat before = table->rectForRowAtIndexPath(termsRow).size.height;
    auto answer = JSONFromText<JSONValue>(
        R"({"js.mobile.checkscreen.termsText": "I accept the terms of use, the privacy policy, the conditions of the account and )"
        R"(the rules of the video identification, and I confirm that I read every one of them carefully before I started."})");
    ASSERT_TRUE(answer);
    KVNIdentification::sharedIdentification()->updateMessages(*answer);
    runFor(0.5);
    auto terms = check->preparedCells()[2];
    EXPECT_NE(terms->contentLabel()->text().value_or("").find("carefully before I started."), std::string::npos);
    EXPECT_GT(table->rectForRowAtIndexPath(termsRow).size.height, before) << "measured again for the longer text";
}

TEST_F(DataCheckTest, InactiveAppHidesTheNumberOnly)
{
    auto check = openCheckScreen("vellumbank");
    ASSERT_TRUE(check);
    auto mobile = inputCell(*check, KVNCheckCellTypeMobile);
    auto email = inputCell(*check, KVNCheckCellTypeEmail);
    const auto number = mobile->textField()->text();
    ASSERT_TRUE(number && !number->empty());
    auto center = NSNotificationCenter::defaultCenter();
    center->postNotificationName_object_userInfo(UIApplicationWillResignActiveNotification);
    runFor(0.2);
    EXPECT_EQ(mobile->textField()->text().value_or(""), "");
    EXPECT_EQ(email->textField()->text(), videoData()->email());
    center->postNotificationName_object_userInfo(UIApplicationDidBecomeActiveNotification);
    runFor(0.2);
    EXPECT_EQ(mobile->textField()->text(), number);
    EXPECT_TRUE(mobile->checkBoxButton()->isSelected());
    EXPECT_FALSE(check->tempText());
}

TEST_F(DataCheckTest, TheHeaderHoldsTheTokenLineAndItsText)
{
    for (const bool showToken : {false, true}) {
        SCOPED_TRACE(showToken ? "with the token line" : "without the token line");
        auto check = openCheckScreen("vellumbank", showToken);
        ASSERT_TRUE(check);
        EXPECT_EQ(check->identTokenLabel() != nullptr, showToken);
        const CGRect label = check->headerLabel()->frame();
        if (showToken) {
            EXPECT_GE(CGRectGetMinY(label), CGRectGetMaxY(check->identTokenLabel()->frame())) << "the text sits under the token line";
        }
        const CGFloat headerHeight = check->headerView()->frame().size.height;
        EXPECT_DOUBLE_EQ(headerHeight, CGRectGetMaxY(label) + 7) << "the header ends a little below its text";
        const CGRect firstRow = check->tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(0, 0));
        EXPECT_GE(CGRectGetMinY(firstRow), CGRectGetMaxY(label)) << "the first row starts below the header's text";
        if (showToken)
            writePicture("check-token-line");
        controller->identificationCanceledByUser();
        host->dismissViewControllerAnimated_completion(false, nullptr);
        runFor(1.0);
    }
}

TEST_F(DataCheckTest, LeavingTheAddressFieldDoesNotCheckTheNumberAgain)
{
    auto check = openCheckScreen("vellumbank");
    ASSERT_TRUE(check);
    auto mobile = inputCell(*check, KVNCheckCellTypeMobile);
    auto email = inputCell(*check, KVNCheckCellTypeEmail);
    auto alert = [&] { return std::dynamic_pointer_cast<UIAlertController>(check->navigationController()->presentedViewController()); };

    retype(*check, KVNCheckCellTypeMobile, "12");
    ASSERT_FALSE(alert()) << "no check while the number is typed";
    // Leaving the number for the address checks the number: it is invalid, and the user is told.
    retype(*check, KVNCheckCellTypeEmail, "");
    ASSERT_TRUE(alert()) << "the number's own end of editing checks it";
    ASSERT_TRUE(Automation::Driver::tap(Automation::ViewFinder::viewWithText(window, KVNLocalizer::localizedStringForKey("OK"))));
    runFor(1.0);
    ASSERT_FALSE(alert());

    retype(*check, KVNCheckCellTypeEmail, " max@example.org ");
    ASSERT_TRUE(email->textField()->isEditing());
    email->textField()->resignFirstResponder();
    runFor(1.0);
    EXPECT_FALSE(alert()) << "ending the address says nothing about the number";
    EXPECT_EQ(mobile->textField()->text(), std::optional<std::string>("12")) << "and leaves it as typed";
    EXPECT_EQ(email->textField()->text(), std::optional<std::string>("max@example.org")) << "the address that ended is trimmed";
}

TEST_F(DataCheckTest, ScreensAsDrawn)
{
    KavoniAppearance::sharedAppearance()->setMarkMandatoryCells(true);
    auto check = openCheckScreen("vellumbank");
    ASSERT_TRUE(check);
    writePicture("check-all-rows");
    for (const auto& cell : check->preparedCells())
        EXPECT_NE(cell->titleLabel()->text().value_or("").find('*'), std::string::npos) << "row " << cell->type();
    tickAllConditions(*check);
    check->tableView()->scrollRectToVisible_animated(CGRectMake(0, 0, 1, 1), false);
    writePicture("check-all-ticked");
    check->tableView()->scrollRectToVisible_animated(check->tableView()->tableFooterView()->frame(), false);
    writePicture("check-all-ticked-bottom");

    check->helpButtonPressed();
    runFor(1.0);
    auto info = std::dynamic_pointer_cast<KVNDocumentsInfoViewController>(check->navigationController()->topViewController());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->titleLabel()->text(), std::optional<std::string>("Which documents can I use?"));
    writePicture("documents-info");
}
