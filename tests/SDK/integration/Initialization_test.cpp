// KavoniController's initialisation end to end against the simulated service over HTTPS: each
// failure point with its code and the requests made up to it, the two successful endings (video
// and photo), and the service's internal token taking the transaction token's place.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "Foundation/Dispatch.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "models/KVNIdentification.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "support/SimFixture.h"

namespace {

struct Outcome {
    bool reported = false;
    bool success = false;
    std::shared_ptr<NSError> error;
    bool canceledByUser = false;
    int reports = 0;
    bool onMainQueue = false;
};

// The path of every recorded request, "GET /api/v1/vellumbank", oldest first.
std::vector<std::string> requestLines(const nlohmann::json& record)
{
    std::vector<std::string> lines;
    for (const auto& request : record)
        lines.push_back(request["method"].get<std::string>() + " " + request["path"].get<std::string>());
    return lines;
}

const std::string kConfig = "GET /api/v1/vellumbank";
const std::string kMessages = "GET /assets/messages.json";
const std::string kData = "GET /api/v1/vellumbank/identifications/DEV0001";
const std::string kDocuments = "GET /api/v1/vellumbank/identifications/DEV0001/documents";

class InitializationTest : public SimFixture<ManualClockFixture> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        KVNIdentification::resetSharedIdentification();
        AVCaptureDevice::setDevicesForTesting(
            std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
        AVCaptureDevice::resetAuthorizationForTesting();
        // Loopback alone does not count as a network; the tests say there is one.
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    }

    void TearDown() override
    {
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        AVCaptureDevice::resetAuthorizationForTesting();
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        // The controller bound the shared manager to its identification; later suites in this
        // process must not reach this suite's sim through it.
        KVNRequestManager::sharedManager()->setIdent(nullptr);
        KVNIdentification::resetSharedIdentification();
        bundle.reset();
        SimFixture::TearDown();
    }

    std::shared_ptr<KavoniSettings> simSettings(const std::optional<std::string>& companyID, const std::optional<std::string>& token)
    {
        auto settings = KavoniSettings::settingsWithCompanyID_transactionToken(companyID, token);
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        return settings;
    }

    // Runs the initialisation until its report; the report is awaited on the main run loop,
    // where the service's answers and the permission answers arrive.
    Outcome initialize(const std::shared_ptr<KavoniSettings>& settings)
    {
        auto controller = std::make_shared<KavoniController>();
        controller->initWithSettings(settings);
        auto outcome = std::make_shared<Outcome>();
        controller->initializeWithCompletionBlock([outcome](bool success, const std::shared_ptr<NSError>& error, bool canceled) {
            outcome->reported = true;
            outcome->success = success;
            outcome->error = error;
            outcome->canceledByUser = canceled;
            outcome->onMainQueue = dispatch_get_main_queue()->isCurrent();
            ++outcome->reports;
        });
        loop->spin_until([&] { return outcome->reported; }, 20.0);
        lastController = controller;
        return *outcome;
    }

    // The service's record once it holds at least `count` requests (the texts are asked for
    // without waiting, so they may land after the report).
    nlohmann::json recordWith(size_t count)
    {
        auto record = sim->requests();
        for (int i = 0; i < 200 && record.size() < count; ++i) {
            loop->spin_until([] { return false; }, 0.02);
            record = sim->requests();
        }
        return record;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KavoniController> lastController;
};

TEST_F(InitializationTest, EachFailurePointGivesItsCodeAfterTheRequestsBeforeIt)
{
    const std::string data = "/api/v1/vellumbank/identifications/DEV0001";
    struct Row {
        const char* reason;
        std::optional<std::string> companyID;
        std::optional<std::string> token;
        std::function<void()> arrange;
        long code; // 0: success
        std::vector<std::string> requests; // in order, the texts left out
        bool textsAsked;
    };
    const std::vector<Row> rows = {
        {"blank token", "vellumbank", " \n\t", [] {}, 1000, {}, false},
        {"token \"null\"", "vellumbank", "null", [] {}, 1000, {}, false},
        {"no company identifier", std::nullopt, "DEV0001", [] {}, 1001, {}, false},
        {"no front camera", "vellumbank", "DEV0001",
         [] { AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera()}); },
         1004, {}, false},
        {"no rear camera", "vellumbank", "DEV0001",
         [] { AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::frontCamera()}); },
         1004, {}, false},
        {"no network", "vellumbank", "DEV0001", [] { SCNetworkReachabilitySetFlagsForTesting(0); }, 1008, {}, false},
        {"unknown customer", "nobank", "DEV0001", [] {}, 1009, {"GET /api/v1/nobank"}, false},
        {"office closed", "vellumbank-closed", "DEV0001", [] {}, 1003, {"GET /api/v1/vellumbank-closed"}, true},
        {"identification data fail", "vellumbank", "DEV0001",
         [&] { sim->setAnswer("GET", data, 500, SimService::errorBody("EX-7", "INTERNAL")); }, 1009,
         {kConfig, kData}, true},
        {"identification data without internal token", "vellumbank", "DEV0001", [&] { sim->setAnswer("GET", data, 200, "{}"); }, 1009,
         {kConfig, kData}, true},
        {"contracts fail", "vellumbank", "DEV0001", [&] { sim->setAnswer("GET", data + "-INT/documents", 503); },
         1009, {kConfig, kData, "GET /api/v1/vellumbank/identifications/DEV0001-INT/documents"}, true},
        {"no audio input", "vellumbank", "DEV0001", [] { AVAudioSession::sharedInstance()->setInputAvailableForTesting(false); }, 1007,
         {kConfig, kData, "GET /api/v1/vellumbank/identifications/DEV0001-INT/documents"}, true},
        {"microphone denied", "vellumbank", "DEV0001", [] { AVAudioSession::sharedInstance()->setUserAnswerForTesting(false); }, 1006,
         {kConfig, kData, "GET /api/v1/vellumbank/identifications/DEV0001-INT/documents"}, true},
        {"camera denied", "vellumbank", "DEV0001", [] { AVCaptureDevice::setUserAnswerForTesting(AVMediaTypeVideo, false); }, 1005,
         {kConfig, kData, "GET /api/v1/vellumbank/identifications/DEV0001-INT/documents"}, true},
        {"video, e-signing on", "vellumbank", "DEV0001", [] {}, 0,
         {kConfig, kData, "GET /api/v1/vellumbank/identifications/DEV0001-INT/documents"}, true},
        {"video, e-signing off: no contracts", "vellumbank-nosign", "DEV0001", [] {}, 0, {"GET /api/v1/vellumbank-nosign", kData}, true},
        {"photo: nothing after the configuration", "vellumbank-photo", "DEV0001", [] {}, 0, {"GET /api/v1/vellumbank-photo"}, true},
        {"ignored company identifier: the token names the configuration", "", "DEVPHOTO0001",
         [] {}, 0, {"GET /api/v1/DEVPHOTO0001"}, true},
    };

    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        sim->reset();
        KVNIdentification::resetSharedIdentification();
        AVCaptureDevice::setDevicesForTesting(
            std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()});
        AVCaptureDevice::resetAuthorizationForTesting();
        SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
        row.arrange();
        auto settings = simSettings(row.companyID, row.token);
        settings->setIgnoreCompanyID(row.companyID && row.companyID->empty());

        const auto outcome = initialize(settings);
        ASSERT_TRUE(outcome.reported);
        EXPECT_EQ(outcome.reports, 1);
        EXPECT_FALSE(outcome.canceledByUser);
        // The permission answers come on a queue of the platform's: the report must not.
        EXPECT_TRUE(outcome.onMainQueue);
        if (row.code == 0) {
            EXPECT_TRUE(outcome.success);
            EXPECT_EQ(outcome.error, nullptr);
            EXPECT_TRUE(lastController->initialized());
        } else {
            EXPECT_FALSE(outcome.success);
            ASSERT_TRUE(outcome.error);
            EXPECT_EQ(outcome.error->domain(), KavoniErrorDomain);
            EXPECT_EQ(outcome.error->code(), row.code);
            EXPECT_FALSE(lastController->initialized());
        }
        EXPECT_EQ(KavoniController::currentKavoniController(), nullptr) << "the report let the controller go";

        auto record = recordWith(row.requests.size() + (row.textsAsked ? 1 : 0));
        // Settle: anything the chain still wrongly made after its report would show up now.
        loop->spin_until([] { return false; }, 0.1);
        record = sim->requests();
        auto lines = requestLines(record);
        const auto texts = std::count(lines.begin(), lines.end(), kMessages);
        EXPECT_EQ(texts, row.textsAsked ? 1 : 0) << "the texts are asked for once the configuration is in";
        lines.erase(std::remove(lines.begin(), lines.end(), kMessages), lines.end());
        EXPECT_EQ(lines, row.requests);
    }
}

TEST_F(InitializationTest, ServiceFailureCarriesTheStatusAndTheServiceError)
{
    sim->setAnswer("GET", "/api/v1/vellumbank", 500, SimService::errorBody("EX-42", "INTERNAL_ERROR"));
    const auto outcome = initialize(simSettings("vellumbank", "DEV0001"));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), 1009);
    EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*outcome.error), 500);
    const auto* exceptionID = NSDictionaryValue<std::string>(outcome.error->userInfo(), KavoniErrorExceptionIDKey);
    ASSERT_TRUE(exceptionID);
    EXPECT_EQ(*exceptionID, "EX-42");
}

TEST_F(InitializationTest, PhotoAsksForNoPermission)
{
    const auto outcome = initialize(simSettings("vellumbank-photo", "DEV0001"));
    ASSERT_TRUE(outcome.success);
    EXPECT_EQ(KVNIdentification::sharedIdentification()->identificationType(), KVNIdentificationTypePhoto);
    EXPECT_EQ(AVAudioSession::sharedInstance()->requestCountForTesting(), 0);
    EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(AVMediaTypeVideo), 0);
}

TEST_F(InitializationTest, InternalTokenReplacesTheTransactionTokenForLaterCalls)
{
    auto settings = simSettings("vellumbank-nosign", "DEV0001");
    const auto outcome = initialize(settings);
    ASSERT_TRUE(outcome.success);
    EXPECT_EQ(settings->transactionToken(), std::optional<std::string>("DEV0001-INT"));
    EXPECT_EQ(AVAudioSession::sharedInstance()->requestCountForTesting(), 1);
    EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(AVMediaTypeVideo), 1);

    // The identification's start on the service goes out with the internal token.
    sim->reset();
    bool answered = false;
    KVNRequestManager::sharedManager()->POSTStartVideoIdentification(
        [&](const std::optional<std::string>&, const std::optional<std::string>&, const std::shared_ptr<NSError>&) { answered = true; });
    loop->spin_until([&] { return answered; }, 20.0);
    auto record = sim->requests();
    ASSERT_EQ(record.size(), 1u);
    EXPECT_EQ(record[0]["path"], "/api/v1/vellumbank/identifications/DEV0001-INT/start");
    EXPECT_EQ(record[0]["json"]["token"], "DEV0001-INT");
    EXPECT_EQ(record[0]["status"], 200);
}

TEST_F(InitializationTest, ACancelledRequestEndsTheChainWithoutAReport)
{
    // Cancelled tasks report nothing, so the chain just stops: the controller stays current
    // until a new initialisation or start replaces it.
    sim->setAnswer("GET", "/api/v1/vellumbank-photo", 0, "", 1, 0.5);
    auto controller = std::make_shared<KavoniController>();
    controller->initWithSettings(simSettings("vellumbank-photo", "DEV0001"));
    int reports = 0;
    controller->initializeWithCompletionBlock([&](bool, const std::shared_ptr<NSError>&, bool) { ++reports; });
    KVNRequestManager::sharedManager()->cancelTasks();
    loop->spin_until([] { return false; }, 0.3); // the cancellation's answer reaches the main queue
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(KavoniController::currentKavoniController(), controller);

    const auto next = initialize(simSettings("vellumbank-nosign", "DEV0001"));
    EXPECT_TRUE(next.success);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
}

TEST_F(InitializationTest, ReplacedControllerThatIsGoneIgnoresItsLateAnswer)
{
    // A host gives up on a slow initialisation and starts again with a new controller.
    sim->setAnswer("GET", "/api/v1/vellumbank-photo", 0, "", 1, 0.5);
    int firstReports = 0;
    {
        auto first = std::make_shared<KavoniController>();
        first->initWithSettings(simSettings("vellumbank-photo", "DEV0001"));
        first->initializeWithCompletionBlock([&](bool, const std::shared_ptr<NSError>&, bool) { ++firstReports; });
    }
    const auto second = initialize(simSettings("vellumbank-nosign", "DEV0001"));
    EXPECT_TRUE(second.success);
    EXPECT_EQ(second.reports, 1);

    // Until the first call has been answered and its answer has reached the main queue.
    bool answered = false;
    for (int i = 0; i < 200 && !answered; ++i) {
        loop->spin_until([] { return false; }, 0.02);
        for (const auto& request : sim->requests())
            answered = answered || (request["path"] == "/api/v1/vellumbank-photo" && !request["status"].is_null());
    }
    ASSERT_TRUE(answered);
    loop->spin_until([] { return false; }, 0.1);
    EXPECT_EQ(firstReports, 0) << "the first controller is gone: its chain ends without a report";
    EXPECT_EQ(KavoniController::currentKavoniController(), nullptr);
}

} // namespace
