// The host's certificate hooks and the certificate classes that carry a supplied client
// certificate into the media stack.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "MediaStack/Dtls/Certificate.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificate.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniX509Certificate.h"
#include "public/KavoniCertificateProvider.h"
#include "support/ManualClockFixture.h"

namespace {

NSData readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return NSData(std::istreambuf_iterator<char>(in), {});
}

// An RSA key (DER PKCS #1) and a self-signed certificate for it (DER), made with openssl.
struct RsaMaterial {
    NSData key;
    NSData certificate;
};

RsaMaterial makeRsaMaterial(const std::filesystem::path& folder, const std::string& name)
{
    const auto pem = (folder / (name + ".pem")).string();
    const auto key = (folder / (name + ".key.der")).string();
    const auto certificate = (folder / (name + ".crt.der")).string();
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -keyout " + pem + " -outform DER -out " + certificate +
        " -days 2 -subj /CN=kvn-test 2>/dev/null && openssl rsa -in " + pem + " -traditional -outform DER -out " + key + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return {readFile(key), readFile(certificate)};
}

class KavoniCertificateTest : public ManualClockFixture {};

} // namespace

TEST(KavoniX509CertificateTest, FingerprintTextIsUpperCasePairsJoinedByColons)
{
    const struct {
        NSData bytes;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{0x00, 0xAB, 0x09}, "00:AB:09"},
        {{0xff}, "FF"},
    };
    for (const auto& c : cases) {
        KavoniX509Certificate view;
        view.setFingerPrint(c.bytes);
        EXPECT_EQ(view.hexadecimalString(), c.text);
        EXPECT_EQ(view.getSha256FingerprintString(), c.text);
    }
    KavoniX509Certificate digest;
    digest.setFingerPrint(KavoniCertificate::calcSHA256FingerPrint(NSDataFromString("abc")));
    EXPECT_EQ(digest.hexadecimalString().size(), 95u);
    EXPECT_EQ(digest.hexadecimalString().substr(0, 8), "BA:78:16");
}

TEST(KavoniCertificateProviderTest, BaseClassDefaults)
{
    KavoniCertificateProvider provider;
    EXPECT_FALSE(provider.provideCertificateBytestream());
    EXPECT_FALSE(provider.providePrivateKeyBytestream());
    EXPECT_FALSE(provider.provideServerFingerPrintByteStream());
    EXPECT_TRUE(provider.featureCertificate());
    EXPECT_TRUE(provider.featureFingerPrint());
    EXPECT_TRUE(provider.featureServerCert());
    EXPECT_FALSE(provider.verfiyServerCertificate(std::nullopt)) << "no certificate presented";
    EXPECT_TRUE(provider.verfiyServerCertificate(NSData{0x30, 0x00})) << "any certificate presented";
}

TEST_F(KavoniCertificateTest, SuppliedCertificateReachesTheStackAndClonesAlike)
{
    const auto material = makeRsaMaterial(tempDirectory(), "client");
    ASSERT_FALSE(material.key.empty()) << "openssl could not make the test key";

    auto certificate = std::make_shared<KavoniCertificate>();
    certificate->init();
    EXPECT_TRUE(certificate->getBytes().empty());
    EXPECT_FALSE(certificate->dtlsIdentity());
    certificate->setCert_andKey(material.certificate, material.key);

    EXPECT_EQ(certificate->getBytes(), material.certificate);
    EXPECT_FALSE(certificate->isExpired());
    EXPECT_FALSE(certificate->isExpiring());
    EXPECT_FALSE(certificate->autoRegenerate());
    ASSERT_TRUE(certificate->key());
    auto identity = certificate->dtlsIdentity();
    ASSERT_TRUE(identity) << "key and certificate belong together";
    EXPECT_EQ(identity->der(), material.certificate);
    const auto fingerprint = certificate->toX509()->getSha256FingerprintString();
    EXPECT_EQ(fingerprint, media::Certificate::fingerprintText(media::Certificate::sha256(material.certificate)));

    auto clone = std::dynamic_pointer_cast<KavoniCertificate>(certificate->clone());
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->certBytes(), material.certificate);
    EXPECT_EQ(clone->keyBytes(), material.key);
    ASSERT_TRUE(clone->key());
    EXPECT_NE(clone->key(), certificate->key()) << "the clone parses its key anew";
    EXPECT_EQ(clone->toX509()->getSha256FingerprintString(), fingerprint);
}

TEST_F(KavoniCertificateTest, KeysThatDoNotFitGiveNoIdentity)
{
    const auto mine = makeRsaMaterial(tempDirectory(), "mine");
    const auto other = makeRsaMaterial(tempDirectory(), "other");
    ASSERT_FALSE(mine.key.empty());
    ASSERT_FALSE(other.key.empty());
    const struct {
        const char* why;
        NSData key;
    } cases[] = {
        {"another certificate's key", other.key},
        {"not a key", NSDataFromString("not a key")},
        {"a key cut short", NSData(mine.key.begin(), mine.key.begin() + mine.key.size() / 2)},
    };
    for (const auto& c : cases) {
        auto certificate = std::make_shared<KavoniCertificate>();
        certificate->init();
        certificate->setCert_andKey(mine.certificate, c.key);
        EXPECT_FALSE(certificate->dtlsIdentity()) << c.why;
    }
}
