#pragma once
// Internal to the WebSocket layer: the TLS checks of a secure WebSocket, the same as the HTTP
// client makes. A connection's context trusts the system's authorities and HTTPTrust's extra
// ones and verifies the peer; the connection verifies the host name (or IP address) of its
// URL; once the chain verifies, the server's public key must match HTTPTrust's pins for the
// host when there are any. Plain OpenSSL; any thread (each call works on its own objects).
#include <optional>
#include <string>

#include <openssl/types.h>

class WebSocketTLS {
public:
    // Trust and peer verification for a client context. False when the context cannot be set up.
    static bool prepareContext(SSL_CTX* context);
    // Host name (or IP address) verification for one connection to `host`.
    static bool prepareConnection(SSL* connection, const std::string& host);

    // The verification step for one certificate of the chain (OpenSSL's verify callback
    // arguments), with the pins of the connection's host. Returns whether the handshake may go
    // on; on refusal `failure` says why.
    static bool verifyCertificate(bool preverified, X509_STORE_CTX* store, const std::optional<std::string>& pins,
                                  std::string& failure);

    // Whether the certificate's public key is one of the pins, given as the HTTP client takes
    // them: "sha256//<base64 of the SHA-256 of the DER SubjectPublicKeyInfo>" entries joined
    // by ";". Entries of any other form never match.
    static bool publicKeyMatchesPins(X509* certificate, const std::string& pins);
};
