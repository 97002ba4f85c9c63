#include "MediaStack/Conference/DtlsCertificateBase.h"

#include "MediaStack/Dtls/Certificate.h"

namespace {
// Certificate::generate makes certificates valid for 30 days from a day ago.
constexpr auto kGeneratedLifetime = std::chrono::hours(24 * 29);
constexpr auto kExpiringMargin = std::chrono::hours(24);
} // namespace

DtlsCertificateBase::~DtlsCertificateBase() = default;

std::shared_ptr<DtlsCertificateBase> DtlsCertificateBase::generate()
{
    auto certificate = std::shared_ptr<DtlsCertificateBase>(new DtlsCertificateBase());
    certificate->m_generated = media::Certificate::generate();
    if (!certificate->m_generated)
        return nullptr;
    certificate->m_notAfter = std::chrono::system_clock::now() + kGeneratedLifetime;
    certificate->m_autoRegenerate = true;
    return certificate;
}

std::shared_ptr<DtlsCertificateBase> DtlsCertificateBase::clone() const
{
    return std::shared_ptr<DtlsCertificateBase>(new DtlsCertificateBase(*this));
}

std::vector<uint8_t> DtlsCertificateBase::getBytes() const { return m_generated ? m_generated->der() : std::vector<uint8_t>(); }

bool DtlsCertificateBase::isExpired() const { return m_generated && std::chrono::system_clock::now() >= m_notAfter; }

bool DtlsCertificateBase::isExpiring() const { return m_generated && std::chrono::system_clock::now() >= m_notAfter - kExpiringMargin; }

std::shared_ptr<X509CertificateView> DtlsCertificateBase::toX509() const { return std::make_shared<X509CertificateView>(getBytes()); }

std::shared_ptr<const media::Certificate> DtlsCertificateBase::dtlsIdentity() const
{
    const auto bytes = getBytes();
    if (m_generated && bytes == m_generated->der())
        return m_generated;
    if (!m_key || bytes.empty())
        return nullptr;
    return media::Certificate::fromKeyAndCertificate(m_key->der(), bytes);
}
