// The REST client against the simulated identification service, over real HTTPS on loopback
// (environment 8 pointed at the sim, the sim's test authority trusted, checks on): what every
// call sends as the service records it, the client secret's life, the upload, how error
// answers become errors, and what cancelled tasks report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <openssl/sha.h>

#include "Foundation/NSBase64.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSUserDefaults.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/NSURLError.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "UIKit/UIImage.h"
#include "models/KVNApprovalLink.h"
#include "models/KVNApprovalPhrase.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

using nlohmann::json;

namespace {

const std::string kToken = "DEV0001";
const std::string kIdent = "/api/v1/vellumbank/identifications/DEV0001";
const std::string kVersionHeader = "de.kavoni.ios-3.1.4";
const std::string kMobile = "+4915112345678";
const std::string kEmail = "erika.mustermann@example.org";

// The sim derives its values from the first 16 hex digits of SHA-256 of the token.
std::string simValue(const std::string& prefix, const std::string& token)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(token.data()), token.size(), digest);
    char hex[17];
    for (int i = 0; i < 8; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return prefix + std::string(hex, 16);
}

std::shared_ptr<UIImage> testImage()
{
    return UIImage::imageWithData(KvnTestBundle::solidPNG(24, 16, 0x3366CCFF));
}

// What an upload of the image must carry: its JPEG at 0.9 as one line of base64 text.
std::string expectedUploadBody(const std::shared_ptr<UIImage>& image)
{
    const auto data = KVNExtensions::encodeToJPGBase64DataWithCompressionQuality(image, 0.9f);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

// Arrays nested 100,000 levels deep, 200 kB: a value that deep overflows the stack once it is
// copied, so it must be refused as it is read.
std::string deepArrays() { return std::string(100000, '[') + std::string(100000, ']'); }

std::optional<std::string> header(const json& request, const std::string& name)
{
    return SimService::header(request, name);
}

} // namespace

class ServiceCallsTest : public SimFixture<ManualClockFixture> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->writeFile("Info.json", R"({"CFBundleShortVersionString": "3.1.4"})");
        NSUserDefaults::standardUserDefaults()->setObject_forKey(json::array({"de-DE", "en"}), "AppleLanguages");
        KVNIdentification::resetSharedIdentification();
        ident = KVNIdentification::sharedIdentification();
        useToken(kToken);
        manager = std::make_shared<KVNRequestManager>();
        manager->setIdent(ident);
    }

    void TearDown() override
    {
        // Every completion runs before the next test: none may reach a later test's state.
        manager->cancelTasks();
        loop->spin_until([this] { return idle(); }, 30.0);
        manager.reset();
        ident.reset();
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture::TearDown();
    }

    void useToken(const std::string& token)
    {
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", token);
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        ident->setSettings(settings);
        ident->server()->setShortName("vellumbank");
    }

    bool idle() const
    {
        return manager->managerJSONJSON()->tasks().empty() && manager->managerJSONHTTP()->tasks().empty() &&
               manager->managerHTTPHTTP()->tasks().empty();
    }

    // Turns the main run loop until the condition holds (the answers arrive on it).
    void waitUntil(const std::function<bool()>& condition) { ASSERT_TRUE(loop->spin_until(condition, 30.0)); }

    // The requests the sim has answered beyond the first `from`, once `count` of them are there.
    json answeredSince(size_t from, size_t count = 1)
    {
        json fresh = json::array();
        loop->spin_until(
            [&] {
                const json all = sim->requests();
                fresh = json::array();
                for (size_t i = from; i < all.size(); ++i)
                    fresh.push_back(all[i]);
                if (fresh.size() < count)
                    return false;
                for (const auto& entry : fresh)
                    if (entry["status"].is_null())
                        return false;
                return true;
            },
            30.0);
        return fresh;
    }

    // Runs a call and waits for its callback; answers the error it reported.
    std::shared_ptr<NSError> runForError(const std::function<void(KVNRequestManager&, KVNRequestManager::ErrorCallback)>& call)
    {
        bool done = false;
        std::shared_ptr<NSError> reported;
        call(*manager, [&](const std::shared_ptr<NSError>& error) {
            reported = error;
            done = true;
        });
        waitUntil([&] { return done; });
        return reported;
    }

    // The video start, waited for.
    struct StartOutcome {
        std::optional<std::string> videoSessionID, userVideoSessionToken;
        std::shared_ptr<NSError> error;
    };
    StartOutcome startVideo()
    {
        bool done = false;
        StartOutcome outcome;
        manager->POSTStartVideoIdentification([&](const auto& session, const auto& token, const auto& error) {
            outcome = {session, token, error};
            done = true;
        });
        waitUntil([&] { return done; });
        return outcome;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNIdentification> ident;
    std::shared_ptr<KVNRequestManager> manager;
};

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, EveryCallSendsItsMethodPathHeadersAndBody)
{
    const auto image = testImage();
    const std::string imageBody = expectedUploadBody(image);
    ASSERT_FALSE(imageBody.empty());
    auto photo = KVNPhoto::photoWithName("IDFRONTSIDE");
    photo->setImage(image);
    auto message = std::make_shared<KVNMessage>();
    message->setText("Hallo, ich bin bereit.");
    const JSONValue candidate = {{"sdpCandidateAttribute", "candidate:1 1 udp 2122260223 127.0.0.1 50000 typ host"}, {"sdpMediaIndex", 0}};
    const JSONValue offer = {{"sdpMessage", "v=0\r\n"}, {"isOffer", true}, {"tieBreaker", 7}};

    using Done = std::function<void()>;
    enum Kind { Session, Upload };
    struct Row {
        const char* name;
        std::function<void(KVNRequestManager&, Done)> call;
        const char* method;
        std::string path;
        std::string query;
        Kind kind;
        // The JSON body expected, keys in the order the call writes them; null: no body at
        // all. Uploads carry the image.
        std::function<JSONValue()> body;
    };
    auto noError = [](const char* name, Done done) {
        return [name, done](const std::shared_ptr<NSError>& error) {
            EXPECT_EQ(error, nullptr) << name << ": " << (error ? error->description() : "");
            done();
        };
    };
    auto noBody = [] { return JSONValue(); };
    auto literal = [](JSONValue value) { return [value] { return value; }; };
    auto startBody = [this](JSONValue extra) {
        return [this, extra] {
            JSONValue body = {{"token", kToken}, {"clientInfo", ident->clientInformation()}};
            body.update(extra);
            return body;
        };
    };

    const std::vector<Row> rows = {
        {"customer configuration", [&](KVNRequestManager& m, Done d) { m.initializeIdentificationWithIdentifier_callback("vellumbank", noError("config", d)); },
         "GET", "/api/v1/vellumbank", "", Session, noBody},
        {"texts", [&](KVNRequestManager& m, Done d) { m.requestMessages(noError("texts", d)); },
         "GET", "/assets/messages.json", "shortName=vellumbank", Session, noBody},
        {"video identification data",
         [&](KVNRequestManager& m, Done d) {
             m.requestVideoIdentificationData([d](const auto& token, const auto& error) {
                 EXPECT_EQ(token, kToken + "-INT");
                 EXPECT_EQ(error, nullptr);
                 d();
             });
         },
         "GET", kIdent, "", Session, noBody},
        {"contracts", [&](KVNRequestManager& m, Done d) { m.requestESignatureContracts(noError("contracts", d)); },
         "GET", kIdent + "/documents", "", Session, noBody},
        {"approval phrases", [&](KVNRequestManager& m, Done d) { m.requestApprovalPhrases(noError("phrases", d)); },
         "GET", kIdent + "/approvalPhrases", "", Session, noBody},
        {"waiting queue",
         [&](KVNRequestManager& m, Done d) {
             m.requestWaitingQueue([d](bool success, const auto& error) {
                 EXPECT_TRUE(success);
                 EXPECT_EQ(error, nullptr);
                 d();
             });
         },
         "GET", kIdent, "", Session, noBody},
        {"video chat", [&](KVNRequestManager& m, Done d) { m.requestVideoChat(noError("video chat", d)); },
         "POST", kIdent + "/requestVideoChat", "", Session, literal(json::object())},
        {"setup complete", [&](KVNRequestManager& m, Done d) { m.POSTSetupComplete(noError("setup", d)); },
         "POST", kIdent + "/setupComplete", "", Session, literal(json::object())},
        {"ident code by e-mail", [&](KVNRequestManager& m, Done d) { m.POSTRequestIdentCodeViaEmail_callback(true, noError("code mail", d)); },
         "POST", kIdent + "/resendConfirmationTokenViaEmail", "", Session, literal({{"email", kEmail}})},
        {"ident code by SMS", [&](KVNRequestManager& m, Done d) { m.POSTRequestIdentCodeViaEmail_callback(false, noError("code sms", d)); },
         "POST", kIdent + "/resendConfirmationToken", "", Session, literal({{"mobile", kMobile}})},
        {"ident code", [&](KVNRequestManager& m, Done d) { m.POSTIdentCode_callback("123456", noError("ident code", d)); },
         "POST", kIdent + "/sendConfirmationToken", "", Session, literal({{"confirmationToken", "123456"}})},
        {"signing done", [&](KVNRequestManager& m, Done d) { m.sendEsignSuccess(noError("signing done", d)); },
         "GET", "/vellumbank/identifications/DEV0001/signingDone", "", Session, noBody},
        {"signing refused", [&](KVNRequestManager& m, Done d) { m.POSTEsignCancel(noError("refuse", d)); },
         "POST", kIdent + "/signingRefuse", "", Session, literal(json::object())},
        {"screenshot", [&](KVNRequestManager& m, Done d) { m.POSTScreenshot_typeIdentifier_callback(image, "IDFRONTSIDE", noError("screenshot", d)); },
         "POST", kIdent + "/uploadScreenshot/IDFRONTSIDE", "", Upload, noBody},
        {"screenshot type that would leave its segment",
         [&](KVNRequestManager& m, Done d) { m.POSTScreenshot_typeIdentifier_callback(image, "../start?x=1", noError("screenshot odd", d)); },
         "POST", kIdent + "/uploadScreenshot/..%2Fstart%3Fx%3D1", "", Upload, noBody},
        {"signature", [&](KVNRequestManager& m, Done d) { m.POSTSignature_callback(image, noError("signature", d)); },
         "POST", kIdent + "/uploadScreenshot/signature", "", Upload, noBody},
        {"photo", [&](KVNRequestManager& m, Done d) { m.POSTPhotoIdentPhoto_callback(photo, noError("photo", d)); },
         "POST", kIdent + "/uploadScreenshot/IDFRONTSIDE", "", Upload, noBody},
        {"identification failed", [&](KVNRequestManager& m, Done d) { m.POSTIdentificationFailed(); d(); },
         "POST", kIdent + "/failed", "", Session, noBody},
        {"identification cancelled", [&](KVNRequestManager& m, Done d) { m.POSTIdentificationCanceled(); d(); },
         "POST", kIdent + "/canceled", "", Session, noBody},
        {"chat message", [&](KVNRequestManager& m, Done d) { m.POSTMessage_callback(message, noError("chat", d)); },
         "POST", kIdent + "/chat/agent/sendMsg", "", Session, literal({{"content", "Hallo, ich bin bereit."}})},
        {"push registration",
         [&](KVNRequestManager& m, Done d) {
             m.POSTPushRegistrationMessage_identToken_appName_callback("a1b2c3", kToken, "vellumbank", [d](bool ok) {
                 EXPECT_TRUE(ok);
                 d();
             });
         },
         "POST", kIdent + "/notificationSubscription", "", Session,
         literal({{"type", "APN"}, {"appName", "vellumbank"}, {"subscriptionToken", "a1b2c3"}})},
        {"push registration without an app name",
         [&](KVNRequestManager& m, Done d) {
             m.POSTPushRegistrationMessage_identToken_appName_callback("a1b2c3", kToken, std::nullopt, [d](bool ok) {
                 EXPECT_TRUE(ok);
                 d();
             });
         },
         "POST", kIdent + "/notificationSubscription", "", Session,
         literal({{"type", "APN"}, {"appName", "kavoni"}, {"subscriptionToken", "a1b2c3"}})},
        {"waiting-list enrolment",
         [&](KVNRequestManager& m, Done d) {
             m.POSTEnrollForWaitingListMessage_shortName_callback(kToken, "vellumbank", [d](bool ok) {
                 EXPECT_TRUE(ok);
                 d();
             });
         },
         "POST", kIdent + "/waitingListEnrollment", "", Session, literal(json::object())},
        {"foreground",
         [&](KVNRequestManager& m, Done d) {
             m.POSTchangeStateToForeground_callback(true, [d](bool ok) {
                 EXPECT_TRUE(ok);
                 d();
             });
         },
         "POST", kIdent + "/appEnteredForeground", "", Session, literal(json::object())},
        {"background",
         [&](KVNRequestManager& m, Done d) {
             m.POSTchangeStateToForeground_callback(false, [d](bool ok) {
                 EXPECT_TRUE(ok);
                 d();
             });
         },
         "POST", kIdent + "/appEnteredBackground", "", Session, literal(json::object())},
        {"candidate",
         [&](KVNRequestManager& m, Done d) { EXPECT_NE(m.POSTCandidate_forSessionID_token_callback(candidate, "sim-session-1", "sim-user-1", noError("candidate", d)), nullptr); },
         "POST", "/api/v1/conferences/sim-session-1/USER/sim-user-1/sendCandidate", "", Session, literal(candidate)},
        {"candidate with ids that would leave their segments",
         [&](KVNRequestManager& m, Done d) { m.POSTCandidate_forSessionID_token_callback(candidate, "a/b c", "x#y", noError("candidate odd", d)); },
         "POST", "/api/v1/conferences/a%2Fb%20c/USER/x%23y/sendCandidate", "", Session, literal(candidate)},
        {"SDP offer",
         [&](KVNRequestManager& m, Done d) {
             m.POSTSDPOffer_forSessionID_token_callback(offer, "sim-session-1", "sim-user-1", [d](const auto& answer, const auto& task, const auto& error) {
                 ASSERT_TRUE(answer.has_value());
                 EXPECT_EQ(json::parse(*answer).value("isOffer", true), false);
                 EXPECT_NE(task, nullptr);
                 EXPECT_EQ(error, nullptr);
                 d();
             });
         },
         "POST", "/api/v1/conferences/sim-session-1/USER/sim-user-1/sendSdpOffer", "", Session, literal(offer)},
        {"photo start",
         [&](KVNRequestManager& m, Done d) { m.POSTStartPhotoIdentificationForIDType_idCountry_callback("IDCARD", "DE", noError("photo start", d)); },
         "POST", kIdent + "/start", "", Session, startBody({{"data", {{"idType", "IDCARD"}, {"idCountry", "DE"}}}})},
        {"video start",
         [&](KVNRequestManager& m, Done d) {
             m.POSTStartVideoIdentification([d](const auto& session, const auto& token, const auto& error) {
                 EXPECT_EQ(session, simValue("sim-session-", kToken));
                 EXPECT_EQ(token, simValue("sim-user-", kToken));
                 EXPECT_EQ(error, nullptr);
                 d();
             });
         },
         "POST", kIdent + "/start", "", Session, startBody({{"mobile", kMobile}, {"email", kEmail}})},
    };

    // Twice: first with no client secret until the starts hand one out, then with it on
    // every call.
    manager->clearAllClientSecretHeaders();
    for (int pass = 1; pass <= 2; ++pass) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.name) + ", pass " + std::to_string(pass));
            const std::optional<std::string> secret = ident->clientSecret();
            const size_t before = sim->requests().size();
            bool done = false;
            row.call(*manager, [&] { done = true; });
            waitUntil([&] { return done; });
            const json fresh = answeredSince(before);
            ASSERT_EQ(fresh.size(), 1u);
            const json& request = fresh[0];

            EXPECT_EQ(request["method"], row.method);
            EXPECT_EQ(request["path"], row.path);
            EXPECT_EQ(request["query"], row.query);
            EXPECT_EQ(header(request, "X-Client-Secret"), secret);
            if (row.kind == Session) {
                EXPECT_EQ(header(request, "X-CLIENT-VERSION"), kVersionHeader);
                EXPECT_EQ(header(request, "Accept-Language"), "de-DE");
                const JSONValue expected = row.body();
                if (expected.is_null()) {
                    EXPECT_EQ(request["body"], "");
                } else {
                    EXPECT_EQ(header(request, "Content-Type").value_or("").rfind("application/json", 0), 0u);
                    EXPECT_EQ(request["body"], expected.dump()) << "the text compares the order of the keys too";
                }
            } else {
                EXPECT_EQ(header(request, "X-CLIENT-VERSION"), std::nullopt);
                EXPECT_EQ(header(request, "Accept-Language"), std::nullopt);
                EXPECT_EQ(header(request, "Content-Type"), "application/octet-stream");
                EXPECT_EQ(request["body"], imageBody);
            }
        }
        // The video start handed out its secret; the photo start's came before it.
        EXPECT_EQ(ident->clientSecret(), simValue("sim-secret-", kToken));
    }
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, ClientSecretFollowsVideoStartsAndIsClearedByEveryFailure)
{
    const std::string secret = simValue("sim-secret-", kToken);
    auto videoChatSecret = [this] {
        const size_t before = sim->requests().size();
        EXPECT_EQ(runForError([](KVNRequestManager& m, auto cb) { m.requestVideoChat(cb); }), nullptr);
        return header(answeredSince(before)[0], "X-Client-Secret");
    };

    // A start hands out the secret: later calls and uploads carry it.
    EXPECT_EQ(startVideo().error, nullptr);
    EXPECT_EQ(ident->clientSecret(), secret);
    EXPECT_EQ(videoChatSecret(), secret);
    size_t before = sim->requests().size();
    EXPECT_EQ(runForError([](KVNRequestManager& m, auto cb) { m.POSTSignature_callback(testImage(), cb); }), nullptr);
    EXPECT_EQ(header(answeredSince(before)[0], "X-Client-Secret"), secret);

    // 429: the waiting list is forced, three nils come back, and the secret is gone.
    useToken("DEVFULL0001");
    const auto full = startVideo();
    EXPECT_EQ(full.videoSessionID, std::nullopt);
    EXPECT_EQ(full.userVideoSessionToken, std::nullopt);
    EXPECT_EQ(full.error, nullptr);
    EXPECT_TRUE(ident->forceWaitingList());
    EXPECT_EQ(ident->clientSecret(), std::nullopt);
    EXPECT_EQ(videoChatSecret(), std::nullopt);

    // The next start clears the forced waiting list before its request is answered.
    useToken(kToken);
    bool done = false;
    manager->POSTStartVideoIdentification([&](const auto&, const auto&, const auto&) { done = true; });
    EXPECT_FALSE(ident->forceWaitingList());
    waitUntil([&] { return done; });
    EXPECT_EQ(ident->clientSecret(), secret);

    // A start cancelled under way reports nothing but still drops the secret.
    sim->setAnswer("POST", ".*/start", 0, "", 1, 5.0);
    bool called = false;
    manager->POSTStartVideoIdentification([&](const auto&, const auto&, const auto&) { called = true; });
    manager->cancelTasks();
    waitUntil([&] { return idle(); });
    loop->pump();
    EXPECT_FALSE(called);
    EXPECT_EQ(ident->clientSecret(), std::nullopt);
    EXPECT_EQ(videoChatSecret(), std::nullopt);

    // Any other failure: internal 2010, and no secret.
    EXPECT_EQ(startVideo().error, nullptr);
    sim->setAnswer("POST", ".*/start", 500, SimService::errorBody("EX-9", "INTERNAL"), 1);
    const auto failed = startVideo();
    ASSERT_NE(failed.error, nullptr);
    EXPECT_EQ(failed.error->domain(), KavoniInternalErrorDomain);
    EXPECT_EQ(failed.error->code(), 2010);
    EXPECT_EQ(ident->clientSecret(), std::nullopt);
}

TEST_F(ServiceCallsTest, PhotoStartSetsTheSecretAndOnlyAFailureThatIsNoCancelClearsIt)
{
    auto photoStart = [](KVNRequestManager& m, KVNRequestManager::ErrorCallback cb) {
        m.POSTStartPhotoIdentificationForIDType_idCountry_callback("PASSPORT", "AT", cb);
    };
    EXPECT_EQ(runForError(photoStart), nullptr);
    EXPECT_EQ(ident->clientSecret(), simValue("sim-secret-", kToken));

    // An answer without a secret keeps the one held.
    sim->setAnswer("POST", ".*/start", 200, "{}", 1);
    EXPECT_EQ(runForError(photoStart), nullptr);
    EXPECT_EQ(ident->clientSecret(), simValue("sim-secret-", kToken));

    sim->setAnswer("POST", ".*/start", 0, "", 1, 5.0);
    bool called = false;
    photoStart(*manager, [&](const auto&) { called = true; });
    manager->cancelTasks();
    waitUntil([&] { return idle(); });
    loop->pump();
    EXPECT_FALSE(called);
    EXPECT_EQ(ident->clientSecret(), simValue("sim-secret-", kToken));

    sim->setAnswer("POST", ".*/start", 503, "", 1);
    const auto error = runForError(photoStart);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), 2018);
    EXPECT_EQ(ident->clientSecret(), std::nullopt);
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, UploadSendsOnlyItsOwnHeadersAndBase64Text)
{
    manager->updateAllClientSecretHeadersWithSecret("upload-secret");
    const auto image = testImage();
    const size_t before = sim->requests().size();
    EXPECT_EQ(runForError([&](KVNRequestManager& m, auto cb) { m.POSTScreenshot_typeIdentifier_callback(image, "USER", cb); }), nullptr);
    const json request = answeredSince(before)[0];

    // Besides what the HTTP client itself adds (host, length, accepted encodings), exactly
    // the type of the body and the secret.
    std::vector<std::string> own;
    for (const auto& [name, value] : request["headers"].items()) {
        std::string lower = name;
        for (auto& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower != "host" && lower != "accept" && lower != "content-length" && lower != "accept-encoding" && lower != "user-agent")
            own.push_back(lower);
    }
    std::sort(own.begin(), own.end());
    EXPECT_EQ(own, (std::vector<std::string>{"content-type", "x-client-secret"})) << request["headers"].dump();
    EXPECT_EQ(header(request, "X-Client-Secret"), "upload-secret");

    // The body is base64 text of a JPEG on one line, not the binary JPEG itself.
    const std::string body = request["body"];
    EXPECT_EQ(body, expectedUploadBody(image));
    EXPECT_EQ(body.find_first_of("\r\n"), std::string::npos);
    const auto decoded = NSBase64Decode(body);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_GE(decoded->size(), 2u);
    EXPECT_EQ((*decoded)[0], 0xFF);
    EXPECT_EQ((*decoded)[1], 0xD8);
}

TEST_F(ServiceCallsTest, UploadAnsweredOutside2xxIsAFailure)
{
    struct Case {
        int status;
        std::string body;
        bool fails;
        std::optional<std::string> exceptionID;
        const char* why;
    };
    const Case cases[] = {
        {200, "{}", false, std::nullopt, "accepted"},
        {204, "", false, std::nullopt, "accepted without a body"},
        {400, SimService::errorBody("EX-400", "INVALID_IMAGE"), true, "EX-400", "refused image"},
        {404, "", true, std::nullopt, "unknown identification, no body"},
        {500, SimService::errorBody("EX-500", "INTERNAL"), true, "EX-500", "server error with its id"},
        {503, "<html>busy</html>", true, std::nullopt, "unavailable, body not JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->setAnswer("POST", ".*/uploadScreenshot/.*", c.status, c.body, 1);
        const auto error = runForError([](KVNRequestManager& m, auto cb) { m.POSTScreenshot_typeIdentifier_callback(testImage(), "USER", cb); });
        if (!c.fails) {
            EXPECT_EQ(error, nullptr);
            continue;
        }
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), KavoniInternalErrorDomain);
        EXPECT_EQ(error->code(), 2015);
        EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*error), c.status);
        const auto* id = NSDictionaryValue<std::string>(error->userInfo(), KavoniErrorExceptionIDKey);
        EXPECT_EQ(id ? std::optional<std::string>(*id) : std::nullopt, c.exceptionID);
        EXPECT_FALSE(manager->isUploadingScreenshotForIdentifier("USER"));
        EXPECT_EQ(manager->imageUploadTask(), nullptr);
    }
}

TEST_F(ServiceCallsTest, ScreenshotUploadIsKnownWhileItRunsAndCancelStopsItSilently)
{
    bool done = false;
    manager->POSTScreenshot_typeIdentifier_callback(testImage(), "IDBACKSIDE", [&](const auto& error) {
        EXPECT_EQ(error, nullptr);
        done = true;
    });
    EXPECT_TRUE(manager->isUploadingScreenshotForIdentifier("IDBACKSIDE"));
    EXPECT_FALSE(manager->isUploadingScreenshotForIdentifier("IDFRONTSIDE"));
    EXPECT_NE(manager->imageUploadTask(), nullptr);
    waitUntil([&] { return done; });
    // Over: the agent may ask for the same type again.
    EXPECT_FALSE(manager->isUploadingScreenshotForIdentifier("IDBACKSIDE"));
    EXPECT_EQ(manager->imageUploadTask(), nullptr);

    sim->setAnswer("POST", ".*/uploadScreenshot/.*", 0, "", 1, 5.0);
    bool called = false;
    manager->POSTScreenshot_typeIdentifier_callback(testImage(), "IDBACKSIDE", [&](const auto&) { called = true; });
    manager->cancelTasks();
    EXPECT_FALSE(manager->isUploadingScreenshotForIdentifier("IDBACKSIDE"));
    waitUntil([&] { return idle(); });
    loop->pump();
    EXPECT_FALSE(called);
    EXPECT_EQ(manager->imageUploadTask(), nullptr);
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, ErrorAnswersBecomeCodesWithTheServiceDetails)
{
    using Call = std::function<void(KVNRequestManager&, KVNRequestManager::ErrorCallback)>;
    struct Case {
        const char* why;
        const char* method;
        std::string pathRegex; // empty: the sim's own answer
        int status;
        std::string body;
        Call call;
        const std::string* domain;
        long code;
        long expectedStatus;
        std::optional<std::string> exceptionID, cause; // "sim-error-": the sim numbers its own errors
    };
    const std::string ex = SimService::errorBody("EX-77", "INTERNAL");
    const std::string deepErrors = R"({"errors":[{"id":)" + deepArrays() + R"(,"cause":"INTERNAL"}]})";
    const auto image = testImage();
    const Case cases[] = {
        {"unknown customer (the sim's own 404)", "GET", "", 0, "",
         [](auto& m, auto cb) { m.initializeIdentificationWithIdentifier_callback("nobody", cb); }, &KavoniErrorDomain, 1009, 404,
         "sim-error-", "OBJECT_NOT_FOUND"},
        {"video data unavailable", "GET", kIdent, 503, "",
         [](auto& m, auto cb) { m.requestVideoIdentificationData([cb](const auto&, const auto& e) { cb(e); }); }, &KavoniErrorDomain, 1009,
         503, std::nullopt, std::nullopt},
        {"contracts: server error with id", "GET", kIdent + "/documents", 500, ex, [](auto& m, auto cb) { m.requestESignatureContracts(cb); },
         &KavoniErrorDomain, 1009, 500, "EX-77", "INTERNAL"},
        {"phrases: 500 whose body is not JSON", "GET", kIdent + "/approvalPhrases", 500, "<html>oops</html>",
         [](auto& m, auto cb) { m.requestApprovalPhrases(cb); }, &KavoniErrorDomain, 1009, 500, std::nullopt, std::nullopt},
        {"texts: 500 whose error body is nested too deeply to read", "GET", "/assets/messages.json", 500, deepErrors,
         [](auto& m, auto cb) { m.requestMessages(cb); }, &KavoniErrorDomain, 1009, 500, std::nullopt, std::nullopt},
        {"video start: 500 whose error body is nested too deeply to read", "POST", kIdent + "/start", 500, deepErrors,
         [](auto& m, auto cb) { m.POSTStartVideoIdentification([cb](const auto&, const auto&, const auto& e) { cb(e); }); },
         &KavoniInternalErrorDomain, 2010, 500, std::nullopt, std::nullopt},
        {"waiting queue", "GET", kIdent, 410, SimService::errorBody("EX-410", "GONE"),
         [](auto& m, auto cb) {
             m.requestWaitingQueue([cb](bool success, const auto& e) {
                 EXPECT_FALSE(success);
                 cb(e);
             });
         },
         &KavoniErrorDomain, 1009, 410, "EX-410", "GONE"},
        {"signing done", "GET", "/vellumbank/identifications/DEV0001/signingDone", 404, "", [](auto& m, auto cb) { m.sendEsignSuccess(cb); },
         &KavoniErrorDomain, 1009, 404, std::nullopt, std::nullopt},
        {"texts", "GET", "/assets/messages.json", 500, ex, [](auto& m, auto cb) { m.requestMessages(cb); }, &KavoniErrorDomain, 1009, 500,
         "EX-77", "INTERNAL"},
        {"video start refused", "POST", kIdent + "/start", 412, SimService::errorBody("EX-412", "PRECONDITION"),
         [](auto& m, auto cb) { m.POSTStartVideoIdentification([cb](const auto&, const auto&, const auto& e) { cb(e); }); },
         &KavoniInternalErrorDomain, 2010, 412, "EX-412", "PRECONDITION"},
        {"video chat", "POST", kIdent + "/requestVideoChat", 412, "", [](auto& m, auto cb) { m.requestVideoChat(cb); },
         &KavoniInternalErrorDomain, 2011, 412, std::nullopt, std::nullopt},
        {"setup complete", "POST", kIdent + "/setupComplete", 500, ex, [](auto& m, auto cb) { m.POSTSetupComplete(cb); },
         &KavoniInternalErrorDomain, 2012, 500, "EX-77", "INTERNAL"},
        {"ident code request", "POST", kIdent + "/resendConfirmationToken", 500, ex,
         [](auto& m, auto cb) { m.POSTRequestIdentCodeViaEmail_callback(false, cb); }, &KavoniInternalErrorDomain, 2013, 500, "EX-77",
         "INTERNAL"},
        {"wrong ident code (the sim's own 400)", "POST", "", 0, "", [](auto& m, auto cb) { m.POSTIdentCode_callback("000000", cb); },
         &KavoniInternalErrorDomain, 2014, 400, "sim-error-", "WRONG_CONFIRMATION_TOKEN"},
        {"signing refusal shares the ident code's code", "POST", kIdent + "/signingRefuse", 500, ex,
         [](auto& m, auto cb) { m.POSTEsignCancel(cb); }, &KavoniInternalErrorDomain, 2014, 500, "EX-77", "INTERNAL"},
        {"signature", "POST", kIdent + "/uploadScreenshot/signature", 500, ex,
         [image](auto& m, auto cb) { m.POSTSignature_callback(image, cb); }, &KavoniInternalErrorDomain, 2016, 500, "EX-77", "INTERNAL"},
        {"photo start", "POST", kIdent + "/start", 500, ex,
         [](auto& m, auto cb) { m.POSTStartPhotoIdentificationForIDType_idCountry_callback("IDCARD", "DE", cb); },
         &KavoniInternalErrorDomain, 2018, 500, "EX-77", "INTERNAL"},
        {"photo upload", "POST", kIdent + "/uploadScreenshot/IDBACKSIDE", 500, ex,
         [image](auto& m, auto cb) {
             auto photo = KVNPhoto::photoWithName("IDBACKSIDE");
             photo->setImage(image);
             m.POSTPhotoIdentPhoto_callback(photo, cb);
         },
         &KavoniInternalErrorDomain, 2019, 500, "EX-77", "INTERNAL"},
        {"SDP offer", "POST", "/api/v1/conferences/s/USER/t/sendSdpOffer", 500, ex,
         [](auto& m, auto cb) {
             m.POSTSDPOffer_forSessionID_token_callback(json::object(), "s", "t", [cb](const auto& answer, const auto& task, const auto& e) {
                 EXPECT_EQ(answer, std::nullopt);
                 EXPECT_NE(task, nullptr);
                 cb(e);
             });
         },
         &KavoniInternalErrorDomain, 2020, 500, "EX-77", "INTERNAL"},
        {"chat message", "POST", kIdent + "/chat/agent/sendMsg", 503, "",
         [](auto& m, auto cb) {
             auto message = std::make_shared<KVNMessage>();
             message->setText("hi");
             m.POSTMessage_callback(message, cb);
         },
         &KavoniInternalErrorDomain, 2022, 503, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->reset();
        if (!c.pathRegex.empty())
            sim->setAnswer(c.method, c.pathRegex, c.status, c.body, 1);
        const auto error = runForError(c.call);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), *c.domain);
        EXPECT_EQ(error->code(), c.code);
        EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*error), c.expectedStatus);
        const auto* id = NSDictionaryValue<std::string>(error->userInfo(), KavoniErrorExceptionIDKey);
        if (c.exceptionID == "sim-error-")
            EXPECT_TRUE(id && id->rfind("sim-error-", 0) == 0);
        else
            EXPECT_EQ(id ? std::optional<std::string>(*id) : std::nullopt, c.exceptionID);
        const auto* cause = NSDictionaryValue<std::string>(error->userInfo(), KavoniErrorCauseKey);
        EXPECT_EQ(cause ? std::optional<std::string>(*cause) : std::nullopt, c.cause);
        // The HTTP client's error stays reachable underneath.
        ASSERT_NE(error->underlyingError(), nullptr);
        EXPECT_EQ(error->underlyingError()->domain(), NSURLErrorDomain);
    }
}

TEST_F(ServiceCallsTest, ErrorDescriptionsFollowTheServiceAnswer)
{
    auto config = [](KVNRequestManager& m, auto cb) { m.initializeIdentificationWithIdentifier_callback("nobody", cb); };
    auto error = runForError(config);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->localizedDescription(), KVNLocalizer::localizedStringForKey("KAVONI_ERROR_DESCRIPTION_1009_404"));
    EXPECT_FALSE(KavoniErrorPrivate::isKavoniServerError(*error));

    error = runForError([](KVNRequestManager& m, auto cb) { m.POSTIdentCode_callback("999999", cb); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->localizedDescription(), KVNLocalizer::localizedStringForKey("KAVONI_INTERNAL_ERROR_DESCRIPTION_2014_400"));

    sim->setAnswer("GET", kIdent, 500, SimService::errorBody("EX-1", "INTERNAL"), 1);
    error = runForError([](KVNRequestManager& m, auto cb) { m.requestVideoIdentificationData([cb](const auto&, const auto& e) { cb(e); }); });
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(KavoniErrorPrivate::isKavoniServerError(*error));
}

TEST_F(ServiceCallsTest, TheCandidateCallHandsOverTheHTTPClientsErrorAsItIs)
{
    sim->setAnswer("POST", ".*/sendCandidate", 500, SimService::errorBody("EX-5", "INTERNAL"), 1);
    const auto error = runForError([](KVNRequestManager& m, auto cb) { m.POSTCandidate_forSessionID_token_callback({{"candidate", ""}}, "s", "t", cb); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), NSURLErrorDomain);
    EXPECT_EQ(error->code(), NSURLErrorBadServerResponse);
    const auto* body = NSDictionaryValue<NSData>(error->userInfo(), HTTPFailingResponseDataErrorKey);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(json::parse(*body)["errors"][0]["id"], "EX-5");
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, StartAnswersSetTheVideoServerType)
{
    struct Case {
        const char* why;
        std::string token;
        std::optional<std::string> answer; // replaces the sim's answer
        long typeBefore, typeAfter;
        bool withIDs;
        long errorCode; // 0: none
    };
    const Case cases[] = {
        {"TOKBOX: both ids and public 1012", "DEV-TOKBOX1", std::nullopt, 0, 3, true, 1012},
        {"DISABLED", "DEV-NOVIDEO1", std::nullopt, 0, 2, true, 0},
        {"KAVONI", "DEV0001", std::nullopt, 2, 0, true, 0},
        {"null keeps the configuration's type", "DEV0001",
         R"({"request": {"videoSession": "v", "userVideoSessionToken": "u", "videoserverUsed": null}})", 2, 2, true, 0},
        {"an unknown server keeps it too", "DEV0001",
         R"({"request": {"videoSession": "v", "userVideoSessionToken": "u", "videoserverUsed": "OTHER"}})", 3, 3, true, 0},
        {"no request: nil ids, no error, no secret", "DEV0001", R"({"mobile": "+491"})", 0, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        useToken(c.token);
        manager->updateAllClientSecretHeadersWithSecret("old-secret");
        ident->videoIdentification()->setVideoserverType(c.typeBefore);
        if (c.answer)
            sim->setAnswer("POST", ".*/start", 200, *c.answer, 1);
        const auto outcome = startVideo();
        EXPECT_EQ(ident->videoIdentification()->videoserverType(), c.typeAfter);
        if (c.withIDs) {
            EXPECT_TRUE(outcome.videoSessionID.has_value());
            EXPECT_TRUE(outcome.userVideoSessionToken.has_value());
        } else {
            EXPECT_EQ(outcome.videoSessionID, std::nullopt);
            EXPECT_EQ(outcome.userVideoSessionToken, std::nullopt);
            EXPECT_EQ(ident->clientSecret(), std::nullopt);
        }
        if (!c.answer) {
            EXPECT_EQ(outcome.videoSessionID, simValue("sim-session-", c.token));
            EXPECT_EQ(outcome.userVideoSessionToken, simValue("sim-user-", c.token));
        }
        if (c.errorCode) {
            ASSERT_NE(outcome.error, nullptr);
            EXPECT_EQ(outcome.error->domain(), KavoniErrorDomain);
            EXPECT_EQ(outcome.error->code(), c.errorCode);
        } else {
            EXPECT_EQ(outcome.error, nullptr);
        }
    }
}

TEST_F(ServiceCallsTest, TheServicesKeyOrderReachesTheModels)
{
    // The sim writes its objects in the service's order, which is not the alphabet's: the
    // identity document's step before the driving licence's, the terms link before privacy.
    using Call = std::function<void(KVNRequestManager&, KVNRequestManager::ErrorCallback)>;
    struct Case {
        const char* why;
        Call call;
        std::function<std::vector<std::string>()> read;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"photo documents, in the order of the process steps",
         [](auto& m, auto cb) { m.initializeIdentificationWithIdentifier_callback("vellumbank-photo", cb); },
         [this] {
             std::vector<std::string> documents;
             for (const auto& country : ident->photoIdentification()->availableCountries())
                 for (const auto& document : country->documents())
                     documents.push_back(country->locale() + " " + document->documentName());
             return documents;
         },
         {"DE IDCARD", "DE PASSPORT", "DE DRIVERS_LICENSE", "AT PASSPORT"}},
        {"a consent phrase's links, in the order its text names them",
         [](auto& m, auto cb) { m.requestApprovalPhrases(cb); },
         [this] {
             std::vector<std::string> lines;
             for (const auto& phrase : ident->videoIdentification()->approvalPhrases())
                 for (const auto& link : phrase->urls())
                     lines.push_back(phrase->name().value_or("") + " " + link->linkID().value_or(""));
             return lines;
         },
         {"contracts terms", "contracts privacy"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_EQ(runForError(c.call), nullptr);
        EXPECT_EQ(c.read(), c.expected);
    }
}

TEST_F(ServiceCallsTest, TextsAndVideoDataThatAreNoJSONObjectAreErrors)
{
    struct Case {
        const char* why;
        std::string body;
        std::string contentType;
    };
    const Case cases[] = {
        {"an array", "[1, 2]", "application/json"},
        {"a text", "\"hello\"", "application/json"},
        {"null", "null", "application/json"},
        {"an empty body", "", "application/json"},
        {"not JSON at all", "<html>maintenance</html>", "text/html"},
        {"nested too deeply to read", R"({"deep":)" + deepArrays() + "}", "application/json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->setAnswer("GET", "/assets/messages.json", 200, c.body, 1, 0, c.contentType);
        auto error = runForError([](KVNRequestManager& m, auto cb) { m.requestMessages(cb); });
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->code(), 1009);
        EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*error), 200);
        loop->pump();
        EXPECT_FALSE(ident->messages().has_value());

        sim->setAnswer("GET", kIdent, 200, c.body, 1, 0, c.contentType);
        bool done = false;
        std::optional<std::string> token = "untouched";
        manager->requestVideoIdentificationData([&](const auto& t, const auto& e) {
            token = t;
            error = e;
            done = true;
        });
        waitUntil([&] { return done; });
        EXPECT_EQ(token, std::nullopt);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), KavoniErrorDomain);
        EXPECT_EQ(error->code(), 1009);
    }
}

TEST_F(ServiceCallsTest, TextsWithoutCallbackAreStoredAndAnnouncedAndTheirFailureIsSilent)
{
    int announced = 0;
    auto observer = NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
        KVNMessagesUpdatedNotification, nullptr, nullptr, [&](const NSNotification&) { ++announced; });

    sim->setAnswer("GET", "/assets/messages.json", 500, "", 1);
    const size_t before = sim->requests().size();
    manager->requestMessages(nullptr);
    answeredSince(before);
    waitUntil([&] { return idle(); });
    loop->pump();
    EXPECT_EQ(announced, 0);
    EXPECT_FALSE(ident->messages().has_value());

    manager->requestMessages(nullptr);
    waitUntil([&] { return ident->messages().has_value() && announced == 1; });
    EXPECT_TRUE(ident->messages()->contains("js.waitingList.enforced"));
    EXPECT_TRUE(ident->forcedWaitingMessage().has_value());
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, CancelledTasksReportOnlyWhereTheCallSaysSo)
{
    // Every call's answer is held back, so the cancel always comes first.
    sim->setAnswer("*", ".*", 0, "", -1, 5.0);

    int silentCalls = 0;
    std::shared_ptr<NSError> candidateError;
    bool candidateReported = false;
    std::vector<bool> flags;
    auto count = [&](const auto&...) { ++silentCalls; };

    manager->initializeIdentificationWithIdentifier_callback("vellumbank", count);
    manager->requestVideoIdentificationData(count);
    manager->requestMessages(count);
    manager->requestWaitingQueue(count);
    manager->requestVideoChat(count);
    manager->POSTIdentCode_callback("123456", count);
    manager->sendEsignSuccess(count);
    manager->POSTSDPOffer_forSessionID_token_callback(json::object(), "s", "t", count);
    manager->POSTSignature_callback(testImage(), count);
    manager->POSTIdentificationCanceled();
    manager->POSTCandidate_forSessionID_token_callback(json::object(), "s", "t", [&](const auto& error) {
        candidateError = error;
        candidateReported = true;
    });
    manager->POSTPushRegistrationMessage_identToken_appName_callback("tok", kToken, "app", [&](bool ok) { flags.push_back(ok); });
    manager->POSTEnrollForWaitingListMessage_shortName_callback(kToken, "vellumbank", [&](bool ok) { flags.push_back(ok); });
    manager->POSTchangeStateToForeground_callback(true, [&](bool ok) { flags.push_back(ok); });

    manager->cancelTasks();
    waitUntil([&] { return idle() && manager->imageUploadTask() == nullptr; });
    loop->pump();

    EXPECT_EQ(silentCalls, 0);
    EXPECT_TRUE(candidateReported);
    ASSERT_NE(candidateError, nullptr);
    EXPECT_EQ(candidateError->code(), NSURLErrorCancelled);
    EXPECT_EQ(flags, (std::vector<bool>{false, false, false}));
}

// ---------------------------------------------------------------------------------------------

TEST_F(ServiceCallsTest, CallsLogTheirOwnLines)
{
    const std::string base = sim->baseURL();
    testing::internal::CaptureStderr();

    EXPECT_EQ(runForError([](KVNRequestManager& m, auto cb) { m.initializeIdentificationWithIdentifier_callback("vellumbank", cb); }), nullptr);
    sim->setAnswer("POST", ".*/requestVideoChat", 500, "", 1);
    runForError([](KVNRequestManager& m, auto cb) { m.requestVideoChat(cb); });
    runForError([](KVNRequestManager& m, auto cb) {
        auto message = std::make_shared<KVNMessage>();
        message->setText("hi");
        m.POSTMessage_callback(message, [cb](const auto& error) {
            KVNLog("CHAT CALLBACK\n");
            cb(error);
        });
    });
    useToken("DEVFULL0001");
    startVideo();
    sim->setAnswer("POST", ".*/appEnteredBackground", 503, "", 1);
    bool done = false;
    manager->POSTchangeStateToForeground_callback(false, [&](bool) { done = true; });
    waitUntil([&] { return done; });

    const std::string log = testing::internal::GetCapturedStderr();
    const std::string ident = base + kIdent;
    const std::string full = base + "/api/v1/vellumbank/identifications/DEVFULL0001";
    const std::vector<std::string> expected = {
        "customer-config call: " + base + "/api/v1/vellumbank\n",
        "\nFailed to request video chat (" + ident + "/requestVideoChat): Error Domain=",
        "-> CHAT CALLBACK\n",
        "Text message sent (" + ident + "/chat/agent/sendMsg)\n",
        "-> REQUEST MANAGER: user is enforced to the waiting list",
        "POST change foreground state: " + full + "/appEnteredBackground\n",
        "POST appEnteredBackground - ERROR\nreason: Error Domain=",
    };
    size_t at = 0;
    for (const auto& line : expected) {
        const size_t found = log.find(line, at);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nlog:\n" << log;
        if (found != std::string::npos)
            at = found + line.size();
    }
    EXPECT_NE(log.find("Kavoni (KVNRequestManager.cpp:"), std::string::npos);
}
