#pragma once
// The host's hooks for the certificates of the video call's DTLS link: its own client
// certificate, the check of the server's certificate and the pin of the server's
// fingerprint. A host that wants any of them gives an object of a subclass to
// KavoniSettings::setCertificateProvider and overrides what it needs; the defaults below ask
// for a client certificate that they do not supply, which the first call handler refuses.
//
// The client-certificate hooks are asked on the main thread when the first call handler is
// made; the server hooks on the media stack's threads at every link up, so an implementation
// must be thread-safe.
#include <optional>

#include "Foundation/NSData.h"

class KavoniCertificateProvider {
public:
    virtual ~KavoniCertificateProvider() = default;

    // The client certificate, DER X.509.
    virtual std::optional<NSData> provideCertificateBytestream() { return std::nullopt; }
    // Its private key, DER PKCS #1 RSAPrivateKey.
    virtual std::optional<NSData> providePrivateKeyBytestream() { return std::nullopt; }
    // The SHA-256 digest (32 bytes) of the server's DER certificate.
    virtual std::optional<NSData> provideServerFingerPrintByteStream() { return std::nullopt; }
    // The server's DER certificate, none when it presented none.
    virtual bool verfiyServerCertificate(const std::optional<NSData>& certificate) { return certificate.has_value(); }

    virtual bool featureCertificate() { return true; }
    virtual bool featureFingerPrint() { return true; }
    virtual bool featureServerCert() { return true; }
};
