// The process-wide set-up of the media-stack call handler, in an executable of its own: the
// set-up runs once per process, so nothing else may have run it before.
#include <gtest/gtest.h>

#include "../Identification/CallHandlerTestSupport.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificateProviderException.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniCertificateProvider.h"
#include "public/KavoniSettings.h"
#include "support/ManualClockFixture.h"

class FirstOrvelHandlerTest : public ManualClockFixture {
protected:
    void TearDown() override
    {
        KVNIdentification::resetSharedIdentification();
        ManualClockFixture::TearDown();
    }
};

namespace {

struct ErrorScreen : KVNIdentificationHandlerDelegate {
    std::vector<long> errors;
    void identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>&,
                                                const std::shared_ptr<NSError>& error) override
    {
        errors.push_back(error ? error->code() : 0);
    }
    void identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>&, bool) override {}
};

} // namespace

// Runs before any handler of the process is set up. The provider's exception must not escape
// into the run loop (which would leave the screen waiting for ever): the driver reports a
// failed call the screen knows, once, and makes no call.
TEST_F(FirstOrvelHandlerTest, AProviderWithoutBytesFailsTheCallThroughTheDriver)
{
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
    KVNIdentification::resetSharedIdentification();
    KVNIdentification::sharedIdentification()->setSettings(settings);
    settings->setCertificateProvider(std::make_shared<KavoniCertificateProvider>());
    auto session = KVNIdentification::sharedIdentification()->videoIdentification();
    session->setVideoserverType(KVNVideoIdentification::VideoserverTypeKavoni);
    session->setIdentificationStatus(KVNIdentificationStatusConnecting);
    auto screen = std::make_shared<ErrorScreen>();
    auto driver = std::make_shared<KVNIdentificationHandler>();
    driver->initWithDelegate(screen);

    const std::string agentConnected = R"({"command":"agentConnected"})";
    EXPECT_NO_THROW(driver->socketHandler_didReceiveMessage(driver->socketHandler(), std::to_string(agentConnected.size()) + "|" + agentConnected));
    EXPECT_EQ(screen->errors, std::vector<long>{KavoniErrorCode::ConferenceException});
    EXPECT_EQ(driver->webRTCHandler(), nullptr);
    EXPECT_NO_THROW(driver->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack));
    EXPECT_EQ(screen->errors.size(), 1u) << "reported once, not at every use";
    driver->finishIdentification();
    settings->setCertificateProvider(nullptr);
}

TEST_F(FirstOrvelHandlerTest, ProviderWithoutBytesStopsTheFirstHandlerThenOneSetUpServesTheProcess)
{
    auto settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001");
    KVNIdentification::resetSharedIdentification();
    KVNIdentification::sharedIdentification()->setSettings(settings);
    auto delegate = std::make_shared<RecordingDelegate>();

    // The base class asks for its own certificate and supplies none.
    settings->setCertificateProvider(std::make_shared<KavoniCertificateProvider>());
    try {
        std::make_shared<KVNOrvelHandler>()->initWithDelegate(delegate);
        FAIL() << "no exception";
    } catch (const KavoniCertificateProviderException& exception) {
        EXPECT_EQ(exception.name(), "KavoniCertificateProvider ERROR");
        EXPECT_EQ(exception.reason(), "no valid byte streams for key and/or certificate");
    }
    EXPECT_FALSE(KVNOrvelHandler::processCertificate());

    settings->setCertificateProvider(nullptr);
    auto first = std::make_shared<KVNOrvelHandler>();
    first->initWithDelegate(delegate);
    const auto certificate = KVNOrvelHandler::processCertificate();
    ASSERT_TRUE(certificate) << "without a provider the stack generates one";
    EXPECT_TRUE(certificate->dtlsIdentity());

    // A later provider is not asked again: the set-up does not run a second time.
    settings->setCertificateProvider(std::make_shared<KavoniCertificateProvider>());
    auto second = std::make_shared<KVNOrvelHandler>();
    EXPECT_NO_THROW(second->initWithDelegate(delegate));
    EXPECT_EQ(KVNOrvelHandler::processCertificate(), certificate);
    settings->setCertificateProvider(nullptr);
}
