#include "Private/Tasks/VideoIdent/Identification/KavoniCertificate.h"

#include "MediaStack/Conference/DtlsPrivateKey.h"
#include "MediaStack/Dtls/Certificate.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniX509Certificate.h"

NSData KavoniCertificate::calcSHA256FingerPrint(const NSData& data)
{
    const auto digest = media::Certificate::sha256(data);
    return NSData(digest.begin(), digest.end());
}

void KavoniCertificate::init()
{
    m_certBytes.clear();
    m_keyBytes.clear();
    setKey(nullptr);
    setAutoRegenerate(false);
}

void KavoniCertificate::setCert_andKey(NSData certificate, NSData key)
{
    m_certBytes = std::move(certificate);
    m_keyBytes = std::move(key);
    setKey(DtlsPrivateKey::readRsa(m_keyBytes));
}

std::shared_ptr<DtlsCertificateBase> KavoniCertificate::clone() const
{
    auto copy = std::make_shared<KavoniCertificate>();
    copy->init();
    copy->setCert_andKey(m_certBytes, m_keyBytes);
    return copy;
}

std::shared_ptr<X509CertificateView> KavoniCertificate::toX509() const
{
    auto view = std::make_shared<KavoniX509Certificate>();
    view->setFingerPrint(calcSHA256FingerPrint(m_certBytes));
    return view;
}
