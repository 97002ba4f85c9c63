#include "WebKit/Private/WebEngine.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"
#include "Network/HTTPTrust.h"
#include "Network/NetworkHandles.h"
#include "WebKit/Private/GLibRunLoopSource.h"
#include "WebKit/Private/GObjectHandles.h"

namespace kvn {

namespace {

struct X509StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
struct X509StoreContextFree {
    void operator()(X509_STORE_CTX* context) const { X509_STORE_CTX_free(context); }
};
struct X509StackFree {
    void operator()(STACK_OF(X509) * stack) const { sk_X509_pop_free(stack, X509_free); }
};

NetworkHandles::OwnedX509 x509OfCertificate(GTlsCertificate* certificate)
{
    gchar* pem = nullptr;
    g_object_get(certificate, "certificate-pem", &pem, nullptr);
    gobject::OwnedChars owned(pem);
    if (!pem)
        return nullptr;
    NetworkHandles::OwnedBIO bio{BIO_new_mem_buf(pem, -1)};
    NetworkHandles::OwnedX509 x509{bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr};
    ERR_clear_error();
    return x509;
}

bool isAddress(const std::string& host) { return g_hostname_is_ip_address(host.c_str()); }

} // namespace

WebEngine* WebEngine::shared()
{
    KVN_ASSERT_MAIN_THREAD();
    static WebEngine* engine = [] {
        auto* made = new WebEngine; // never destroyed: web processes may outlive any owner
        std::string whyNot;
        if (!made->setUp(whyNot)) {
            std::fprintf(stderr, "WKWebView: web views cannot work in this process: %s\n", whyNot.c_str());
            delete made;
            return static_cast<WebEngine*>(nullptr);
        }
        return made;
    }();
    return engine;
}

bool WebEngine::setUp(std::string& whyNot)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        whyNot = "no display (DISPLAY is not set; run under Xvfb)";
        return false;
    }
    // The accessibility bus is not there on a headless machine; asking for it only delays.
    g_setenv("NO_AT_BRIDGE", "1", FALSE);
    if (!gtk_init_check(nullptr, nullptr)) {
        whyNot = std::string("the display \"") + display + "\" could not be opened";
        return false;
    }
    // Nothing of a page outlives the process: no cookies or cache on disk between runs.
    m_context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_cache_model(m_context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    NSRunLoop::mainRunLoop()->setEventSource(std::make_shared<GLibRunLoopSource>(g_main_context_default()));
    return true;
}

bool WebEngine::chainIsTrustedByExtraAuthorities(GTlsCertificate* certificate, const std::string& host)
{
    if (!certificate || host.empty())
        return false;
    auto leaf = x509OfCertificate(certificate);
    if (!leaf)
        return false;
    std::unique_ptr<STACK_OF(X509), X509StackFree> intermediates(sk_X509_new_null());
    for (GTlsCertificate* issuer = g_tls_certificate_get_issuer(certificate); issuer; issuer = g_tls_certificate_get_issuer(issuer)) {
        if (auto x509 = x509OfCertificate(issuer))
            sk_X509_push(intermediates.get(), x509.release());
    }
    std::unique_ptr<X509_STORE, X509StoreFree> store(X509_STORE_new());
    std::unique_ptr<X509_STORE_CTX, X509StoreContextFree> context(X509_STORE_CTX_new());
    if (!store || !context)
        return false;
    HTTPTrust::addTrustedCertificateAuthoritiesToStore(store.get());
    if (X509_STORE_CTX_init(context.get(), store.get(), leaf.get(), intermediates.get()) != 1)
        return false;
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_purpose(parameters, X509_PURPOSE_SSL_SERVER);
    int named = isAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(parameters, host.c_str())
                                : X509_VERIFY_PARAM_set1_host(parameters, host.c_str(), host.size());
    bool verified = named == 1 && X509_verify_cert(context.get()) == 1;
    ERR_clear_error();
    if (!verified)
        return false;
    if (auto pins = HTTPTrust::pinnedPublicKeysForHost(host))
        return HTTPTrust::publicKeyMatchesPins(leaf.get(), *pins);
    return true;
}

} // namespace kvn
