#include "Network/HTTPTrust.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace {

struct TrustStore {
    std::mutex mutex;
    std::vector<X509*> authorities; // owned; live as long as the process
};

TrustStore& trustStore()
{
    static TrustStore* store = new TrustStore; // never destroyed: the worker may use it during exit
    return *store;
}

bool addAuthoritiesFromFile(const std::string& path)
{
    std::vector<X509*> found;
    if (BIO* bio = BIO_new_file(path.c_str(), "r")) {
        while (X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
            found.push_back(certificate);
        BIO_free(bio);
    }
    ERR_clear_error(); // the end of the file reads as an error; no one else must see it
    if (found.empty()) {
        std::fprintf(stderr, "HTTPTrust: no certificate authority could be read from \"%s\"\n", path.c_str());
        return false;
    }
    auto& store = trustStore();
    std::lock_guard lock(store.mutex);
    store.authorities.insert(store.authorities.end(), found.begin(), found.end());
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

} // namespace

bool HTTPTrust::addTrustedCertificateAuthorityFile(const std::string& path)
{
    readEnvironmentOnce();
    return addAuthoritiesFromFile(path);
}

std::optional<std::string> HTTPTrust::pinnedPublicKeysForHost(const std::string& host) { return std::nullopt; }

void HTTPTrust::addTrustedCertificateAuthoritiesToStore(X509_STORE* store)
{
    readEnvironmentOnce();
    if (!store)
        return;
    auto& trust = trustStore();
    std::lock_guard lock(trust.mutex);
    for (X509* authority : trust.authorities)
        X509_STORE_add_cert(store, authority); // takes its own reference; a duplicate is harmless
    ERR_clear_error();
}
