#include "WebSocket/WebSocketTLS.h"

#include <arpa/inet.h>
#include <vector>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "Network/HTTPTrust.h"

namespace {

bool isAddressLiteral(const std::string& host)
{
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool WebSocketTLS::prepareContext(SSL_CTX* context)
{
    if (!context)
        return false;
    const bool ready = SSL_CTX_set_default_verify_paths(context) == 1 && SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1;
    HTTPTrust::addTrustedCertificateAuthoritiesToStore(SSL_CTX_get_cert_store(context));
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    ERR_clear_error();
    return ready;
}

bool WebSocketTLS::prepareConnection(SSL* connection, const std::string& host)
{
    if (!connection || host.empty())
        return false;
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    bool ready;
    if (isAddressLiteral(name)) {
        ready = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(connection), name.c_str()) == 1;
    } else {
        SSL_set_hostflags(connection, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        ready = SSL_set1_host(connection, name.c_str()) == 1;
    }
    ERR_clear_error();
    return ready;
}

bool WebSocketTLS::verifyCertificate(bool preverified, X509_STORE_CTX* store, const std::optional<std::string>& pins, std::string& failure)
{
    if (!preverified) {
        failure = std::string("certificate verify failed: ") + X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
        return false;
    }
    // The pins are about the server's own key, checked once the chain and the name hold.
    if (pins && X509_STORE_CTX_get_error_depth(store) == 0) {
        if (!publicKeyMatchesPins(X509_STORE_CTX_get_current_cert(store), *pins)) {
            failure = "the server's public key matches none of the pinned keys";
            return false;
        }
    }
    return true;
}

bool WebSocketTLS::publicKeyMatchesPins(X509* certificate, const std::string& pins)
{
    EVP_PKEY* key = certificate ? X509_get0_pubkey(certificate) : nullptr;
    if (!key)
        return false;
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key, &der);
    if (length <= 0) {
        ERR_clear_error();
        return false;
    }
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(der, static_cast<size_t>(length), digest);
    OPENSSL_free(der);
    char encoded[4 * ((SHA256_DIGEST_LENGTH + 2) / 3) + 1];
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded), digest, SHA256_DIGEST_LENGTH);
    const std::string pin = std::string("sha256//") + encoded;

    size_t start = 0;
    while (start <= pins.size()) {
        size_t end = pins.find(';', start);
        if (end == std::string::npos)
            end = pins.size();
        if (trimmed(pins.substr(start, end - start)) == pin)
            return true;
        start = end + 1;
    }
    return false;
}
