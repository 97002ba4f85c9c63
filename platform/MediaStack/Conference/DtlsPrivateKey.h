#pragma once
// The stack's RSA key reader: a private key as a DTLS certificate holds it, read from a DER
// PKCS #1 RSAPrivateKey structure. Immutable once read; any thread.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class DtlsPrivateKey {
public:
    // None when the bytes are not an RSA private key.
    static std::shared_ptr<const DtlsPrivateKey> readRsa(std::span<const uint8_t> der);

    const std::vector<uint8_t>& der() const { return m_der; }

private:
    explicit DtlsPrivateKey(std::vector<uint8_t> der) : m_der(std::move(der)) {}
    std::vector<uint8_t> m_der;
};
