#pragma once
// Internal to the Network layer: owners of the C handles of libcurl and OpenSSL, so that each
// handle is freed exactly once on every path. Include from .cpp files only: it brings the
// libraries' headers with it.
#include <memory>

#include <curl/curl.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/x509.h>

namespace NetworkHandles {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlURLDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct CurlTextDeleter {
    void operator()(char* text) const { curl_free(text); }
};
struct BIODeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Deleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct OpenSSLBytesDeleter {
    void operator()(unsigned char* bytes) const { OPENSSL_free(bytes); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;
using CurlURL = std::unique_ptr<CURLU, CurlURLDeleter>;
using CurlText = std::unique_ptr<char, CurlTextDeleter>;
using OwnedBIO = std::unique_ptr<BIO, BIODeleter>;
using OwnedX509 = std::unique_ptr<X509, X509Deleter>;
using OpenSSLBytes = std::unique_ptr<unsigned char, OpenSSLBytesDeleter>;

// Appends a line to an owned list. On failure libcurl leaves the list as it was, and so does this.
inline void appendTo(CurlList& list, const char* line)
{
    if (curl_slist* head = curl_slist_append(list.get(), line)) {
        list.release();
        list.reset(head);
    }
}

} // namespace NetworkHandles
