#pragma once
// The DTLS certificate a conference presents on its links. The base class generates a
// self-signed one (regenerated automatically when it comes near its end); a host's subclass
// supplies certificate bytes and a key of its own and may turn expiry and regeneration off.
// The conference asks clone, getBytes, toX509, isExpired and isExpiring on the media thread;
// a filled certificate is not changed afterwards, so any thread may read it.
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "MediaStack/Conference/DtlsPrivateKey.h"
#include "MediaStack/Conference/X509CertificateView.h"

namespace media {
class Certificate;
}

class DtlsCertificateBase {
public:
    // A fresh self-signed certificate with its key, valid for 30 days, regenerated
    // automatically.
    static std::shared_ptr<DtlsCertificateBase> generate();

    virtual ~DtlsCertificateBase();

    virtual std::shared_ptr<DtlsCertificateBase> clone() const;
    // DER; what DTLS sends to the peer.
    virtual std::vector<uint8_t> getBytes() const;
    virtual bool isExpired() const;
    // Within a day of its end.
    virtual bool isExpiring() const;
    virtual std::shared_ptr<X509CertificateView> toX509() const;

    bool autoRegenerate() const { return m_autoRegenerate; }
    void setAutoRegenerate(bool regenerate) { m_autoRegenerate = regenerate; }

    std::shared_ptr<const DtlsPrivateKey> key() const { return m_key; }
    void setKey(std::shared_ptr<const DtlsPrivateKey> key) { m_key = std::move(key); }

    // Certificate and key as the DTLS transport loads them; none when the key is missing or
    // does not belong to the certificate.
    std::shared_ptr<const media::Certificate> dtlsIdentity() const;

protected:
    // Empty: no bytes, no key, regeneration off.
    DtlsCertificateBase() = default;

private:
    std::shared_ptr<const media::Certificate> m_generated;
    std::chrono::system_clock::time_point m_notAfter{};
    std::shared_ptr<const DtlsPrivateKey> m_key;
    bool m_autoRegenerate = false;
};
