// The simulated service as tests use it: started on a free port, reached over verified HTTPS,
// its answers chosen per call and its request record read back.
#include <gtest/gtest.h>

#include <curl/curl.h>
#include <atomic>
#include <future>

#include "support/BlockingFetch.h"
#include "support/SimService.h"

namespace {

using Reply = FetchReply;

// A plain client of the sim, as the library's HTTP layer would be: certificate checks on.
// `abort`, when given, cancels the transfer once it turns true.
Reply fetch(const std::string& method, const std::string& url, const std::string& body = "",
            const std::string& contentType = "application/json", const std::string& caFile = "",
            const std::atomic<bool>* abort = nullptr)
{
    return blockingFetch({ .method = method, .url = url, .body = body, .contentType = contentType,
                           .headers = { "X-Client-Secret: s3cret" }, .caFile = caFile, .abort = abort });
}

nlohmann::json parsed(const Reply& reply)
{
    return nlohmann::json::parse(reply.body, nullptr, false);
}

class SimServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sim = SimService::start(); }
    static void TearDownTestSuite() { sim.reset(); }
    void SetUp() override { sim->reset(); }

    Reply call(const std::string& method, const std::string& path, const std::string& body = "",
               const std::string& contentType = "application/json")
    {
        return fetch(method, sim->baseURL() + path, body, contentType, sim->caFile());
    }

    static std::unique_ptr<SimService> sim;
};

std::unique_ptr<SimService> SimServiceTest::sim;

const std::string kIdent = "/api/v1/vellumbank/identifications/DEV1";

TEST_F(SimServiceTest, ServesOverHTTPSTrustedOnlyThroughTheTestAuthority)
{
    EXPECT_EQ(sim->baseURL().rfind("https://127.0.0.1:", 0), 0u);

    Reply trusted = call("GET", "/api/v1/vellumbank");
    ASSERT_EQ(trusted.result, CURLE_OK);
    EXPECT_EQ(trusted.status, 200);

    // Without the authority the certificate does not verify: nothing trusts it by accident.
    Reply untrusted = fetch("GET", sim->baseURL() + "/api/v1/vellumbank");
    EXPECT_EQ(untrusted.result, CURLE_PEER_FAILED_VERIFICATION);

    // The certificate also names "localhost", the development environment's host.
    Reply byName = fetch("GET", "https://localhost:" + std::to_string(sim->port()) + "/api/v1/vellumbank",
                         "", "application/json", sim->caFile());
    EXPECT_EQ(byName.result, CURLE_OK);
}

TEST_F(SimServiceTest, RecordsEveryRequestButTheControlCalls)
{
    call("POST", kIdent + "/start?x=1", R"({"token":"DEV1","clientInfo":{"language":"de"}})");
    call("POST", kIdent + "/uploadScreenshot/signature", "/9j/4AAQ", "application/octet-stream");

    nlohmann::json record = sim->requests();
    ASSERT_EQ(record.size(), 2u);
    const auto& start = record[0];
    EXPECT_EQ(start["method"], "POST");
    EXPECT_EQ(start["path"], kIdent + "/start");
    EXPECT_EQ(start["query"], "x=1");
    EXPECT_EQ(start["json"]["clientInfo"]["language"], "de");
    EXPECT_EQ(start["status"], 200);
    EXPECT_EQ(SimService::header(start, "x-client-secret"), "s3cret");
    EXPECT_EQ(SimService::header(start, "Accept-Language"), std::nullopt);

    const auto& upload = record[1];
    EXPECT_EQ(upload["body"], "/9j/4AAQ");
    EXPECT_EQ(upload["bodyBase64"], "LzlqLzRBQVE=");
    EXPECT_TRUE(upload["json"].is_null());
    EXPECT_EQ(SimService::header(upload, "Content-Type"), "application/octet-stream");

    sim->reset();
    EXPECT_TRUE(sim->requests().empty());
}

TEST_F(SimServiceTest, ChosenAnswersReplaceTheServiceForTheirCount)
{
    struct Case {
        int status;
        std::string body;
        std::string contentType;
        const char* why;
    };
    const std::vector<Case> cases = {
        { 404, SimService::errorBody("E404", "OBJECT_NOT_FOUND"), "application/json", "unknown object" },
        { 410, SimService::errorBody("E410", "GONE"), "application/json", "identification gone" },
        { 412, SimService::errorBody("E412", "PRECONDITION_FAILED"), "application/json", "wrong state" },
        { 429, SimService::errorBody("E429", "WAITING_LIST_ENFORCED"), "application/json", "waiting list" },
        { 500, SimService::errorBody("EX-1234", "INTERNAL"), "application/json", "server error with an id" },
        { 503, "", "", "service unavailable, no body" },
        { 200, "<html>maintenance</html>", "text/html", "a body that is not JSON" },
        { 200, R"({"internalToken":"CUSTOM"})", "application/json", "a custom JSON body" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->setAnswer("GET", "/api/v1/[^/]+/identifications/[^/]+", c.status, c.body, 1, 0, c.contentType);
        Reply chosen = call("GET", kIdent);
        EXPECT_EQ(chosen.status, c.status);
        EXPECT_EQ(chosen.body, c.body);
        if (!c.contentType.empty()) {
            EXPECT_EQ(chosen.contentType.rfind(c.contentType, 0), 0u) << chosen.contentType;
        }
        // Count 1: the next call gets the service's own answer again.
        Reply after = call("GET", kIdent);
        EXPECT_EQ(after.status, 200);
        EXPECT_EQ(parsed(after)["internalToken"], "DEV1-INT");
    }
}

TEST_F(SimServiceTest, RulesMatchMethodAndWholePathNewestFirst)
{
    sim->setAnswer("*", "/api/v1/vellumbank/identifications/DEV1/.*", 500);
    sim->setAnswer("POST", "/api/v1/vellumbank/identifications/DEV1/start", 412, "", 2);

    EXPECT_EQ(call("POST", kIdent + "/start", R"({"token":"DEV1","clientInfo":{}})").status, 412);
    EXPECT_EQ(call("POST", kIdent + "/start", R"({"token":"DEV1","clientInfo":{}})").status, 412);
    EXPECT_EQ(call("POST", kIdent + "/start", R"({"token":"DEV1","clientInfo":{}})").status, 500)
        << "after its count the older rule applies again";
    EXPECT_EQ(call("GET", kIdent + "/documents").status, 500) << "\"*\" matches every method";
    EXPECT_EQ(call("GET", kIdent).status, 200) << "the path must match whole";
    EXPECT_EQ(call("GET", "/api/v1/vellumbank").status, 200);

    sim->reset();
    EXPECT_EQ(call("GET", kIdent + "/documents").status, 200) << "reset forgets the rules";
}

TEST_F(SimServiceTest, SlowAnswers)
{
    // Status 0 delays the service's own answer.
    sim->setAnswer("GET", "/api/v1/vellumbank", 0, "", 1, 0.2);
    Reply delayed = call("GET", "/api/v1/vellumbank");
    EXPECT_EQ(delayed.status, 200);
    EXPECT_EQ(parsed(delayed)["shortname"], "vellumbank");

    // A request held for long is in the record, unanswered, while the client waits; the client
    // can give up on it, and the sim goes on serving.
    sim->setAnswer("GET", kIdent, 503, "", 1, 600);
    std::atomic<bool> giveUp = false;
    const std::string url = sim->baseURL() + kIdent;
    const std::string ca = sim->caFile();
    auto pending = std::async(std::launch::async, [&] { return fetch("GET", url, "", "application/json", ca, &giveUp); });
    nlohmann::json record;
    do {
        record = sim->requests();
    } while (record.size() < 2);
    EXPECT_EQ(record[1]["path"], kIdent);
    EXPECT_TRUE(record[1]["status"].is_null());
    giveUp = true;
    EXPECT_EQ(pending.get().result, CURLE_ABORTED_BY_CALLBACK);
    EXPECT_EQ(call("GET", kIdent).status, 200);
}

TEST_F(SimServiceTest, PathSegmentsAreReadAsSent)
{
    // An encoded "/" stays inside the token; an unencoded one makes another path.
    Reply encoded = call("GET", "/api/v1/vellumbank/identifications/DEV%2Fa%20b");
    EXPECT_EQ(encoded.status, 200);
    EXPECT_EQ(parsed(encoded)["internalToken"], "DEV/a b-INT");
    EXPECT_EQ(call("GET", "/api/v1/vellumbank/identifications/DEV/ab").status, 404);

    EXPECT_EQ(sim->requests()[0]["path"], "/api/v1/vellumbank/identifications/DEV%2Fa%20b");
}

TEST_F(SimServiceTest, FixtureCalls)
{
    const std::string start = R"({"token":"DEV1","clientInfo":{}})";
    struct Case {
        std::string method;
        std::string path;
        std::string body;
        long status;
        std::string pointer; // JSON pointer into the answer, empty: not JSON
        nlohmann::json expected;
    };
    const std::vector<Case> cases = {
        { "GET", "/api/v1/vellumbank", "", 200, "/settings/processtype", "VIDEO" },
        { "GET", "/api/v1/vellumbank", "", 200, "/settings/processsteps/esigning/handwritten", true },
        { "GET", "/api/v1/vellumbank-closed", "", 200, "/officeOpen", false },
        { "GET", "/api/v1/vellumbank-photo", "", 200, "/settings/processtype", "PHOTO" },
        { "GET", "/api/v1/DEVPHOTO7", "", 200, "/settings/processtype", "PHOTO" },
        { "GET", "/api/v1/DEVNOSIGN7", "", 200, "/settings/waitingList/ios/enabled", false },
        { "GET", "/api/v1/unknown-bank", "", 404, "/errors/0/cause", "OBJECT_NOT_FOUND" },
        { "GET", kIdent + "/documents", "", 200, "/1/documentDefinition/identifier", "privacy-notice" },
        { "GET", kIdent + "/documents/account-agreement/data", "", 200, "", nullptr },
        { "GET", kIdent + "/approvalPhrases", "", 200, "/0/urls/terms/link", "/assets/terms.html" },
        { "GET", "/assets/messages.json?shortName=vellumbank", "", 200, "/js.waitingList.enforced",
          "All our agents are busy. Join the waiting list and we will call you back." },
        { "GET", "/assets/terms.html", "", 200, "", nullptr },
        { "POST", kIdent + "/start", start, 200, "/request/clientSecret", "sim-secret-50e48c128bc0bc8e" },
        { "POST", kIdent + "/start", start, 200, "/request/videoserverUsed", "KAVONI" },
        { "POST", "/api/v1/vellumbank/identifications/DEVTOKBOX/start",
          R"({"token":"DEVTOKBOX","clientInfo":{}})", 200, "/request/videoserverUsed", "TOKBOX" },
        { "POST", "/api/v1/vellumbank/identifications/DEVFULL/start",
          R"({"token":"DEVFULL","clientInfo":{}})", 429, "/errors/0/cause", "WAITING_LIST_ENFORCED" },
        { "POST", kIdent + "/start", R"({"token":"DEV1","clientInfo":{},"data":{"idType":"IDCARD","idCountry":"DE"}})",
          200, "/request/clientSecret", "sim-secret-50e48c128bc0bc8e" },
        { "POST", kIdent + "/start", R"({"token":"OTHER","clientInfo":{}})", 400, "/errors/0/cause", "INVALID_REQUEST" },
        { "POST", kIdent + "/sendConfirmationToken", R"({"confirmationToken":"123456"})", 200, "", nullptr },
        { "POST", kIdent + "/sendConfirmationToken", R"({"confirmationToken":"654321"})", 400,
          "/errors/0/cause", "WRONG_CONFIRMATION_TOKEN" },
        { "POST", kIdent + "/resendConfirmationToken", R"({"mobile":"+4915112345678"})", 200, "", nullptr },
        { "POST", kIdent + "/resendConfirmationTokenViaEmail", R"({"email":"a@b.de"})", 200, "", nullptr },
        // The code must go somewhere: the channel's own field, not blank.
        { "POST", kIdent + "/resendConfirmationToken", R"({"email":"a@b.de"})", 400, "/errors/0/cause", "INVALID_REQUEST" },
        { "POST", kIdent + "/resendConfirmationTokenViaEmail", R"({"email":null})", 400, "/errors/0/cause", "INVALID_REQUEST" },
        { "POST", kIdent + "/resendConfirmationTokenViaEmail", R"({"email":"  "})", 400, "/errors/0/cause", "INVALID_REQUEST" },
        { "POST", kIdent + "/requestVideoChat", "{}", 200, "", nullptr },
        { "POST", kIdent + "/chat/agent/sendMsg", R"({"content":"hello"})", 200, "", nullptr },
        { "POST", kIdent + "/uploadScreenshot/signature", "/9j/4AAQ", 200, "", nullptr },
        { "POST", kIdent + "/uploadScreenshot/signature", "\xff\xd8\xff\xe0", 400, "/errors/0/cause", "INVALID_IMAGE" },
        { "GET", "/vellumbank/identifications/DEV1/signingDone", "", 200, "", nullptr },
        { "POST", "/api/v1/conferences/s1/USER/u1/sendSdpOffer", R"({"sdpMessage":"v=0","isOffer":true})", 200,
          "/isOffer", false },
        { "POST", "/api/v1/conferences/s1/USER/u1/sendCandidate",
          R"({"sdpCandidateAttribute":"candidate:1 1 udp 2122260223 127.0.0.1 50000 typ host","sdpMediaIndex":0})", 200, "", nullptr },
        { "POST", "/api/v1/conferences/s1/USER/u1/sendCandidate", R"({"sdpCandidateAttribute":"candidate:1"})", 400,
          "/errors/0/cause", "INVALID_REQUEST" },
        { "DELETE", kIdent + "/start", "", 405, "/errors/0/cause", "METHOD_NOT_ALLOWED" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path + " " + c.body);
        Reply reply = call(c.method, c.path, c.body);
        ASSERT_EQ(reply.result, CURLE_OK);
        EXPECT_EQ(reply.status, c.status);
        if (!c.pointer.empty()) {
            nlohmann::json answer = parsed(reply);
            nlohmann::json::json_pointer pointer(c.pointer);
            ASSERT_TRUE(answer.contains(pointer)) << reply.body;
            EXPECT_EQ(answer[pointer], c.expected);
        }
    }
}

TEST_F(SimServiceTest, VideoServerFaultsApplyInOrderToTheirConference)
{
    // An offer without media starts no link, so this needs no WebRTC peer on this side.
    const std::string offer = R"({"sdpMessage":"v=0\r\n","isOffer":true,"tieBreaker":"1"})";
    auto offerTo = [&](const std::string& session) { return call("POST", "/api/v1/conferences/" + session + "/USER/u1/sendSdpOffer", offer); };
    sim->setVideoFault(SimService::VideoFault::Refuse, 1, 502, 0, "s1");
    sim->setVideoFault(SimService::VideoFault::NotJSON);
    sim->setVideoFault(SimService::VideoFault::NotSDP);

    Reply other = offerTo("other");
    EXPECT_EQ(other.status, 200);
    EXPECT_TRUE(parsed(other).is_discarded()) << other.body;
    EXPECT_EQ(offerTo("s1").status, 502);
    Reply garbled = offerTo("s1");
    EXPECT_EQ(garbled.status, 200);
    EXPECT_EQ(parsed(garbled).value("sdpMessage", "").rfind("v=0", 0), std::string::npos) << garbled.body;
    EXPECT_EQ(parsed(offerTo("s1")).value("isOffer", true), false);

    EXPECT_EQ(sim->videoConference(), nullptr);
    EXPECT_EQ(sim->dropVideoLink("s1"), 0);
}

TEST(SimServiceLifetime, StopsWhenDestroyed)
{
    auto sim = SimService::start();
    const std::string url = sim->baseURL() + "/api/v1/vellumbank";
    const std::string ca = sim->caFile();
    EXPECT_EQ(fetch("GET", url, "", "application/json", ca).status, 200);
    sim.reset();
    EXPECT_EQ(fetch("GET", url, "", "application/json", ca).result, CURLE_COULDNT_CONNECT);
}

} // namespace
