#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Private/Helper/KVNServer.h"
#include "public/KavoniSettings.h"

namespace {

std::shared_ptr<KVNServer> serverFor(long environment, std::optional<std::string> token,
                                     std::optional<std::string> shortName = "bank")
{
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("bank", std::move(token));
    settings->setEnvironment(environment);
    auto server = std::make_shared<KVNServer>();
    server->setShortName(std::move(shortName));
    server->setSettings(settings);
    return server;
}

} // namespace

TEST(KVNServerTest, EnvironmentComesFromTheSettingsElseTheTokenPrefix)
{
    struct Case {
        long settingsEnvironment;
        std::optional<std::string> token;
        long expected;
        const char* why;
    };
    const Case cases[] = {
        {0, "DEV-1", 1, "development prefix"},
        {0, "TST-1", 2, "test"},
        {0, "TS1-1", 3, "test 1"},
        {0, "TS2X", 4, "test 2"},
        {0, "TS3", 5, "test 3, the prefix alone"},
        {0, "INT-9", 7, "second production deployment"},
        {0, "dev-1", 6, "the prefix test is case-sensitive"},
        {0, "XDEV", 6, "a prefix, not a substring"},
        {0, std::nullopt, 6, "no token is production"},
        {0, "", 6, "an empty token too"},
        {3, "DEV-1", 3, "the settings win over the token"},
        {8, "DEV-1", 8, "custom hosts"},
        {42, "DEV-1", 42, "kept unchanged above 8"},
        {-1, "DEV-1", -1, "and below 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serverFor(c.settingsEnvironment, c.token)->environment(), c.expected) << c.why;

    // Before any settings the environment is 0, which has the development hosts.
    KVNServer fresh;
    EXPECT_EQ(fresh.environment(), 0);
    EXPECT_EQ(fresh.API_URL(), "https://localhost:47443");
}

TEST(KVNServerTest, EndpointsPerEnvironment)
{
    struct Case {
        long environment;
        std::optional<std::string> api, web, video, stun;
    };
    const std::string dev = "https://localhost:47443";
    const Case cases[] = {
        {0, dev, dev, dev, "localhost"},
        {1, dev, dev, dev, "localhost"},
        {2, "https://api.tst.kavoni.example", "https://web.tst.kavoni.example", "https://video.tst.kavoni.example", "video.tst.kavoni.example"},
        {6, "https://api.kavoni.example", "https://web.kavoni.example", "https://video.kavoni.example", "video.kavoni.example"},
        {7, "https://api.int.kavoni.example", "https://web.int.kavoni.example", "https://video.int.kavoni.example", "video.int.kavoni.example"},
        {9, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {-1, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        auto server = serverFor(c.environment, "DEV-1");
        server->settings()->setStunPort(5000); // only environment 8 reads it
        EXPECT_EQ(server->API_URL(), c.api) << c.environment;
        EXPECT_EQ(server->HOST_URL(), c.web) << c.environment;
        EXPECT_EQ(server->videoServerAddress(), c.video) << c.environment;
        EXPECT_EQ(server->stunHost(), c.stun) << c.environment;
        EXPECT_EQ(server->stunPort(), 3478) << c.environment;
        if (!c.api) {
            EXPECT_FALSE(server->APIURLWithIdentifier("bank"));
            EXPECT_FALSE(server->APIURLWithLastPathComponent("start"));
            EXPECT_FALSE(server->webSocketURL());
            EXPECT_FALSE(server->messagesURL());
        }
    }

    // Every fixed environment has hosts, and the STUN host is the video server's host name.
    for (long environment = 0; environment <= 7; ++environment) {
        auto server = serverFor(environment, "T");
        ASSERT_TRUE(server->videoServerAddress() && server->stunHost()) << environment;
        const std::string video = *server->videoServerAddress();
        const std::string host = "https://" + *server->stunHost();
        EXPECT_TRUE(video == host || video.starts_with(host + ":")) << environment;
        EXPECT_EQ(server->webSocketURL(), *server->API_URL() + "/api/v1/identifications/T/websocket");
    }
}

TEST(KVNServerTest, CustomEnvironmentReadsTheSettingsHosts)
{
    auto server = serverFor(8, "DEV-1");
    auto settings = server->settings();
    settings->setApiHost("https://127.0.0.1:9443");
    // No event channel host: no event channel URL, but the API works.
    EXPECT_EQ(server->API_URL(), "https://127.0.0.1:9443");
    EXPECT_EQ(server->HOST_URL(), "https://127.0.0.1:9443");
    EXPECT_FALSE(server->webSocketURL());
    EXPECT_FALSE(server->videoServerAddress());
    EXPECT_FALSE(server->stunHost());
    EXPECT_EQ(server->stunPort(), 3478);

    settings->setWebsocketHost("https://events.local");
    settings->setVideoHost("https://video.local:8443");
    settings->setStunHost("stun.local");
    settings->setStunPort(19302);
    EXPECT_EQ(server->webSocketURL(), "https://events.local/api/v1/identifications/DEV-1/websocket");
    EXPECT_EQ(server->videoServerAddress(), "https://video.local:8443");
    EXPECT_EQ(server->stunHost(), "stun.local");
    EXPECT_EQ(server->stunPort(), 19302);
}

TEST(KVNServerTest, BuildersFollowTheCurrentToken)
{
    auto server = serverFor(2, "TST-123", "bank");
    const std::string base = "https://api.tst.kavoni.example";
    EXPECT_EQ(server->APIURLWithIdentifier("company"), base + "/api/v1/company");
    EXPECT_EQ(server->APIURLWithLastPathComponent(std::nullopt), base + "/api/v1/bank/identifications/TST-123");
    EXPECT_EQ(server->APIURLWithLastPathComponent("start"), base + "/api/v1/bank/identifications/TST-123/start");
    // The component is the library's own relative path.
    EXPECT_EQ(server->APIURLWithLastPathComponent("uploadScreenshot/signature"),
              base + "/api/v1/bank/identifications/TST-123/uploadScreenshot/signature");
    EXPECT_EQ(server->messagesURL(), "https://web.tst.kavoni.example/assets/messages.json?shortName=bank");

    // The initialisation swaps in the internal token: every later URL uses it, and the
    // environment stays the one fixed by the first token.
    server->settings()->setTransactionToken("internal-77");
    EXPECT_EQ(server->APIURLWithLastPathComponent("start"), base + "/api/v1/bank/identifications/internal-77/start");
    EXPECT_EQ(server->webSocketURL(), base + "/api/v1/identifications/internal-77/websocket");
    EXPECT_EQ(server->environment(), 2);

    // Nil values print as the formatter prints nil.
    auto bare = serverFor(2, std::nullopt, std::nullopt);
    EXPECT_EQ(bare->APIURLWithLastPathComponent(std::nullopt), base + "/api/v1/(null)/identifications/(null)");
    EXPECT_EQ(bare->APIURLWithIdentifier(std::nullopt), base + "/api/v1/(null)");
}

TEST(KVNServerTest, OutsideValuesCannotRedirectACall)
{
    struct Case {
        std::string value;
        std::string encoded;
        const char* why;
    };
    const Case cases[] = {
        {"AZaz09-._~", "AZaz09-._~", "unreserved characters stay"},
        {"a/b", "a%2Fb", "a slash would add a segment"},
        {"../../admin", "..%2F..%2Fadmin", "so climbing needs a slash"},
        {"..", "%2E%2E", "a segment of dots alone is a path step"},
        {".", "%2E", "likewise"},
        {"x?y=1#z", "x%3Fy%3D1%23z", "query and fragment"},
        {"a b\\", "a%20b%5C", "blank and backslash"},
        {"a&b=c+d%", "a%26b%3Dc%2Bd%25", "query separators and the escape character"},
        {"\xC3\xBC", "%C3%BC", "UTF-8 bytes, each encoded"},
        {std::string("a\0b\n", 4), "a%00b%0A", "control bytes"},
        {"", "", "nothing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KVNServer::percentEncodedPathSegment(c.value), c.encoded) << c.why;

    // In the builders: the token (also one from a push payload), the short name and the
    // identifier each stay one segment, and the texts' short name one query value.
    auto server = serverFor(2, "TST/../../x?y#z", "bank/evil");
    const std::string base = "https://api.tst.kavoni.example";
    EXPECT_EQ(server->APIURLWithLastPathComponent("start"),
              base + "/api/v1/bank%2Fevil/identifications/TST%2F..%2F..%2Fx%3Fy%23z/start");
    EXPECT_EQ(server->webSocketURL(), base + "/api/v1/identifications/TST%2F..%2F..%2Fx%3Fy%23z/websocket");
    EXPECT_EQ(server->APIURLWithIdentifier("../config"), base + "/api/v1/..%2Fconfig");
    server->setShortName("bank&shortName=other");
    EXPECT_EQ(server->messagesURL(),
              "https://web.tst.kavoni.example/assets/messages.json?shortName=bank%26shortName%3Dother");
}
