#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MediaStack/Srtp/SrtpKeys.h"
#include "MediaStack/Srtp/SrtpSession.h"

using namespace media;

namespace {

std::vector<uint8_t> hex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<uint8_t> counting(size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

// Exported material laid out by RFC 5764 4.2 from the two master keys and salts.
std::vector<uint8_t> material(const std::string& clientKey, const std::string& serverKey, const std::string& clientSalt,
                              const std::string& serverSalt)
{
    return hex(clientKey + serverKey + clientSalt + serverSalt);
}

} // namespace

TEST(SrtpKeysTest, ExportedMaterialSplitsIntoKeyAndSaltPerRole)
{
    // Material 00 01 02 ...: client key, server key, client salt, server salt, in that order.
    struct Case {
        SrtpProfile profile;
        DtlsRole role;
        std::string local;
        std::string remote;
    };
    const Case cases[] = {
        { SrtpProfile::Aes128CmSha1_80, DtlsRole::Client,
          "000102030405060708090a0b0c0d0e0f" "202122232425262728292a2b2c2d",
          "101112131415161718191a1b1c1d1e1f" "2e2f303132333435363738393a3b" },
        { SrtpProfile::Aes128CmSha1_80, DtlsRole::Server,
          "101112131415161718191a1b1c1d1e1f" "2e2f303132333435363738393a3b",
          "000102030405060708090a0b0c0d0e0f" "202122232425262728292a2b2c2d" },
        { SrtpProfile::AeadAes128Gcm, DtlsRole::Client,
          "000102030405060708090a0b0c0d0e0f" "202122232425262728292a2b",
          "101112131415161718191a1b1c1d1e1f" "2c2d2e2f3031323334353637" },
        { SrtpProfile::AeadAes128Gcm, DtlsRole::Server,
          "101112131415161718191a1b1c1d1e1f" "2c2d2e2f3031323334353637",
          "000102030405060708090a0b0c0d0e0f" "202122232425262728292a2b" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(profileInfo(c.profile).openSslName + std::string(c.role == DtlsRole::Client ? " client" : " server"));
        auto keys = SrtpKeys::fromExportedMaterial(c.profile, c.role, counting(SrtpKeys::materialLength(c.profile)));
        ASSERT_TRUE(keys);
        EXPECT_EQ(keys->local, hex(c.local));
        EXPECT_EQ(keys->remote, hex(c.remote));
    }
}

TEST(SrtpKeysTest, MaterialOfTheWrongLengthGivesNoKeys)
{
    EXPECT_EQ(SrtpKeys::materialLength(SrtpProfile::Aes128CmSha1_80), 60u);
    EXPECT_EQ(SrtpKeys::materialLength(SrtpProfile::AeadAes128Gcm), 56u);
    for (size_t length : { size_t(0), size_t(59), size_t(61), size_t(56) })
        EXPECT_FALSE(SrtpKeys::fromExportedMaterial(SrtpProfile::Aes128CmSha1_80, DtlsRole::Client, counting(length)))
            << length;
}

// Known answers: the client's half of the material is the master key of libsrtp's own
// reference vectors, so the client must produce the reference SRTP and SRTCP bytes, and the
// server, keyed from the same material, must read them back.
TEST(SrtpKeysTest, KeysFromMaterialProtectToTheReferenceVectors)
{
    struct Case {
        SrtpProfile profile;
        std::vector<uint8_t> material;
        std::string srtp;
        std::string srtcp;
    };
    const std::string otherKey = "ffeeddccbbaa99887766554433221100";
    const Case cases[] = {
        { SrtpProfile::Aes128CmSha1_80,
          material("e1f97a0d3e018be0d64fa32c06de4139", otherKey, "0ec675ad498afeebb6960b3aabe6", "0102030405060708090a0b0c0d0e"),
          "800f1234decafbadcafebabe" "4e55dc4ce79978d88ca4d215949d2402" "b78d6acc99ea179b8dbb",
          "81c8000bcafebabe" "7128035be487b9bdbef89041f977a5a8" "80000001" "993e08cd54d6c1230798" },
        { SrtpProfile::AeadAes128Gcm,
          material("000102030405060708090a0b0c0d0e0f", otherKey, "a0a1a2a3a4a5a6a7a8a9aaab", "0102030405060708090a0b0c"),
          "800f1234decafbadcafebabe" "c5002ede04cfdd2eb91159e0880aa06e" "d2976826f796b201df3131a127e8a392",
          "81c8000bcafebabe" "c98b8b5df0392a55852b6c21ac8e7025" "c52c6fbea2b3b446ea31123ba88ce61e" "80000001" },
    };
    const auto rtp = hex("800f1234decafbadcafebabe" "abababababababababababababababab");
    const auto rtcp = hex("81c8000bcafebabe" "abababababababababababababababab");
    for (const auto& c : cases) {
        if (!SrtpSession::supports(c.profile))
            continue;
        SCOPED_TRACE(profileInfo(c.profile).openSslName);
        auto clientKeys = SrtpKeys::fromExportedMaterial(c.profile, DtlsRole::Client, c.material);
        auto serverKeys = SrtpKeys::fromExportedMaterial(c.profile, DtlsRole::Server, c.material);
        ASSERT_TRUE(clientKeys && serverKeys);
        auto client = SrtpSession::create(*clientKeys);
        auto server = SrtpSession::create(*serverKeys);
        ASSERT_TRUE(client && server);

        auto packet = rtp;
        ASSERT_EQ(client->protectRtp(packet), SrtpResult::Ok);
        EXPECT_EQ(packet, hex(c.srtp));
        ASSERT_EQ(server->unprotectRtp(packet), SrtpResult::Ok);
        EXPECT_EQ(packet, rtp);

        packet = rtcp;
        ASSERT_EQ(client->protectRtcp(packet), SrtpResult::Ok);
        EXPECT_EQ(packet, hex(c.srtcp));
        ASSERT_EQ(server->unprotectRtcp(packet), SrtpResult::Ok);
        EXPECT_EQ(packet, rtcp);
    }
}
