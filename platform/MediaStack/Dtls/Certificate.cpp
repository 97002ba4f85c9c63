#include "MediaStack/Dtls/Certificate.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include "MediaStack/Dtls/OpenSslHandles.h"

namespace media {

namespace {

constexpr long kSecondsPerDay = 24 * 60 * 60;

bool looksLikePem(std::span<const uint8_t> bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return text.find("-----BEGIN") != std::string_view::npos;
}

BioPtr memoryBio(std::span<const uint8_t> bytes)
{
    return BioPtr(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

EvpPkeyPtr readKey(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return nullptr;
    if (looksLikePem(bytes)) {
        auto bio = memoryBio(bytes);
        return EvpPkeyPtr(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    }
    const unsigned char* cursor = bytes.data();
    // Guesses the structure: PKCS #1 RSA, SEC 1 EC or PKCS #8.
    EvpPkeyPtr key(d2i_AutoPrivateKey(nullptr, &cursor, static_cast<long>(bytes.size())));
    return key;
}

X509Ptr readCertificate(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return nullptr;
    if (looksLikePem(bytes)) {
        auto bio = memoryBio(bytes);
        return X509Ptr(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    }
    const unsigned char* cursor = bytes.data();
    return X509Ptr(d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size())));
}

bool fillSelfSigned(X509* x509, EVP_PKEY* key, const std::string& commonName)
{
    uint64_t serialBits = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&serialBits), sizeof serialBits) != 1)
        return false;
    serialBits &= 0x7fffffffffffffffull; // a positive serial
    if (X509_set_version(x509, 2) != 1 || ASN1_INTEGER_set_uint64(X509_get_serialNumber(x509), serialBits) != 1)
        return false;
    // A day's grace for peers whose clocks run behind ours.
    if (!X509_gmtime_adj(X509_getm_notBefore(x509), -kSecondsPerDay)
        || !X509_gmtime_adj(X509_getm_notAfter(x509), 30 * kSecondsPerDay))
        return false;
    X509NamePtr name(X509_NAME_new());
    if (!name
        || X509_NAME_add_entry_by_txt(name.get(), "CN", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) != 1)
        return false;
    return X509_set_subject_name(x509, name.get()) == 1 && X509_set_issuer_name(x509, name.get()) == 1
        && X509_set_pubkey(x509, key) == 1 && X509_sign(x509, key, EVP_sha256()) > 0;
}

} // namespace

void Certificate::X509Free::operator()(x509_st* handle) const { X509_free(handle); }

void Certificate::KeyFree::operator()(evp_pkey_st* handle) const { EVP_PKEY_free(handle); }

Certificate::Certificate(std::unique_ptr<x509_st, X509Free> x509, std::unique_ptr<evp_pkey_st, KeyFree> key)
    : m_x509(std::move(x509)), m_key(std::move(key))
{
    int length = i2d_X509(m_x509.get(), nullptr);
    if (length > 0) {
        m_der.resize(static_cast<size_t>(length));
        unsigned char* cursor = m_der.data();
        i2d_X509(m_x509.get(), &cursor);
    }
    m_digest = sha256(m_der);
}

Certificate::~Certificate() = default;

std::shared_ptr<const Certificate> Certificate::generate(const std::string& commonName)
{
    std::unique_ptr<evp_pkey_st, KeyFree> key(EVP_EC_gen("P-256"));
    std::unique_ptr<x509_st, X509Free> x509(X509_new());
    if (!key || !x509 || !fillSelfSigned(x509.get(), key.get(), commonName))
        return nullptr;
    return std::shared_ptr<const Certificate>(new Certificate(std::move(x509), std::move(key)));
}

std::shared_ptr<const Certificate> Certificate::fromKeyAndCertificate(std::span<const uint8_t> keyBytes,
                                                                      std::span<const uint8_t> certificateBytes)
{
    auto key = readKey(keyBytes);
    auto x509 = readCertificate(certificateBytes);
    if (!key || !x509 || X509_check_private_key(x509.get(), key.get()) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return std::shared_ptr<const Certificate>(new Certificate(std::unique_ptr<x509_st, X509Free>(x509.release()),
                                                              std::unique_ptr<evp_pkey_st, KeyFree>(key.release())));
}

Certificate::Digest Certificate::sha256(std::span<const uint8_t> bytes)
{
    Digest digest {};
    SHA256(bytes.data(), bytes.size(), digest.data());
    return digest;
}

std::string Certificate::fingerprintText(std::span<const uint8_t> bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text.push_back(':');
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0x0f]);
    }
    return text;
}

std::vector<uint8_t> Certificate::parseFingerprint(const std::string& text)
{
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    // Pairs of hex digits, each pair but the first preceded by ':'.
    if (text.size() < 2 || (text.size() + 1) % 3 != 0)
        return {};
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 3) {
        int high = nibble(text[i]);
        int low = nibble(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ':'))
            return {};
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

} // namespace media
