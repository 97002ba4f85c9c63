// The conference's certificate classes: the generated certificate and the views the stack
// reads from it.
#include <gtest/gtest.h>

#include "MediaStack/Conference/DtlsCertificateBase.h"
#include "MediaStack/Dtls/Certificate.h"

TEST(DtlsCertificateBaseTest, GeneratedCertificateIsUsableAndItsCloneTheSame)
{
    auto certificate = DtlsCertificateBase::generate();
    ASSERT_TRUE(certificate);
    EXPECT_FALSE(certificate->getBytes().empty());
    EXPECT_FALSE(certificate->isExpired());
    EXPECT_FALSE(certificate->isExpiring());
    EXPECT_TRUE(certificate->autoRegenerate());
    auto identity = certificate->dtlsIdentity();
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->der(), certificate->getBytes());

    const auto fingerprint = certificate->toX509()->getSha256FingerprintString();
    EXPECT_EQ(fingerprint.size(), 95u);
    EXPECT_EQ(fingerprint, identity->fingerprint());

    auto clone = certificate->clone();
    EXPECT_EQ(clone->getBytes(), certificate->getBytes());
    EXPECT_EQ(clone->toX509()->getSha256FingerprintString(), fingerprint);
    EXPECT_EQ(clone->dtlsIdentity(), identity);
}

TEST(DtlsCertificateBaseTest, KeyReaderTakesOnlyRsaKeys)
{
    const std::vector<uint8_t> garbage{0x30, 0x03, 0x02, 0x01, 0x00};
    EXPECT_FALSE(DtlsPrivateKey::readRsa(garbage));
    EXPECT_FALSE(DtlsPrivateKey::readRsa({}));
    EXPECT_EQ(X509CertificateView(std::vector<uint8_t>()).getSha256FingerprintString(), "");
}
