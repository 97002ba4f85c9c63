// The contract viewer on the real web engine against the simulated service: the contract's
// page reaches the service with the client secret, a cancelled load is loaded again once and
// never starts a loop, and without a loadable contract nothing is loaded.
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../../../platform/UIKit/Snapshot.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCheckContractFooter.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPicker.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerDetailCell.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractsViewController.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "WebKit/WKWebView.h"
#include "models/KVNContract.h"
#include "models/KVNContractDefinition.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/SimFixture.h"
#include "support/TestPicture.h"
#include "support/UnusedPort.h"

namespace {

constexpr double kLoadTimeout = 60.0;
constexpr long kCustomEnvironment = 8;
const std::string kToken = "CONTRACTS-1";

std::shared_ptr<KVNContract> contract(const std::string& name, std::optional<std::string> identifier,
                                      std::optional<std::string> displayHash = std::nullopt)
{
    auto made = std::make_shared<KVNContract>();
    made->setName(name);
    made->setDisplayHash(std::move(displayHash));
    made->contractDefinition()->setIdentifier(std::move(identifier));
    return made;
}

class ContractsTest : public SimFixture<> {
protected:
    void SetUp() override
    {
        SimFixture<>::SetUp();
        // The library's texts: a button without its title has no size to tap.
        bundle = std::make_unique<KvnTestBundle>();
        NSLocale::setPreferredLanguages({"en"});
        UIApplication::sharedApplication()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("bank", kToken);
        settings->setEnvironment(kCustomEnvironment);
        settings->setApiHost(serviceHost());
        auto identification = KVNIdentification::sharedIdentification();
        identification->setSettings(settings);
        identification->server()->setShortName("bank");
        identification->setClientSecret("s3cret");
        identification->setVideoIdentification(std::make_shared<KVNVideoIdentification>());
    }
    void TearDown() override
    {
        window.reset();
        viewer.reset();
        NSRunLoop::mainRunLoop()->runUntilDate(0.1);
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture<>::TearDown();
    }

    std::string serviceHost() const { return "https://localhost:" + std::to_string(sim->port()); }

    void setContracts(std::vector<std::shared_ptr<KVNContract>> contracts)
    {
        KVNIdentification::sharedIdentification()->videoIdentification()->setESignatureContracts(std::move(contracts));
    }
    std::vector<std::shared_ptr<KVNContract>> simContracts()
    {
        return {contract("Current account agreement", "account-agreement", "7F3A-91C2-0B5D"),
                contract("Data protection notice", "privacy-notice", "B04E-5D17-C9A2")};
    }

    void show(bool reading = true)
    {
        viewer = std::make_shared<KVNContractsViewController>();
        viewer->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 320, 480));
        window->setRootViewController(viewer);
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
        viewer->setEnabled_animated(reading, false);
    }

    // The page is shown once the spinner has stopped and the web view has faded back in.
    bool waitForShownPage()
    {
        return NSRunLoop::mainRunLoop()->spin_until(
            [&] { return !viewer->activityIndicator()->isAnimating() && viewer->webView()->alpha() == 1.0; }, kLoadTimeout);
    }

    struct Received {
        std::string path;
        std::optional<std::string> secret;
    };
    std::vector<Received> pageRequests() const
    {
        std::vector<Received> found;
        for (const auto& request : sim->requests()) {
            std::string path = request["path"];
            if (path.ends_with("/data"))
                found.push_back({path, SimService::header(request, "X-Client-Secret")});
        }
        return found;
    }
    static std::string pagePath(const std::string& identifier)
    {
        return "/api/v1/bank/identifications/" + kToken + "/documents/" + identifier + "/data";
    }

    void writePicture(const std::string& name)
    {
        bool drawn = false;
        viewer->webView()->wkWebView()->takeSnapshot([&](const auto&) { drawn = true; });
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return drawn; }, kLoadTimeout));
        window->layoutIfNeeded();
        kvn::test::writeTestPicture("contracts", name, fixtures::snapshot(window));
    }

    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KVNContractsViewController> viewer;
    std::shared_ptr<UIWindow> window;
    std::unique_ptr<KvnTestBundle> bundle;
};

// The first contract loads at once; the second is chosen by touch in the picker. Both pages
// reach the service carrying the client secret, once each.
TEST_F(ContractsTest, TheFirstContractLoadsWithTheClientSecret)
{
    auto contracts = simContracts();
    setContracts(contracts);
    show();
    ASSERT_TRUE(waitForShownPage());
    EXPECT_EQ(viewer->webView()->url(), serviceHost() + pagePath("account-agreement"));
    EXPECT_EQ(viewer->webView()->scrollView()->contentOffset().y, -60) << "the page starts just below the collapsed picker";
    writePicture("first");

    auto pages = pageRequests();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].path, pagePath("account-agreement"));
    EXPECT_EQ(pages[0].secret, "s3cret");
}

TEST_F(ContractsTest, InTheBackgroundStateThePageIsVeiledAndUnscrolled)
{
    setContracts(simContracts());
    show(false);
    ASSERT_TRUE(waitForShownPage());
    EXPECT_EQ(viewer->webView()->scrollView()->contentOffset().y, 0);
    EXPECT_DOUBLE_EQ(viewer->overlay()->alpha(), 0.9);
    EXPECT_EQ(viewer->contractPicker()->tableView()->alpha(), 0);
    EXPECT_FALSE(viewer->webView()->scrollView()->isScrollEnabled());
}

// A page slower than the fade of a reload: a stopped load is loaded again once, and the
// reload's own replacement of nothing in flight does not turn into a chain of cancels.
TEST_F(ContractsTest, CancelledLoadsOfSlowPagesDoNotLoop)
{
    auto contracts = simContracts();
    setContracts(contracts);
    sim->setAnswer("GET", ".*/data", 0, "", -1, 1.5);
    show();
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return pageRequests().size() == 1; }, kLoadTimeout));
    viewer->webView()->wkWebView()->stopLoading();
    ASSERT_TRUE(waitForShownPage());
    NSRunLoop::mainRunLoop()->runUntilDate(2.0);
    EXPECT_EQ(pageRequests().size(), 2u) << "the stopped page and its one reload";

}

// The picker is worked by touch: the top row opens the list, a row of the list chooses that
// contract, closes the list and loads its page.
TEST_F(ContractsTest, ThePickerOpensAndChoosesByTouch)
{
    auto contracts = simContracts();
    contracts.push_back(contract("Price list", "price-list"));
    setContracts(contracts);
    show();
    ASSERT_TRUE(waitForShownPage());
    auto picker = viewer->contractPicker();
    auto table = picker->tableView();

    auto top = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(0, 0));
    ASSERT_TRUE(top);
    auto tapped = Automation::Driver::tap(top);
    ASSERT_TRUE(tapped) << tapped.message();
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_FALSE(picker->collapsed());
    EXPECT_EQ(table->bounds().size.height, 130);
    writePicture("picker-open");

    auto third = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(1, 1));
    ASSERT_TRUE(third);
    tapped = Automation::Driver::tap(third);
    ASSERT_TRUE(tapped) << tapped.message();
    EXPECT_EQ(viewer->currentContract(), contracts[2]);
    EXPECT_TRUE(picker->collapsed());
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return pageRequests().size() == 2; }, kLoadTimeout));
    ASSERT_TRUE(waitForShownPage());
    EXPECT_EQ(pageRequests().back().path, pagePath("price-list"));
    EXPECT_EQ(table->bounds().size.height, 60);
}

// In the reading state the picture shows what the user sees: the page in its own colour right
// under the closed picker, with no veil over it.
TEST_F(ContractsTest, TheReadingStateShowsThePageUnveiledUnderTheClosedPicker)
{
    setContracts(simContracts());
    sim->setAnswer("GET", ".*/data", 200, "<!DOCTYPE html><html><body style=\"background:#1f5fbf;height:2000px\"></body></html>", -1, 0,
                   "text/html");
    show();
    ASSERT_TRUE(waitForShownPage());
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    bool drawn = false;
    viewer->webView()->wkWebView()->takeSnapshot([&](const auto&) { drawn = true; });
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return drawn; }, kLoadTimeout));
    window->layoutIfNeeded();
    auto picture = fixtures::snapshot(window);
    kvn::test::writeTestPicture("contracts", "reading", picture);

    // Under the closed picker (60 points) the page shows as it is: an opened list would cover
    // y 60 to 130, a veil would wash the blue out towards white.
    for (CGFloat y : {90.0, 300.0}) {
        SCOPED_TRACE(y);
        auto seen = fixtures::pixel(*picture, 160, size_t(y));
        EXPECT_NEAR(seen.r, 0x1f, 24);
        EXPECT_NEAR(seen.g, 0x5f, 24);
        EXPECT_NEAR(seen.b, 0xbf, 24);
    }
}

// A page the service fails shows the error view; its reload button, tapped, loads the page
// again, and the page shows once the service answers.
TEST_F(ContractsTest, AFailedPageOffersAReloadThatWorks)
{
    setContracts(simContracts());
    // Nothing listens there: the load fails at once.
    settings->setApiHost("https://127.0.0.1:" + std::to_string(kvn::test::unusedLoopbackPort()));
    show();
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return viewer->errorView()->alpha() == 1.0; }, kLoadTimeout));
    EXPECT_FALSE(viewer->activityIndicator()->isAnimating());
    NSRunLoop::mainRunLoop()->runUntilDate(0.5); // the error view fades in before it takes touches
    writePicture("load-error");

    settings->setApiHost(serviceHost());
    auto tapped = Automation::Driver::tap(viewer->errorView()->actionButton());
    ASSERT_TRUE(tapped) << tapped.message();
    ASSERT_TRUE(waitForShownPage());
    EXPECT_EQ(viewer->errorView()->alpha(), 0);
}

// No contract, or one whose definition has no identifier: nothing is asked of the service,
// the picker shows no row, and the spinner stops.
TEST_F(ContractsTest, WithoutALoadableContractNothingIsLoaded)
{
    struct Case {
        const char* name;
        std::vector<std::shared_ptr<KVNContract>> contracts;
        long topRows;
    } cases[] = {
        {"no contract", {}, 0},
        {"no identifier", {contract("Nameless", std::nullopt)}, 1},
        {"an empty identifier", {contract("Empty", "")}, 1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim->reset();
        setContracts(c.contracts);
        show();
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return !viewer->activityIndicator()->isAnimating(); }, kLoadTimeout));
        NSRunLoop::mainRunLoop()->runUntilDate(0.5);
        EXPECT_FALSE(viewer->webView()->url());
        EXPECT_TRUE(pageRequests().empty());
        auto table = viewer->contractPicker()->tableView();
        EXPECT_EQ(viewer->contractPicker()->tableView_numberOfRowsInSection(table, 0), c.topRows);
        EXPECT_EQ(viewer->contractPicker()->tableView_numberOfRowsInSection(table, 1), 0);
    }
}

// With one contract there is nothing to choose; with three the list opens to 130 points and
// a choice keeps the others in their order.
TEST_F(ContractsTest, PickerSizesAndOrder)
{
    auto one = contract("Only", "only");
    auto single = std::make_shared<KVNContractPicker>();
    single->initWithContracts({one});
    single->setCollapsed_animated(false, false);
    EXPECT_EQ(single->expectedHeight(), 60);

    auto a = contract("A", "a"), b = contract("B", "b"), c = contract("C", "c", "C-HASH");
    auto picker = std::make_shared<KVNContractPicker>();
    picker->initWithContracts({a, b, c});
    EXPECT_EQ(picker->expectedHeight(), 60);
    picker->setCollapsed_animated(false, false);
    EXPECT_EQ(picker->expectedHeight(), 130);
    picker->setSelectedContract(c);
    EXPECT_EQ(picker->notSelectedContracts(), (std::vector{a, b}));
}

TEST_F(ContractsTest, TheDetailRowShowsTheHashOrADashAndTakesNoTouchesAlone)
{
    auto cell = std::make_shared<KVNContractPickerDetailCell>();
    cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "ContractDetailCell");
    cell->setContract(contract("A", "a", "7F3A"));
    EXPECT_EQ(cell->contractIDValueLabel()->text(), "7F3A");
    cell->setContract(contract("B", "b"));
    EXPECT_EQ(cell->contractIDValueLabel()->text(), "-");
    cell->setEnabled(false);
    EXPECT_FALSE(cell->isUserInteractionEnabled());
    EXPECT_TRUE(cell->chevronImageView()->isHidden());
}

} // namespace
