// The REST client's frame without the service: how its three sessions are set up, the client
// secret header, the TLS policy (and, against the simulated service whose authority this
// process does not trust, what the policy lets through), the cancelled-task test and the
// once-only creation. What the calls send is tested against the service in
// tests/SDK/integration/ServiceCalls_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "Foundation/NSLocale.h"
#include "Foundation/NSUserDefaults.h"
#include "Network/JSONRequestSerializer.h"
#include "Network/JSONResponseSerializer.h"
#include "Network/NSURLError.h"
#include "Private/Extensions/NSURLSessionTask+KVNExtensions.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "support/SimService.h"

using nlohmann::json;

class KVNRequestManagerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
    }
    void TearDown() override
    {
        bundle.reset();
        ManualClockFixture::TearDown();
    }

    std::vector<std::shared_ptr<HTTPSessionManager>> sessions(const KVNRequestManager& manager) const
    {
        return {manager.managerJSONJSON(), manager.managerJSONHTTP(), manager.managerHTTPHTTP()};
    }

    std::unique_ptr<KvnTestBundle> bundle;
};

TEST_F(KVNRequestManagerTest, SessionsSerializeAsTheirNamesSayAndNeverUseTheCache)
{
    const auto manager = std::make_shared<KVNRequestManager>();
    struct Expect {
        std::shared_ptr<HTTPSessionManager> session;
        bool jsonRequest, jsonResponse;
    };
    const Expect expected[] = {
        {manager->managerJSONJSON(), true, true},
        {manager->managerJSONHTTP(), true, false},
        {manager->managerHTTPHTTP(), false, false},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(std::dynamic_pointer_cast<JSONRequestSerializer>(e.session->requestSerializer()) != nullptr, e.jsonRequest);
        EXPECT_EQ(std::dynamic_pointer_cast<JSONResponseSerializer>(e.session->responseSerializer()) != nullptr, e.jsonResponse);
        EXPECT_EQ(e.session->requestSerializer()->cachePolicy(), NSURLRequestReloadIgnoringLocalCacheData);
    }
}

TEST_F(KVNRequestManagerTest, VersionAndLanguageHeadersAreReadOnceAtCreation)
{
    struct Case {
        const char* why;
        std::optional<std::string> infoJSON;
        json appleLanguages; // null: never set
        std::vector<std::string> systemLanguages;
        std::string version;
        std::optional<std::string> language;
    };
    const Case cases[] = {
        {"the host's version and first language", R"({"CFBundleShortVersionString": "3.1.4"})", json::array({"fr-CA", "de"}), {"en"},
         "de.kavoni.ios-3.1.4", "fr-CA"},
        {"an empty language list sends no header", R"({"CFBundleShortVersionString": "2.0"})", json::array(), {"en"},
         "de.kavoni.ios-2.0", std::nullopt},
        {"unset: the system's preferred languages", R"({"CFBundleShortVersionString": "2.0"})", nullptr, {"it-IT", "en"},
         "de.kavoni.ios-2.0", "it-IT"},
        {"no language anywhere", R"({"CFBundleShortVersionString": "2.0"})", nullptr, {}, "de.kavoni.ios-2.0", std::nullopt},
        {"no version in the bundle prints nil", std::nullopt, json::array({"de"}), {}, "de.kavoni.ios-(null)", "de"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        bundle->remove("Info.json");
        if (c.infoJSON)
            bundle->writeFile("Info.json", *c.infoJSON);
        bundle->activate();
        NSUserDefaults::standardUserDefaults()->removeObjectForKey("AppleLanguages");
        if (!c.appleLanguages.is_null())
            NSUserDefaults::standardUserDefaults()->setObject_forKey(c.appleLanguages, "AppleLanguages");
        NSLocale::setPreferredLanguages(c.systemLanguages);

        const auto manager = std::make_shared<KVNRequestManager>();
        // Later changes do not reach a made manager.
        NSUserDefaults::standardUserDefaults()->setObject_forKey(json::array({"xx"}), "AppleLanguages");
        for (const auto& session : sessions(*manager)) {
            EXPECT_EQ(session->requestSerializer()->valueForHTTPHeaderField("X-CLIENT-VERSION"), c.version);
            EXPECT_EQ(session->requestSerializer()->valueForHTTPHeaderField("Accept-Language"), c.language);
        }
    }
}

TEST_F(KVNRequestManagerTest, ClientSecretGoesToTheSessionAndAllThreeSessions)
{
    const auto ident = std::make_shared<KVNIdentification>();
    const auto manager = std::make_shared<KVNRequestManager>();
    manager->setIdent(ident);

    manager->updateAllClientSecretHeadersWithSecret("s3cret");
    EXPECT_EQ(ident->clientSecret(), "s3cret");
    for (const auto& session : sessions(*manager))
        EXPECT_EQ(session->requestSerializer()->valueForHTTPHeaderField("X-Client-Secret"), "s3cret");

    manager->clearAllClientSecretHeaders();
    EXPECT_EQ(ident->clientSecret(), std::nullopt);
    for (const auto& session : sessions(*manager))
        EXPECT_EQ(session->requestSerializer()->valueForHTTPHeaderField("X-Client-Secret"), std::nullopt);
}

TEST_F(KVNRequestManagerTest, AllowingInvalidCertificatesMakesEverySessionPermissive)
{
    const auto manager = std::make_shared<KVNRequestManager>();
    for (const auto& session : sessions(*manager)) {
        EXPECT_FALSE(session->securityPolicy()->allowInvalidCertificates());
        EXPECT_TRUE(session->securityPolicy()->validatesDomainName());
    }
    manager->setAllowInvalidCertificates(true);
    EXPECT_TRUE(KVNRequestManager::allowInvalidCertificates());
    for (const auto& session : sessions(*manager)) {
        EXPECT_TRUE(session->securityPolicy()->allowInvalidCertificates());
        EXPECT_FALSE(session->securityPolicy()->validatesDomainName());
        EXPECT_EQ(session->securityPolicy()->SSLPinningMode(), HTTPSSLPinningModeNone);
    }
    // Another session (the event channel's long polling) follows the process-wide flag.
    auto other = HTTPSessionManager::managerWithSessionConfiguration();
    KVNRequestManager::configureManager(other);
    EXPECT_TRUE(other->securityPolicy()->allowInvalidCertificates());

    manager->setAllowInvalidCertificates(false);
    KVNRequestManager::configureManager(other);
    for (const auto& session : sessions(*manager)) {
        EXPECT_FALSE(session->securityPolicy()->allowInvalidCertificates());
        EXPECT_TRUE(session->securityPolicy()->validatesDomainName());
    }
    EXPECT_FALSE(other->securityPolicy()->allowInvalidCertificates());
}

TEST_F(KVNRequestManagerTest, ServerOfAnUntrustedAuthorityIsReachedOnlyWithThePermissivePolicy)
{
    if (std::getenv("KVN_EXTRA_CA_FILE"))
        GTEST_SKIP() << "the sim's authority is trusted process-wide here";
    auto sim = SimService::start(); // its authority is not added to this process's trust
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
    settings->setEnvironment(8);
    settings->setApiHost(sim->baseURL());
    const auto ident = std::make_shared<KVNIdentification>();
    ident->setSettings(settings);
    const auto manager = std::make_shared<KVNRequestManager>();
    manager->setIdent(ident);

    auto load = [&] {
        bool done = false;
        std::shared_ptr<NSError> reported;
        manager->initializeIdentificationWithIdentifier_callback("vellumbank", [&](const auto& error) {
            reported = error;
            done = true;
        });
        EXPECT_TRUE(loop->spin_until([&] { return done; }, 30.0));
        return reported;
    };

    manager->setAllowInvalidCertificates(false);
    const auto refused = load();
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->code(), 1009);
    ASSERT_NE(refused->underlyingError(), nullptr);
    EXPECT_EQ(refused->underlyingError()->domain(), NSURLErrorDomain);
    EXPECT_TRUE(refused->underlyingError()->code() == NSURLErrorServerCertificateUntrusted ||
                refused->underlyingError()->code() == NSURLErrorSecureConnectionFailed)
        << refused->underlyingError()->description();

    manager->setAllowInvalidCertificates(true);
    EXPECT_EQ(load(), nullptr);
    EXPECT_EQ(ident->server()->shortName(), "vellumbank");
    manager->setAllowInvalidCertificates(false);
}

TEST_F(KVNRequestManagerTest, TaskCountsAsCanceledByStateOrByTheCancelledCode)
{
    struct Case {
        const char* why;
        NSURLSessionTaskState state;
        long errorCode; // 0: no error
        bool canceled;
    };
    const Case cases[] = {
        {"canceling state", NSURLSessionTaskStateCanceling, 0, true},
        {"completed with the cancelled code", NSURLSessionTaskStateCompleted, NSURLErrorCancelled, true},
        {"completed with another error", NSURLSessionTaskStateCompleted, NSURLErrorTimedOut, false},
        {"running", NSURLSessionTaskStateRunning, 0, false},
        {"completed", NSURLSessionTaskStateCompleted, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto task = std::make_shared<NSURLSessionTask>();
        task->setState(c.state);
        if (c.errorCode)
            task->setError(NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, c.errorCode));
        EXPECT_EQ(KVNExtensions::canceled(task), c.canceled);
    }
    EXPECT_FALSE(KVNExtensions::canceled(nullptr));
}

TEST_F(KVNRequestManagerTest, SharedManagerIsOneInstanceUnderConcurrentFirstCalls)
{
    std::vector<std::shared_ptr<KVNRequestManager>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = KVNRequestManager::sharedManager(); });
    for (auto& thread : threads)
        thread.join();
    ASSERT_NE(seen[0], nullptr);
    for (const auto& manager : seen)
        EXPECT_EQ(manager, seen[0]);
    EXPECT_EQ(KVNRequestManager::sharedManager(), seen[0]);
}

TEST_F(KVNRequestManagerTest, ImageThatCannotBeEncodedFailsTheUploadInsteadOfSendingNothing)
{
    const auto manager = std::make_shared<KVNRequestManager>();
    manager->setIdent(std::make_shared<KVNIdentification>());
    bool done = false;
    std::shared_ptr<NSError> reported;
    manager->POSTSignature_callback(nullptr, [&](const auto& error) {
        reported = error;
        done = true;
    });
    EXPECT_FALSE(done); // callbacks come on a later turn, as for every call
    EXPECT_TRUE(loop->spin_until([&] { return done; }, 5.0));
    ASSERT_NE(reported, nullptr);
    EXPECT_EQ(reported->domain(), KavoniInternalErrorDomain);
    EXPECT_EQ(reported->code(), 2016);
    EXPECT_EQ(manager->imageUploadTask(), nullptr);
}
