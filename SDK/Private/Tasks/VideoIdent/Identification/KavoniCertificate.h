#pragma once
// A client certificate the host supplies through its certificate provider: DER certificate
// bytes and a DER PKCS #1 RSA key, handed to the media stack as its DTLS certificate. It
// never expires and is never regenerated, so the stack keeps it for every call. Filled once
// on the main thread, then read by the stack on its threads.
#include <memory>

#include "Foundation/NSData.h"
#include "MediaStack/Conference/DtlsCertificateBase.h"

class KavoniCertificate : public DtlsCertificateBase {
public:
    KavoniCertificate() = default;

    static NSData calcSHA256FingerPrint(const NSData& data);

    // Empty: no bytes, no key, regeneration off.
    void init();
    void setCert_andKey(NSData certificate, NSData key);

    std::shared_ptr<DtlsCertificateBase> clone() const override;
    std::vector<uint8_t> getBytes() const override { return m_certBytes; }
    bool isExpired() const override { return false; }
    bool isExpiring() const override { return false; }
    std::shared_ptr<X509CertificateView> toX509() const override;

    const NSData& certBytes() const { return m_certBytes; }
    void setCertBytes(NSData bytes) { m_certBytes = std::move(bytes); }
    const NSData& keyBytes() const { return m_keyBytes; }
    void setKeyBytes(NSData bytes) { m_keyBytes = std::move(bytes); }

private:
    NSData m_certBytes;
    NSData m_keyBytes;
};
