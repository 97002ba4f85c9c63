#pragma once
// The certificate our side of a DTLS handshake presents: a self-signed EC P-256 certificate
// made for the process, or the key and certificate a host supplies. The SDP carries its
// SHA-256 fingerprint ("AB:01:..."), by which the peer recognises us. Immutable once made, so
// one certificate may serve every call of the process from any thread.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct x509_st;
struct evp_pkey_st;

namespace media {

class Certificate {
public:
    using Digest = std::array<uint8_t, 32>;

    // A fresh key pair and a self-signed certificate for it, valid from a day ago for 30 days.
    static std::shared_ptr<const Certificate> generate(const std::string& commonName = "kvn-media");
    // The host's key (PKCS #1 RSA, PKCS #8 or EC; DER or PEM) and certificate (DER or PEM).
    // Null when either cannot be read or the key does not belong to the certificate.
    static std::shared_ptr<const Certificate> fromKeyAndCertificate(std::span<const uint8_t> key,
                                                                   std::span<const uint8_t> certificate);

    ~Certificate();
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;

    // The certificate as DTLS sends it.
    const std::vector<uint8_t>& der() const { return m_der; }
    const Digest& digest() const { return m_digest; }
    // The SDP fingerprint text of digest().
    std::string fingerprint() const { return fingerprintText(m_digest); }

    static Digest sha256(std::span<const uint8_t> bytes);
    // Each byte as two upper-case hex digits, joined by ":"; empty for no bytes.
    static std::string fingerprintText(std::span<const uint8_t> bytes);
    // The bytes of a fingerprint text, upper or lower case; empty when it is not one.
    static std::vector<uint8_t> parseFingerprint(const std::string& text);

    // For the DTLS context that loads them; the certificate keeps ownership.
    x509_st* x509() const { return m_x509.get(); }
    evp_pkey_st* privateKey() const { return m_key.get(); }

private:
    struct X509Free {
        void operator()(x509_st* handle) const;
    };
    struct KeyFree {
        void operator()(evp_pkey_st* handle) const;
    };

    Certificate(std::unique_ptr<x509_st, X509Free> x509, std::unique_ptr<evp_pkey_st, KeyFree> key);

    std::unique_ptr<x509_st, X509Free> m_x509;
    std::unique_ptr<evp_pkey_st, KeyFree> m_key;
    std::vector<uint8_t> m_der;
    Digest m_digest {};
};

} // namespace media
