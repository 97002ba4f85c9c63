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
    return HTTPTrust::publicKeyMatchesPins(certificate, pins);
}
