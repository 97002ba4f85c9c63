// Public-key pinning: which configurations are accepted, and the pins at work on real TLS
// connections of the HTTP client to local servers whose certificates are trusted, so that a
// refusal can only come from the pin.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "HTTPTestServer.h"
#include "Network/HTTPSecurityPolicy.h"
#include "Network/HTTPSessionManager.h"
#include "Network/HTTPTrust.h"
#include "Network/NSURLError.h"
#include "Network/PublicKeyPinning.h"
#include "support/ManualClockFixture.h"

namespace {

using nlohmann::json;
namespace Key = PublicKeyPinningConfigurationKey;

// Digests of no key in these tests: the backups a real configuration carries.
const std::string kBackupA = "r/mIkG3eEpVdm+u/ko/cwxzOMo1bk4TyHIlByibiA5E=";
const std::string kBackupB = "WoiWRyIOVNa9ihaBciRSC7XHjliYS9VwUGOIud4PB18=";

json domainEntry(bool enforce, std::vector<std::string> hashes)
{
    return {{Key::EnforcePinning, enforce}, {Key::PublicKeyAlgorithms, {PublicKeyPinningAlgorithm::RSA2048}}, {Key::PublicKeyHashes, hashes}};
}

json configurationPinning(json domains) { return {{Key::SwizzleNetworkDelegates, true}, {Key::PinnedDomains, std::move(domains)}}; }

HTTPTestServer::Response answer(const HTTPTestServer::Request& request)
{
    HTTPTestServer::Response response;
    response.headers = {{"Content-Type", "application/json"}};
    response.body = R"({"ok":true})";
    // "/to/<URL>" sends the client on to another server.
    if (request.target.rfind("/to/", 0) == 0) {
        response.status = 302;
        response.headers.push_back({"Location", request.target.substr(4)});
        response.body.clear();
    }
    return response;
}

class PublicKeyPinningTest : public ManualClockFixture {
protected:
    // Two servers with keys of their own, each certificate from an authority the client trusts
    // and naming both "localhost" and 127.0.0.1.
    static void SetUpTestSuite()
    {
        s_directory = std::filesystem::temp_directory_path() / ("kvn-pinning-test-" + std::to_string(::getpid()));
        const TestCertificate pinned = makeTestCertificate(s_directory.string(), "pinned", "IP:127.0.0.1,DNS:localhost");
        const TestCertificate foreign = makeTestCertificate(s_directory.string(), "foreign", "IP:127.0.0.1,DNS:localhost");
        if (!HTTPTrust::addTrustedCertificateAuthorityFile(pinned.authorityFile) || !HTTPTrust::addTrustedCertificateAuthorityFile(foreign.authorityFile))
            throw std::runtime_error("cannot trust the test authorities");
        s_pinnedHash = publicKeyHashOfCertificate(pinned.certificateFile);
        s_foreignHash = publicKeyHashOfCertificate(foreign.certificateFile);
        s_pinned = new HTTPTestServer(pinned, answer);
        s_foreign = new HTTPTestServer(foreign, answer);
    }
    static void TearDownTestSuite()
    {
        delete s_pinned;
        delete s_foreign;
        s_pinned = s_foreign = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(s_directory, ec);
    }
    void TearDown() override
    {
        // Later tests of this process must not meet this test's pins.
        ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(configurationPinning(json::object())), nullptr);
        ManualClockFixture::TearDown();
    }

    // GET through the HTTP client; the error, or nullptr for an answer. Without `verifies` the
    // client's policy accepts any certificate.
    std::shared_ptr<NSError> fetch(const std::string& URL, bool verifies = true)
    {
        auto manager = HTTPSessionManager::managerWithSessionConfiguration();
        if (!verifies) {
            auto policy = HTTPSecurityPolicy::policyWithPinningMode(HTTPSSLPinningModeNone);
            policy->setAllowInvalidCertificates(true);
            policy->setValidatesDomainName(false);
            manager->setSecurityPolicy(policy);
        }
        bool done = false;
        std::shared_ptr<NSError> error;
        manager->GET(URL, nullptr, [&](const auto&, const auto&) { done = true; },
                     [&](const auto&, const std::shared_ptr<NSError>& e) {
                         error = e;
                         done = true;
                     });
        EXPECT_TRUE(loop->spin_until([&] { return done; }, 30.0)) << "no report for " << URL;
        return error;
    }

    static std::string at(const std::string& host, const HTTPTestServer* server, const std::string& path = "/json")
    {
        return "https://" + host + ":" + std::to_string(server->port()) + path;
    }

    static inline std::filesystem::path s_directory;
    static inline std::string s_pinnedHash, s_foreignHash;
    static inline HTTPTestServer* s_pinned = nullptr;
    static inline HTTPTestServer* s_foreign = nullptr;
};

TEST_F(PublicKeyPinningTest, ThePinsDecideEveryConnectionToAPinnedHostAndNoOther)
{
    ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(
                  configurationPinning({{"localhost", domainEntry(true, {kBackupA, s_pinnedHash, kBackupB})}})),
              nullptr);
    struct Case {
        const char* why;
        std::string URL;
        bool verifies; // whether the client's own policy checks the certificate
        bool refused;
    };
    const std::vector<Case> cases = {
        {"the pinned host with its pinned key", at("localhost", s_pinned), true, false},
        {"the pinned host with a foreign key", at("localhost", s_foreign), true, true},
        {"the host name in another case is the same host", at("LocalHost", s_foreign), true, true},
        {"another host (the same server by its address) is not pinned", at("127.0.0.1", s_foreign), true, false},
        {"a redirect to the pinned host meets its pins", at("127.0.0.1", s_pinned, "/to/" + at("localhost", s_foreign)), true, true},
        {"... also where the policy accepts any certificate", at("127.0.0.1", s_pinned, "/to/" + at("localhost", s_foreign)), false, true},
        {"the pinned host redirecting to itself", at("localhost", s_pinned, "/to/" + at("localhost", s_pinned)), true, false},
        {"a pinned host's pins go along to the next host", at("localhost", s_pinned, "/to/" + at("127.0.0.1", s_foreign)), true, true},
        {"a policy that accepts any certificate does not lift the pins", at("localhost", s_foreign), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const auto error = fetch(c.URL, c.verifies);
        if (!c.refused) {
            EXPECT_EQ(error, nullptr) << error->description();
            continue;
        }
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), NSURLErrorDomain);
        EXPECT_EQ(error->code(), NSURLErrorServerCertificateUntrusted) << error->description();
    }
}

TEST_F(PublicKeyPinningTest, NothingIsRefusedWhereEnforcementIsOff)
{
    ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(
                  configurationPinning({{"localhost", domainEntry(false, {kBackupA, kBackupB})}})),
              nullptr);
    EXPECT_EQ(HTTPTrust::pinnedPublicKeysForHost("localhost"), std::nullopt);
    const auto error = fetch(at("localhost", s_foreign));
    EXPECT_EQ(error, nullptr) << error->description();
}

TEST_F(PublicKeyPinningTest, PinsAreLookedUpByExactHostInAnyCase)
{
    const json app = configurationPinning({
        {"mobile.bank.example", domainEntry(true, {s_pinnedHash, kBackupA, kBackupB})},
        {"Eservice-Test.Bank.Example", domainEntry(true, {s_foreignHash, kBackupA, kBackupB})},
    });
    ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(app), nullptr);
    const std::string mobilePins = "sha256//" + s_pinnedHash + ";sha256//" + kBackupA + ";sha256//" + kBackupB;
    struct Case {
        const char* host;
        std::optional<std::string> pins;
    };
    const std::vector<Case> cases = {
        {"mobile.bank.example", mobilePins},
        {"MOBILE.Bank.Example", mobilePins},
        {"mobile.bank.example.", mobilePins}, // the same host, written fully qualified
        {"eservice-test.bank.example", "sha256//" + s_foreignHash + ";sha256//" + kBackupA + ";sha256//" + kBackupB},
        {"www.mobile.bank.example", std::nullopt}, // no subdomains
        {"bank.example", std::nullopt},
        {"mobile.bank.example.other", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HTTPTrust::pinnedPublicKeysForHost(c.host), c.pins) << "host \"" << c.host << "\"";
}

TEST_F(PublicKeyPinningTest, ABadConfigurationIsRejectedAndChangesNothing)
{
    const json good = configurationPinning({{"localhost", domainEntry(true, {s_pinnedHash, kBackupA})}});
    ASSERT_EQ(PublicKeyPinning::initSharedInstanceWithConfiguration(good), nullptr);
    const auto pinsBefore = HTTPTrust::pinnedPublicKeysForHost("localhost");
    ASSERT_TRUE(pinsBefore);

    auto with = [&](const std::string& key, json value) {
        json entry = domainEntry(true, {kBackupA, kBackupB});
        entry[key] = std::move(value);
        return configurationPinning({{"bank.example", entry}});
    };
    struct Case {
        const char* why;
        json configuration;
        std::string named; // a part of the error's description
    };
    const std::vector<Case> cases = {
        {"not a dictionary", json::array(), "not a dictionary"},
        {"no pinned domains", {{Key::SwizzleNetworkDelegates, true}}, Key::PinnedDomains},
        {"pins left out of some connections", {{Key::SwizzleNetworkDelegates, false}, {Key::PinnedDomains, json::object()}}, Key::SwizzleNetworkDelegates},
        {"a misspelt top-level key", {{"pinnedDomain", json::object()}, {Key::PinnedDomains, json::object()}}, "pinnedDomain"},
        {"a wildcard domain", configurationPinning({{"*.bank.example", domainEntry(true, {kBackupA, kBackupB})}}), "*.bank.example"},
        {"a host with a port", configurationPinning({{"bank.example:443", domainEntry(true, {kBackupA, kBackupB})}}), "bank.example:443"},
        {"one host twice", configurationPinning({{"bank.example", domainEntry(true, {kBackupA, kBackupB})}, {"Bank.Example", domainEntry(true, {kBackupA, kBackupB})}}),
         "more than once"},
        {"a domain entry that is no dictionary", configurationPinning({{"bank.example", true}}), "not a dictionary"},
        {"no enforcement flag", configurationPinning({{"bank.example", json{{Key::PublicKeyAlgorithms, {"RSA2048"}}, {Key::PublicKeyHashes, {kBackupA, kBackupB}}}}}),
         Key::EnforcePinning},
        {"enforcement as a number", with(Key::EnforcePinning, 1), Key::EnforcePinning},
        {"an unknown algorithm", with(Key::PublicKeyAlgorithms, {"RSA2048", "RSA1024"}), "RSA1024"},
        {"no algorithm", with(Key::PublicKeyAlgorithms, json::array()), Key::PublicKeyAlgorithms},
        {"a single hash, no backup", with(Key::PublicKeyHashes, {kBackupA}), "at least 2"},
        {"the same hash twice is still one key", with(Key::PublicKeyHashes, {kBackupA, kBackupA}), "at least 2"},
        {"a hash of 31 bytes", with(Key::PublicKeyHashes, {kBackupA, "r/mIkG3eEpVdm+u/ko/cwxzOMo1bk4TyHIlByibiAw=="}), "ibiAw=="},
        {"a hash that is not base64", with(Key::PublicKeyHashes, {kBackupA, "r/mIkG3eEpVdm+u/ko/cwxzOMo1bk4TyHIlByibiA5!="}), "A5!="},
        {"a hex digest", with(Key::PublicKeyHashes, {kBackupA, "aebf88906dde12955d9beebf928fdcc31cce328d5b9384f21c894"}), "aebf8890"},
        {"a hash that is no text", with(Key::PublicKeyHashes, {kBackupA, 42}), "42"},
        {"subdomains asked for", with("includeSubdomains", true), "includeSubdomains"},
        {"a failure report address", with("reportURIs", {"https://report.example"}), "reportURIs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const auto error = PublicKeyPinning::initSharedInstanceWithConfiguration(c.configuration);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), PublicKeyPinningErrorDomain);
        EXPECT_EQ(error->code(), PublicKeyPinningErrorInvalidConfiguration);
        EXPECT_NE(error->localizedDescription().find(c.named), std::string::npos) << error->localizedDescription();
        EXPECT_EQ(HTTPTrust::pinnedPublicKeysForHost("localhost"), pinsBefore) << "the pins in force stay";
        EXPECT_EQ(HTTPTrust::pinnedPublicKeysForHost("bank.example"), std::nullopt);
    }
}

} // namespace
