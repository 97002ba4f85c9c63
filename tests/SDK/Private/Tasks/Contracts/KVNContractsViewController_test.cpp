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
#include "support/SimFixture.h"
#include "support/TestPicture.h"

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
