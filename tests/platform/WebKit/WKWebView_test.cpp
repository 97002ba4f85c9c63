// The web view on the real engine against the simulated service: loads and their reports,
// cancelled and re-issued navigations, TLS trust through the test authority only, stopping,
// and the snapshot the view draws.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/NSRunLoop.h"
#include "Network/NSURLError.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "WebKit/WKWebView.h"
#include "support/SimFixture.h"
#include "support/TestCertificate.h"

namespace {

// Generous: a web process starts for each view, under sanitizers.
constexpr double kLoadTimeout = 60.0;

struct Recorder : WKNavigationDelegate {
    std::vector<std::string> events;
    std::vector<std::shared_ptr<NSURLRequest>> decided;
    std::vector<std::shared_ptr<NSError>> errors;
    // Answers each decision; allows when unset.
    std::function<WKNavigationActionPolicy(WKWebView&, const NSURLRequest&)> policy;

    void webView_decidePolicyForNavigationAction_decisionHandler(const std::shared_ptr<WKWebView>& webView,
                                                                 const std::shared_ptr<WKNavigationAction>& action,
                                                                 std::function<void(WKNavigationActionPolicy)> handler) override
    {
        decided.push_back(action->request());
        events.push_back("decide");
        handler(policy ? policy(*webView, *action->request()) : WKNavigationActionPolicyAllow);
    }
    void webView_didStartProvisionalNavigation(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>&) override
    {
        events.push_back("start");
    }
    void webView_didFinishNavigation(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>&) override
    {
        events.push_back("finish");
    }
    void webView_didFailNavigation_withError(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>&,
                                             const std::shared_ptr<NSError>& error) override
    {
        events.push_back("fail");
        errors.push_back(error);
    }
    void webView_didFailProvisionalNavigation_withError(const std::shared_ptr<WKWebView>&, const std::shared_ptr<WKNavigation>&,
                                                        const std::shared_ptr<NSError>& error) override
    {
        events.push_back("fail");
        errors.push_back(error);
    }
    long ends() const { return std::count(events.begin(), events.end(), "finish") + std::count(events.begin(), events.end(), "fail"); }
};

class WKWebViewTest : public SimFixture<> {
protected:
    void SetUp() override
    {
        SimFixture<>::SetUp();
        ASSERT_TRUE(WKWebView::engineAvailable());
        webView = std::make_shared<WKWebView>();
        webView->initWithFrame(CGRectMake(0, 0, 320, 240));
        recorder = std::make_shared<Recorder>();
        webView->setNavigationDelegate(recorder);
    }
    void TearDown() override
    {
        webView.reset();
        NSRunLoop::mainRunLoop()->runUntilDate(0.1); // lets the engine take the view down
        SimFixture<>::TearDown();
    }

    static std::string serviceURL(const std::string& path) { return "https://localhost:" + std::to_string(sim->port()) + path; }
    static std::string otherHostURL(const std::string& path) { return sim->baseURL() + path; }

    bool waitForEnds(long count)
    {
        return NSRunLoop::mainRunLoop()->spin_until([&] { return recorder->ends() >= count; }, kLoadTimeout);
    }
    // Turns the loop a little longer, so that a second report of the same load would show.
    void settle() { NSRunLoop::mainRunLoop()->runUntilDate(0.5); }

    std::vector<nlohmann::json> requestsFor(const std::string& path) const
    {
        std::vector<nlohmann::json> found;
        for (const auto& request : sim->requests())
            if (request["path"] == path)
                found.push_back(request);
        return found;
    }

    std::shared_ptr<WKWebView> webView;
    std::shared_ptr<Recorder> recorder;
};

TEST_F(WKWebViewTest, APageOfTheTestAuthorityLoadsAndFinishesOnce)
{
    webView->loadRequest(NSURLRequest(serviceURL("/web/secret.html")));
    ASSERT_TRUE(waitForEnds(1));
    settle();
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"decide", "start", "finish"}));
    EXPECT_EQ(webView->URL(), serviceURL("/web/secret.html"));
    EXPECT_FALSE(webView->isLoading());
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return webView->title() == "secret absent"; }, kLoadTimeout));
}

TEST_F(WKWebViewTest, TheDecisionSeesTheRequestsHeadersAndTheServerGetsThem)
{
    NSURLRequest request(serviceURL("/web/secret.html"));
    request.setValue_forHTTPHeaderField("abc", "X-Client-Secret");
    webView->loadRequest(request);
    ASSERT_TRUE(waitForEnds(1));
    ASSERT_EQ(recorder->decided.size(), 1u);
    EXPECT_EQ(recorder->decided[0]->valueForHTTPHeaderField("X-Client-Secret"), "abc");
    auto received = requestsFor("/web/secret.html");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(SimService::header(received[0], "X-Client-Secret"), "abc");
}

// A cancelled navigation reports nothing, whether it is the view's first or follows a loaded
// page; a copy re-issued with a header in its place loads once and carries the header.
TEST_F(WKWebViewTest, ACancelledNavigationIsSilentAndItsReissuedCopyCarriesTheHeader)
{
    for (const char* firstPage : {"", "/web/secret.html?hop=1"}) {
        SCOPED_TRACE(*firstPage ? "after a loaded page" : "first navigation of the view");
        sim->reset();
        webView = std::make_shared<WKWebView>();
        webView->initWithFrame(CGRectMake(0, 0, 320, 240));
        recorder = std::make_shared<Recorder>();
        webView->setNavigationDelegate(recorder);
        if (*firstPage) {
            webView->loadRequest(NSURLRequest(serviceURL(firstPage)));
            ASSERT_TRUE(waitForEnds(1));
        }
        long endsBefore = recorder->ends();
        recorder->policy = [](WKWebView& view, const NSURLRequest& request) {
            if (request.valueForHTTPHeaderField("X-Client-Secret"))
                return WKNavigationActionPolicyAllow;
            NSURLRequest copy = request;
            copy.setValue_forHTTPHeaderField("s3cret", "X-Client-Secret");
            view.loadRequest(copy);
            return WKNavigationActionPolicyCancel;
        };
        webView->loadRequest(NSURLRequest(serviceURL("/web/secret.html")));
        ASSERT_TRUE(waitForEnds(endsBefore + 1));
        settle();
        EXPECT_EQ(recorder->ends(), endsBefore + 1);
        EXPECT_TRUE(recorder->errors.empty()) << recorder->errors.front()->description();
        EXPECT_EQ(recorder->events.back(), "finish");
        auto received = requestsFor("/web/secret.html");
        ASSERT_EQ(received.size(), *firstPage ? 2u : 1u);
        EXPECT_EQ(SimService::header(received.back(), "X-Client-Secret"), "s3cret");
    }
}

// The page's own background, or the view's where the page has none: what the view draws of
// the snapshot, through a PNG as a window's picture is written.
TEST_F(WKWebViewTest, TheScrollViewFillsTheViewAndLeavesScrollingToTheEngine)
{
    auto scroll = webView->scrollView();
    ASSERT_TRUE(std::dynamic_pointer_cast<UIScrollView>(scroll));
    EXPECT_EQ(scroll->superview(), webView);
    webView->setFrame(CGRectMake(0, 0, 300, 400));
    webView->layoutIfNeeded();
    EXPECT_EQ(scroll->frame(), CGRectMake(0, 0, 300, 400));
    EXPECT_EQ(scroll->contentSize(), CGSizeMake(300, 400));
    EXPECT_EQ(scroll->maximumContentOffset(), CGPointZero) << "the page is scrolled by the engine, not by moving the view";
}

TEST_F(WKWebViewTest, TheViewDrawsASnapshotOfThePage)
{
    struct Case {
        const char* html;
        uint32_t rgb;
    } cases[] = {
        {"<html><body style='margin:0;background:#00ff00'></body></html>", 0x00FF00u},
        {"<html><body></body></html>", 0xFF0000u},
    };
    webView->setBackgroundColor(UIColor::redColor());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        long ends = recorder->ends();
        webView->loadHTMLString_baseURL(c.html, std::nullopt);
        ASSERT_TRUE(waitForEnds(ends + 1));
        CGImageRef snapshot;
        bool done = false;
        webView->takeSnapshot([&](const CGImageRef& image) {
            snapshot = image;
            done = true;
        });
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return done; }, kLoadTimeout));
        ASSERT_TRUE(snapshot);

        UIGraphicsBeginImageContextWithOptions(CGSizeMake(320, 240), true, 1.0);
        ASSERT_TRUE(webView->drawViewHierarchyInRect_afterScreenUpdates(CGRectMake(0, 0, 320, 240), true));
        auto drawn = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        auto png = UIImagePNGRepresentation(drawn);
        ASSERT_TRUE(png);
        auto decoded = UIImage::imageWithData(*png);
        ASSERT_TRUE(decoded);
        for (auto [x, y] : {std::pair<size_t, size_t>{5, 5}, {160, 120}, {300, 230}})
            EXPECT_EQ(decoded->CGImage()->pixelAt(x, y) & 0x00FFFFFFu, c.rgb) << x << "," << y;
    }
}

TEST_F(WKWebViewTest, StoppingALoadReportsOneCancel)
{
    sim->setAnswer("GET", "/web/secret.html", 0, "", 1, 20.0);
    webView->loadRequest(NSURLRequest(serviceURL("/web/secret.html")));
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return !requestsFor("/web/secret.html").empty(); }, kLoadTimeout));
    webView->stopLoading();
    ASSERT_TRUE(waitForEnds(1));
    settle();
    EXPECT_EQ(recorder->ends(), 1);
    ASSERT_EQ(recorder->errors.size(), 1u);
    EXPECT_EQ(recorder->errors[0]->domain(), "NSURLErrorDomain");
    EXPECT_EQ(recorder->errors[0]->code(), NSURLErrorCancelled);
}

TEST_F(WKWebViewTest, AMissingFileFailsOnce)
{
    webView->loadFileURL_allowingReadAccessToURL("file:///nonexistent/kvn-page.html", "file:///nonexistent/kvn-page.html");
    ASSERT_TRUE(waitForEnds(1));
    settle();
    EXPECT_EQ(recorder->ends(), 1);
    ASSERT_EQ(recorder->errors.size(), 1u);
}

// The engine's own viewer draws the document a while after the load has finished.
TEST_F(WKWebViewTest, APDFIsShownInline)
{
    webView->loadRequest(NSURLRequest(serviceURL("/web/document.pdf")));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(recorder->events.back(), "finish");
    EXPECT_TRUE(recorder->errors.empty());
    auto drawn = [&] {
        const auto& image = webView->snapshotImage();
        if (!image)
            return false;
        uint32_t corner = image->pixelAt(0, 0);
        for (size_t y = 0; y < image->height(); y += 4)
            for (size_t x = 0; x < image->width(); x += 4)
                if (image->pixelAt(x, y) != corner)
                    return true;
        return false;
    };
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->spin_until(drawn, kLoadTimeout));
}

// A server whose chain does not lead to a trusted authority: the only exception is for the
// process's extra authorities, so this one fails like any bad certificate.
class WKWebViewUntrustedServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        directory = std::filesystem::temp_directory_path() / ("kvn-untrusted-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        makeTestCertificate(directory.string(), "server", "DNS:localhost,IP:127.0.0.1");
        untrusted = SimService::start(directory.string());
    }
    static void TearDownTestSuite()
    {
        untrusted.reset();
        std::filesystem::remove_all(directory);
    }
    inline static std::filesystem::path directory;
    inline static std::unique_ptr<SimService> untrusted;
};

TEST_F(WKWebViewUntrustedServerTest, FailsOnceAsAnUntrustedCertificate)
{
    auto webView = std::make_shared<WKWebView>();
    webView->initWithFrame(CGRectMake(0, 0, 320, 240));
    auto recorder = std::make_shared<Recorder>();
    webView->setNavigationDelegate(recorder);
    webView->loadRequest(NSURLRequest("https://localhost:" + std::to_string(untrusted->port()) + "/web/secret.html"));
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return recorder->ends() >= 1; }, kLoadTimeout));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_EQ(recorder->ends(), 1);
    ASSERT_EQ(recorder->errors.size(), 1u);
    EXPECT_EQ(recorder->errors[0]->code(), NSURLErrorServerCertificateUntrusted);
}

} // namespace
