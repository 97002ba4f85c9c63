#pragma once
// The host's hooks for the certificates of the video call's DTLS link: its own client
// certificate, the check of the server's certificate and the pin of the server's
// fingerprint. A host that wants any of them gives an object of a subclass to
// KavoniSettings::setCertificateProvider; the library holds it strongly and asks it on the
// media stack's threads, so an implementation must be thread-safe.
//
// The hook operations join this class with the call's certificate handling.
class KavoniCertificateProvider {
public:
    virtual ~KavoniCertificateProvider() = default;
};
