#pragma once
// The X.509 view of a host-supplied client certificate: its SHA-256 digest, and the digest's
// fingerprint text that the media stack writes into our SDP. Filled once, then read on the
// media stack's threads.
#include <string>

#include "Foundation/NSData.h"
#include "MediaStack/Conference/X509CertificateView.h"

class KavoniX509Certificate : public X509CertificateView {
public:
    KavoniX509Certificate() = default;

    const NSData& fingerPrint() const { return m_fingerPrint; }
    void setFingerPrint(NSData fingerPrint) { m_fingerPrint = std::move(fingerPrint); }

    // "00:AB:09": upper-case pairs joined by ":"; empty for no bytes.
    std::string hexadecimalString() const;
    std::string getSha256FingerprintString() const override { return hexadecimalString(); }

private:
    NSData m_fingerPrint;
};
