// The identification's web view against the simulated service on the real engine: the client
// secret reaches the service's hosts and no others, the delegate sees only the request that
// carries it, and every load is reported once.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Foundation/NSRunLoop.h"
#include "Network/NSURLError.h"
#include "Private/UIElements/KVNWebView.h"
#include "UIKit/UIApplication.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/SimFixture.h"

namespace {

constexpr double kLoadTimeout = 60.0;
constexpr long kCustomEnvironment = 8;

// A loopback port nothing listens on: bound for a moment, then let go.
int closedLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

TEST(KVNWebViewPolicy, WhichRequestsAreReissuedWithTheClientSecret)
{
    const std::string api = "https://api.kavoni.example";
    const std::string web = "https://web.kavoni.example";
    struct Case {
        const char* name;
        std::string url;
        std::optional<std::string> header;
        std::optional<std::string> secret;
        bool reissued;
    } cases[] = {
        {"API host without the header", api + "/page", std::nullopt, "s3cret", true},
        {"web host without the header", web + "/contract?x=1", std::nullopt, "s3cret", true},
        {"web host with another secret", web + "/contract", "old", "s3cret", true},
        {"web host already carrying it", web + "/contract", "s3cret", "s3cret", false},
        {"another host", "https://other.example/page", std::nullopt, "s3cret", false},
        {"a host that differs in case only", "https://API.kavoni.example/page", std::nullopt, "s3cret", false},
        {"a service host's subdomain", "https://x.web.kavoni.example/", std::nullopt, "s3cret", false},
        {"no secret", web + "/contract", std::nullopt, std::nullopt, false},
        {"an empty secret", web + "/contract", std::nullopt, "", false},
        {"not a URL", "web.kavoni.example/contract", std::nullopt, "s3cret", false},
    };
    for (const auto& c : cases) {
        NSURLRequest request(c.url);
        request.setValue_forHTTPHeaderField(c.header, "X-Client-Secret");
        EXPECT_EQ(KVNWebView::needsClientSecret(request, c.secret, api, web), c.reissued) << c.name;
    }
}

struct RecordingDelegate : KVNWebViewDelegate {
    std::vector<std::shared_ptr<NSURLRequest>> asked;
    std::vector<std::shared_ptr<NSError>> failures;
    int finishes = 0;
    // Refuses every request whose URL holds this text.
    std::optional<std::string> refuse;

    bool webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSURLRequest>& request) override
    {
        asked.push_back(request);
        return !(refuse && request->URL().find(*refuse) != std::string::npos);
    }
    void webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>&, const std::shared_ptr<NSError>& error) override
    {
        failures.push_back(error);
    }
    void webViewDidFinishLoad(const std::shared_ptr<KVNWebView>&) override { ++finishes; }
    size_t ends() const { return failures.size() + static_cast<size_t>(finishes); }
};

class KVNWebViewTest : public SimFixture<> {
protected:
    void SetUp() override
    {
        SimFixture<>::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
        KVNIdentification::resetSharedIdentification();
        auto settings = std::make_shared<KavoniSettings>();
        settings->setEnvironment(kCustomEnvironment);
        settings->setApiHost(serviceURL(""));
        KVNIdentification::sharedIdentification()->setSettings(settings);
        KVNIdentification::sharedIdentification()->setClientSecret("s3cret");

        webView = std::make_shared<KVNWebView>();
        webView->initWithFrame(CGRectMake(0, 0, 320, 480));
        delegate = std::make_shared<RecordingDelegate>();
        webView->setDelegate(delegate);
    }
    void TearDown() override
    {
        webView.reset();
        NSRunLoop::mainRunLoop()->runUntilDate(0.1);
        KVNIdentification::resetSharedIdentification();
        SimFixture<>::TearDown();
    }

    // The service's hosts are "localhost"; the same server as "127.0.0.1" is another host.
    static std::string serviceURL(const std::string& path) { return "https://localhost:" + std::to_string(sim->port()) + path; }

    bool waitForEnds(size_t count)
    {
        bool reached = NSRunLoop::mainRunLoop()->spin_until([&] { return delegate->ends() >= count; }, kLoadTimeout);
        NSRunLoop::mainRunLoop()->runUntilDate(0.5); // a second report of the same load would show now
        return reached;
    }
    void clickLink(const std::string& id)
    {
        bool done = false;
        webView->wkWebView()->evaluateJavaScript_completionHandler("document.getElementById('" + id + "').click(); true",
                                                                   [&](const auto&, const auto&) { done = true; });
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return done; }, kLoadTimeout));
    }
    struct Received {
        std::string host;
        std::string query;
        std::optional<std::string> secret;
    };
    std::vector<Received> received(const std::string& path) const
    {
        std::vector<Received> found;
        for (const auto& request : sim->requests())
            if (request["path"] == path)
                found.push_back({SimService::header(request, "Host").value_or(""), request["query"].get<std::string>(),
                                 SimService::header(request, "X-Client-Secret")});
        return found;
    }

    std::shared_ptr<KVNWebView> webView;
    std::shared_ptr<RecordingDelegate> delegate;
};

// One page of the service, then a link on the same host (the re-issue of a page that follows
// a loaded one), then a link to another host: the secret goes to the service's host only, each
// request reaches the server once (no reload loop) and each load is reported once.
TEST_F(KVNWebViewTest, TheSecretReachesTheServiceHostsOnlyAndTheDelegateSeesOnlyTheRequestCarryingIt)
{
    webView->loadURLString(serviceURL("/web/secret.html"));
    ASSERT_TRUE(waitForEnds(1));
    clickLink("same");
    ASSERT_TRUE(waitForEnds(2));
    clickLink("other");
    ASSERT_TRUE(waitForEnds(3));

    EXPECT_EQ(delegate->finishes, 3);
    EXPECT_TRUE(delegate->failures.empty()) << delegate->failures.front()->description();
    ASSERT_EQ(delegate->asked.size(), 3u);
    EXPECT_EQ(delegate->asked[0]->valueForHTTPHeaderField("X-Client-Secret"), "s3cret");
    EXPECT_EQ(delegate->asked[1]->valueForHTTPHeaderField("X-Client-Secret"), "s3cret");
    EXPECT_EQ(delegate->asked[2]->valueForHTTPHeaderField("X-Client-Secret"), std::nullopt);
    EXPECT_EQ(delegate->asked[2]->URL(), sim->baseURL() + "/web/secret.html");

    auto pages = received("/web/secret.html");
    ASSERT_EQ(pages.size(), 3u);
    std::string port = std::to_string(sim->port());
    EXPECT_EQ(pages[0].host, "localhost:" + port);
    EXPECT_EQ(pages[0].secret, "s3cret");
    EXPECT_EQ(pages[1].query, "hop=2");
    EXPECT_EQ(pages[1].secret, "s3cret");
    EXPECT_EQ(pages[2].host, "127.0.0.1:" + port);
    EXPECT_EQ(pages[2].secret, std::nullopt);
}

// A page of another host still loading when a service page is asked for: the first load is
// cancelled by the second, whose request is re-issued with the secret. The owner hears of its
// second load only, once, and of no cancel that would make a contract viewer load again.
TEST_F(KVNWebViewTest, AReplacedLoadIsNotReportedAsACancel)
{
    sim->setAnswer("GET", "/web/secret.html", 0, "", 1, 20.0);
    webView->loadURLString(sim->baseURL() + "/web/secret.html");
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return !received("/web/secret.html").empty(); }, kLoadTimeout));
    webView->loadURLString(serviceURL("/web/secret.html?hop=2"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(delegate->finishes, 1);
    EXPECT_TRUE(delegate->failures.empty()) << delegate->failures.front()->description();
    EXPECT_EQ(webView->url(), serviceURL("/web/secret.html?hop=2"));
    auto pages = received("/web/secret.html");
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages.back().query, "hop=2");
    EXPECT_EQ(pages.back().secret, "s3cret");
}

TEST_F(KVNWebViewTest, WithoutASecretServicePagesGoStraightToTheDelegate)
{
    KVNIdentification::sharedIdentification()->setClientSecret(std::nullopt);
    webView->loadURLString(serviceURL("/web/secret.html"));
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(delegate->finishes, 1);
    ASSERT_EQ(delegate->asked.size(), 1u);
    auto pages = received("/web/secret.html");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].secret, std::nullopt);
}

// The remote signing page refuses a link meant for outside the app: the page stays, and
// nothing is reported as a failure.
TEST_F(KVNWebViewTest, ARefusedLinkLeavesThePageAndReportsNothing)
{
    delegate->refuse = "hop=2";
    webView->loadURLString(serviceURL("/web/secret.html"));
    ASSERT_TRUE(waitForEnds(1));
    clickLink("same");
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return delegate->asked.size() >= 2; }, kLoadTimeout));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_EQ(delegate->ends(), 1u);
    EXPECT_EQ(webView->url(), serviceURL("/web/secret.html"));
    EXPECT_EQ(received("/web/secret.html").size(), 1u);
    EXPECT_TRUE(UIApplication::sharedApplication()->openedURLs().empty());
}

// The link is on the service's host, so it is first re-issued with the secret; the copy is
// what goes outside, and neither is loaded nor reported here.
TEST_F(KVNWebViewTest, AnOpenExternallyLinkGoesToTheApplicationNotTheView)
{
    webView->loadURLString(serviceURL("/web/secret.html"));
    ASSERT_TRUE(waitForEnds(1));
    clickLink("external");
    const auto& opened = UIApplication::sharedApplication()->openedURLs();
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return !opened.empty(); }, kLoadTimeout));
    NSRunLoop::mainRunLoop()->runUntilDate(0.5);
    EXPECT_EQ(opened, std::vector<std::string>{serviceURL("/web/secret.html?openExternally=1")});
    EXPECT_EQ(delegate->asked.size(), 1u) << "the delegate is not asked about a link that leaves the app";
    EXPECT_EQ(delegate->ends(), 1u);
    EXPECT_EQ(webView->url(), serviceURL("/web/secret.html"));
    auto requests = received("/web/secret.html");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].secret, "s3cret");
}

TEST(KVNWebViewPolicy, OnlyTheQueryAsksToOpenExternally)
{
    struct Case {
        std::string url;
        bool external;
    };
    const std::vector<Case> cases{
        {"https://web.kavoni.example/sign?openExternally=1", true},
        {"https://web.kavoni.example/sign?a=1&openExternally", true},
        {"https://web.kavoni.example/openExternally/sign", false},
        {"https://web.kavoni.example/sign#openExternally", false},
        {"https://web.kavoni.example/sign?openexternally=1", false},
        {"not a url ?openExternally", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KVNWebView::opensExternally(c.url), c.external) << c.url;
}

TEST_F(KVNWebViewTest, AStoppedLoadIsReportedAsACancel)
{
    sim->setAnswer("GET", "/web/secret.html", 0, "", 1, 20.0);
    webView->loadURLString(serviceURL("/web/secret.html"));
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return !received("/web/secret.html").empty(); }, kLoadTimeout));
    webView->wkWebView()->stopLoading();
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(delegate->ends(), 1u);
    ASSERT_EQ(delegate->failures.size(), 1u);
    EXPECT_EQ(delegate->failures[0]->code(), NSURLErrorCancelled);
}

TEST_F(KVNWebViewTest, TheWebViewFillsTheViewAndFollowsItsSize)
{
    for (CGRect frame : {CGRectMake(0, 0, 320, 480), CGRectMake(10, 20, 200, 100)}) {
        webView->setFrame(frame);
        webView->layoutIfNeeded();
        EXPECT_EQ(webView->wkWebView()->frame(), webView->bounds());
    }
}

// A text the URL parser rejects is a file path: the file loads and is reported once; a
// missing file fails once, and a refused connection fails once.
TEST_F(KVNWebViewTest, EveryLoadIsReportedOnceWhateverItIs)
{
    auto folder = std::filesystem::temp_directory_path() / ("kvn web view " + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto page = folder / "page one.html";
    std::ofstream(page) << "<html><body>local</body></html>";
    struct Case {
        std::string text;
        int finishes;
        size_t failures;
    } cases[] = {
        {page.string(), 1, 0},
        {(folder / "missing.html").string(), 0, 1},
        {"https://localhost:" + std::to_string(closedLoopbackPort()) + "/web/secret.html", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        delegate = std::make_shared<RecordingDelegate>();
        webView->setDelegate(delegate);
        webView->loadURLString(c.text);
        ASSERT_TRUE(waitForEnds(1));
        EXPECT_EQ(delegate->finishes, c.finishes);
        EXPECT_EQ(delegate->failures.size(), c.failures);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
