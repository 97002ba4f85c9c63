#pragma once
// The process-wide TLS trust of the HTTP client: the certificate authorities that are trusted
// besides the system's, and the public-key pins per host (PublicKeyPinning's). Every TLS
// connection the client makes gets the extra authorities added to its trust store; certificate
// checks stay on.
//
// Extra authorities come from addTrustedCertificateAuthorityFile and, once, at first use, from
// the PEM file named by the environment variable KVN_EXTRA_CA_FILE (the development set-up's
// test authority). They can only be added, never removed. Any thread.
#include <optional>
#include <string>

#include <openssl/types.h>

class HTTPTrust {
public:
    // Trusts every certificate in the PEM file from now on. False (and a line on stderr) when
    // the file cannot be read or holds no certificate.
    static bool addTrustedCertificateAuthorityFile(const std::string& path);

    // The public-key pins for a host, in the form CURLOPT_PINNEDPUBLICKEY takes
    // ("sha256//<base64>;sha256//<base64>"), or nullopt when the host is not pinned: those of
    // PublicKeyPinning's shared instance, exact host, any case.
    static std::optional<std::string> pinnedPublicKeysForHost(const std::string& host);

    // Adds the extra authorities to a connection's trust store (what every TLS connection of
    // the process calls while it is set up), and a check of the server's key against the pins
    // of the server name the connection asked for, so that no verified connection to a pinned
    // host escapes its pins, whoever chose the connection's other settings.
    static void addTrustedCertificateAuthoritiesToStore(X509_STORE* store);

    // Whether the certificate's public key is one of the pins, given as pinnedPublicKeysForHost
    // gives them: "sha256//<base64 of the SHA-256 of the DER SubjectPublicKeyInfo>" entries
    // joined by ";" (blanks around an entry are ignored). Entries of any other form never match.
    static bool publicKeyMatchesPins(X509* certificate, const std::string& pins);
};
