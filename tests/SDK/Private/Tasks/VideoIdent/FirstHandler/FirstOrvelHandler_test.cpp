// The process-wide set-up of the media-stack call handler, in an executable of its own: the
// set-up runs once per process, so nothing else may have run it before.
#include <gtest/gtest.h>

#include "../Identification/CallHandlerTestSupport.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificateProviderException.h"
#include "models/KVNIdentification.h"
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
