#include "MediaStack/Conference/X509CertificateView.h"

#include "MediaStack/Dtls/Certificate.h"

X509CertificateView::X509CertificateView(std::vector<uint8_t> der) : m_der(std::move(der)) {}

std::string X509CertificateView::getSha256FingerprintString() const
{
    if (m_der.empty())
        return {};
    const auto digest = media::Certificate::sha256(m_der);
    return media::Certificate::fingerprintText(digest);
}
