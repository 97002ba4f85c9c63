#pragma once
// The X.509 side of a DTLS certificate as the conference reads it: the SHA-256 fingerprint
// text it writes into the SDP ("AB:01:..."). Subclasses may supply the text themselves.
// Immutable once made; any thread.
#include <cstdint>
#include <string>
#include <vector>

class X509CertificateView {
public:
    // The view of a DER certificate.
    explicit X509CertificateView(std::vector<uint8_t> der);
    virtual ~X509CertificateView() = default;

    virtual std::string getSha256FingerprintString() const;

protected:
    X509CertificateView() = default;

private:
    std::vector<uint8_t> m_der;
};
