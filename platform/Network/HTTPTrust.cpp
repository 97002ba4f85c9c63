#include "Network/HTTPTrust.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "Network/NetworkHandles.h"
#include "Network/PublicKeyPinning.h"

namespace {

using namespace NetworkHandles;

struct TrustStore {
    std::mutex mutex;
    std::vector<OwnedX509> authorities; // live as long as the process
};

TrustStore& trustStore()
{
    static TrustStore* store = new TrustStore; // never destroyed: the worker may use it during exit
    return *store;
}

bool addAuthoritiesFromFile(const std::string& path)
{
    std::vector<OwnedX509> found;
    if (const OwnedBIO bio{BIO_new_file(path.c_str(), "r")}) {
        while (X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr))
            found.emplace_back(certificate);
    }
    ERR_clear_error(); // the end of the file reads as an error; no one else must see it
    if (found.empty()) {
        std::fprintf(stderr, "HTTPTrust: no certificate authority could be read from \"%s\"\n", path.c_str());
        return false;
    }
    auto& store = trustStore();
    std::lock_guard lock(store.mutex);
    std::move(found.begin(), found.end(), std::back_inserter(store.authorities));
    return true;
}

void readEnvironmentOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const char* path = std::getenv("KVN_EXTRA_CA_FILE");
        if (path && *path)
            addAuthoritiesFromFile(path);
    });
}

// The pin check by the name the connection asked the server for, behind the pins the HTTP
// client hands libcurl for each hop of a transfer: a connection set up with the wrong pins or
// none still meets its own host's. It acts on connections that verify the peer (OpenSSL
// ignores a refusal otherwise); a connection to an address has no server name, and its pins
// are libcurl's alone.
int verifyCertificateWithPins(int preverified, X509_STORE_CTX* context)
{
    if (!preverified || X509_STORE_CTX_get_error_depth(context) != 0)
        return preverified;
    const auto* connection = static_cast<const SSL*>(X509_STORE_CTX_get_ex_data(context, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const char* serverName = connection ? SSL_get_servername(connection, TLSEXT_NAMETYPE_host_name) : nullptr;
    if (!serverName)
        return preverified;
    const auto pins = HTTPTrust::pinnedPublicKeysForHost(serverName);
    if (!pins || HTTPTrust::publicKeyMatchesPins(X509_STORE_CTX_get_current_cert(context), *pins))
        return preverified;
    X509_STORE_CTX_set_error(context, X509_V_ERR_APPLICATION_VERIFICATION);
    return 0;
}

} // namespace

bool HTTPTrust::addTrustedCertificateAuthorityFile(const std::string& path)
{
    readEnvironmentOnce();
    return addAuthoritiesFromFile(path);
}

std::optional<std::string> HTTPTrust::pinnedPublicKeysForHost(const std::string& host)
{
    if (const auto pinning = PublicKeyPinning::sharedInstance())
        return pinning->pinnedPublicKeysForHost(host);
    return std::nullopt;
}

void HTTPTrust::addTrustedCertificateAuthoritiesToStore(X509_STORE* store)
{
    readEnvironmentOnce();
    if (!store)
        return;
    auto& trust = trustStore();
    std::lock_guard lock(trust.mutex);
    for (const auto& authority : trust.authorities)
        X509_STORE_add_cert(store, authority.get()); // takes its own reference; a duplicate is harmless
    X509_STORE_set_verify_cb(store, verifyCertificateWithPins);
    ERR_clear_error();
}

bool HTTPTrust::publicKeyMatchesPins(X509* certificate, const std::string& pins)
{
    EVP_PKEY* key = certificate ? X509_get0_pubkey(certificate) : nullptr;
    unsigned char* derBytes = nullptr;
    const int length = key ? i2d_PUBKEY(key, &derBytes) : 0;
    const OpenSSLBytes der(derBytes);
    if (length <= 0) {
        ERR_clear_error();
        return false;
    }
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(der.get(), static_cast<size_t>(length), digest);
    char encoded[4 * ((SHA256_DIGEST_LENGTH + 2) / 3) + 1];
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded), digest, SHA256_DIGEST_LENGTH);
    const std::string pin = std::string("sha256//") + encoded;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    for (size_t start = 0; start <= pins.size();) {
        const size_t end = std::min(pins.find(';', start), pins.size());
        size_t first = start, last = end;
        while (first < last && isBlank(pins[first]))
            ++first;
        while (last > first && isBlank(pins[last - 1]))
            --last;
        if (pins.compare(first, last - first, pin) == 0)
            return true;
        start = end + 1;
    }
    return false;
}
