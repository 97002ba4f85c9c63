#include "Network/HTTPTransferEngine.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <strings.h>
#include <thread>

#include <openssl/ssl.h>

#include "Foundation/Dispatch.h"
#include "Foundation/NSRunLoop.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPTrust.h"
#include "Network/NSURLError.h"
#include "Network/NetworkHandles.h"

namespace {

using namespace NetworkHandles;

// Ten hops, as many as the client allowed when libcurl followed them: no real answer needs more.
constexpr int maximumRedirects = 10;

// Where a URL leads, as libcurl reads it.
struct Address {
    std::string scheme; // lower case
    std::string host;
    std::string port; // the scheme's own when the URL names none
};

struct Running {
    uint64_t id = 0;
    HTTPTransferEngine::Transfer transfer; // the current hop's URL, method, fields and body
    HTTPTransferEngine::Completion completion;
    Address origin; // the first hop's: the caller's fields were meant for it alone
    int redirects = 0;
    std::optional<std::string> pins; // of every pinned host on the way so far
    CurlList headerList; // before the handle, which reads it until it is cleaned up
    CurlEasy easy;
    NSData body;
    bool bodyTooLong = false;
    std::vector<std::pair<std::string, std::string>> responseHeaders;
    char errorBuffer[CURL_ERROR_SIZE] = {};
};

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

size_t writeBody(char* data, size_t size, size_t count, void* context)
{
    auto* running = static_cast<Running*>(context);
    const size_t length = size * count;
    // libcurl hands over the body already decoded, so this bounds what a compressed answer
    // unpacks to, not only what travels.
    if (length > HTTPTransferEngine::maximumBodyLength - running->body.size()) {
        running->bodyTooLong = true;
        return CURL_WRITEFUNC_ERROR;
    }
    running->body.insert(running->body.end(), data, data + length);
    return length;
}

size_t readHeaderLine(char* data, size_t size, size_t count, void* context)
{
    auto* running = static_cast<Running*>(context);
    const std::string line(data, size * count);
    // A status line starts the header block of a new answer (after an interim answer): only
    // the last answer's fields count.
    if (line.rfind("HTTP/", 0) == 0) {
        running->responseHeaders.clear();
        return size * count;
    }
    const auto colon = line.find(':');
    if (colon == std::string::npos || colon == 0)
        return size * count;
    const std::string name = trimmed(line.substr(0, colon));
    const std::string value = trimmed(line.substr(colon + 1));
    for (auto& [existing, existingValue] : running->responseHeaders) {
        if (strcasecmp(existing.c_str(), name.c_str()) == 0) {
            existingValue += ", " + value;
            return size * count;
        }
    }
    running->responseHeaders.emplace_back(name, value);
    return size * count;
}

CURLcode addTrustedAuthorities(CURL*, void* sslContext, void*)
{
    HTTPTrust::addTrustedCertificateAuthoritiesToStore(SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext)));
    return CURLE_OK;
}

std::shared_ptr<NSError> makeError(long code, const std::string& description, const std::string& detail, const std::string& URL)
{
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = description;
    if (!detail.empty())
        userInfo[NSLocalizedFailureReasonErrorKey] = detail;
    userInfo[NSURLErrorFailingURLStringErrorKey] = URL;
    return NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, code, std::move(userInfo));
}

// Checks the URL as libcurl will read it; fills where it leads.
std::shared_ptr<NSError> checkURL(const std::string& URL, Address& address)
{
    const CurlURL parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, URL.c_str(), 0) != CURLUE_OK)
        return HTTPTransferEngine::errorForCurlCode(CURLE_URL_MALFORMAT, "", URL);
    const auto part = [&](CURLUPart which, unsigned flags, std::string& into) {
        char* text = nullptr;
        const CURLUcode result = curl_url_get(parsed.get(), which, &text, flags);
        const CurlText owned(text);
        if (result != CURLUE_OK || !owned)
            return false;
        into = owned.get();
        return true;
    };
    if (!part(CURLUPART_SCHEME, 0, address.scheme) || !part(CURLUPART_HOST, 0, address.host) ||
        !part(CURLUPART_PORT, CURLU_DEFAULT_PORT, address.port))
        return HTTPTransferEngine::errorForCurlCode(CURLE_URL_MALFORMAT, "", URL);
    for (auto& c : address.scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (address.scheme != "https" && address.scheme != "http")
        return HTTPTransferEngine::errorForCurlCode(CURLE_UNSUPPORTED_PROTOCOL, "", URL);
    return nullptr;
}

bool sameHost(const Address& a, const Address& b) { return strcasecmp(a.host.c_str(), b.host.c_str()) == 0 && a.port == b.port; }

std::set<std::string> pinEntries(const std::string& pins)
{
    std::set<std::string> entries;
    for (size_t start = 0; start <= pins.size();) {
        const size_t end = std::min(pins.find(';', start), pins.size());
        if (end > start)
            entries.insert(pins.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

// The pins a hop must meet: those of the pinned hosts it came through and its own host's, as one
// list for libcurl. Empty when no key can meet them all.
std::optional<std::string> pinsMeetingBoth(const std::optional<std::string>& earlier, const std::optional<std::string>& own)
{
    if (!earlier || !own)
        return earlier ? earlier : own;
    const auto allowed = pinEntries(*earlier);
    std::string both;
    for (const auto& pin : pinEntries(*own)) {
        if (allowed.count(pin))
            both += (both.empty() ? "" : ";") + pin;
    }
    return both;
}

bool isRedirect(long status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

} // namespace

struct HTTPTransferEngine::Impl {
    CurlMulti multi;
    std::mutex mutex;
    std::deque<std::unique_ptr<Running>> starts;
    std::deque<uint64_t> cancels;
    uint64_t nextID = 1;
    std::map<uint64_t, std::unique_ptr<Running>> running; // worker thread only
    std::atomic<bool> stopping{false};
    std::thread worker;

    void work();
    void takeCommands();
    void begin(std::unique_ptr<Running> started);
    void finish(std::unique_ptr<Running> transfer, CURLcode result);
    void follow(std::unique_ptr<Running> transfer, long status, std::string location);
    static void fail(std::unique_ptr<Running> transfer, std::shared_ptr<NSError> error);
};

HTTPTransferEngine& HTTPTransferEngine::shared()
{
    static HTTPTransferEngine* engine = new HTTPTransferEngine; // never destroyed: see m_impl
    // Made after the engine (and so after the main queue and every global the worker reads, all
    // of which exist before it), destroyed before them: the worker is gone before they are.
    static struct StopAtExit {
        ~StopAtExit() { engine->stop(); }
    } stopAtExit;
    return *engine;
}

HTTPTransferEngine::HTTPTransferEngine() : m_impl(new Impl)
{
    // Both must outlive the worker, which hands completions to them: made first, they go last.
    dispatch_get_main_queue();
    NSRunLoop::mainRunLoop();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_impl->multi.reset(curl_multi_init());
    m_impl->worker = std::thread([impl = m_impl] { impl->work(); });
}

void HTTPTransferEngine::stop()
{
    m_impl->stopping = true;
    curl_multi_wakeup(m_impl->multi.get());
    if (!m_impl->worker.joinable())
        return;
    if (m_impl->worker.get_id() == std::this_thread::get_id())
        m_impl->worker.detach();
    else
        m_impl->worker.join();
}

uint64_t HTTPTransferEngine::start(Transfer transfer, Completion completion)
{
    auto running = std::make_unique<Running>();
    running->transfer = std::move(transfer);
    running->completion = std::move(completion);
    uint64_t id;
    {
        std::lock_guard lock(m_impl->mutex);
        id = m_impl->nextID++;
        running->id = id;
        m_impl->starts.push_back(std::move(running));
    }
    curl_multi_wakeup(m_impl->multi.get());
    return id;
}

void HTTPTransferEngine::cancel(uint64_t transferID)
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->cancels.push_back(transferID);
    }
    curl_multi_wakeup(m_impl->multi.get());
}

void HTTPTransferEngine::Impl::work()
{
    while (!stopping) {
        takeCommands();
        int stillRunning = 0;
        curl_multi_perform(multi.get(), &stillRunning);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* easy = message->easy_handle;
            const CURLcode result = message->data.result;
            Running* context = nullptr;
            curl_easy_getinfo(easy, CURLINFO_PRIVATE, &context);
            auto it = context ? running.find(context->id) : running.end();
            curl_multi_remove_handle(multi.get(), easy);
            if (it == running.end())
                continue;
            auto transfer = std::move(it->second);
            running.erase(it);
            finish(std::move(transfer), result);
        }
        if (!stopping)
            curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
}

void HTTPTransferEngine::Impl::takeCommands()
{
    std::deque<std::unique_ptr<Running>> newTransfers;
    std::deque<uint64_t> cancelled;
    {
        std::lock_guard lock(mutex);
        newTransfers.swap(starts);
        cancelled.swap(cancels);
    }
    for (auto& transfer : newTransfers)
        begin(std::move(transfer));
    for (uint64_t id : cancelled) {
        auto it = running.find(id);
        if (it == running.end())
            continue; // finished already
        auto transfer = std::move(it->second);
        running.erase(it);
        curl_multi_remove_handle(multi.get(), transfer->easy.get());
        const std::string URL = transfer->transfer.URL;
        fail(std::move(transfer), HTTPTransferEngine::cancelledError(URL));
    }
}

void HTTPTransferEngine::Impl::begin(std::unique_ptr<Running> started)
{
    auto& transfer = started->transfer;
    Address address;
    if (auto error = checkURL(transfer.URL, address))
        return fail(std::move(started), error);
    if (started->redirects == 0) {
        started->origin = address;
    } else {
        // In clear text the next request could be read and answered by anyone on the way, and
        // that answer would pass for the first host's.
        if (address.scheme != "https")
            return fail(std::move(started),
                        makeError(NSURLErrorAppTransportSecurityRequiresSecureConnection,
                                  "A redirect to a connection that is not secure was refused.", "", transfer.URL));
        // The caller's fields (a client secret among them) were meant for the first host; once
        // the transfer leaves it they stay behind, for the rest of the way. Only what describes
        // a body that goes along goes with it.
        if (!sameHost(address, started->origin))
            std::erase_if(transfer.headers, [](const auto& field) { return strcasecmp(field.first.c_str(), "Content-Type") != 0; });
    }
    // A redirect does not shed a pinned host's pins: every later hop must meet them as well as
    // its own host's.
    started->pins = pinsMeetingBoth(started->pins, HTTPTrust::pinnedPublicKeysForHost(address.host));
    if (started->pins && started->pins->empty())
        return fail(std::move(started),
                    makeError(NSURLErrorServerCertificateUntrusted, "The certificate for this server is invalid.",
                              "no key meets the pins of every host on the way", transfer.URL));

    // Each hop starts from a new handle: nothing of the last one's answer or options is left.
    started->easy.reset();
    started->headerList.reset();
    started->body.clear();
    started->bodyTooLong = false;
    started->responseHeaders.clear();
    started->errorBuffer[0] = '\0';
    started->easy.reset(curl_easy_init());
    CURL* easy = started->easy.get();
    if (!easy)
        return fail(std::move(started), HTTPTransferEngine::errorForCurlCode(CURLE_OUT_OF_MEMORY, "", transfer.URL));

    curl_easy_setopt(easy, CURLOPT_URL, transfer.URL.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, started.get());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed in follow(), hop by hop, so that each hop gets its own pins and
    // fields: libcurl would keep the first hop's.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, started->errorBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, started.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, readHeaderLine);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, started.get());

    // The time-out counts time without progress, as a request's time-out does: connecting,
    // or waiting for the next bytes of the answer.
    const double timeout = transfer.timeoutInterval > 0 ? transfer.timeoutInterval : 60.0;
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::ceil(timeout * 1000)));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(std::ceil(timeout))));

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, transfer.verifyPeer ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, transfer.verifyHost ? 2L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, addTrustedAuthorities);
    if (started->pins)
        curl_easy_setopt(easy, CURLOPT_PINNEDPUBLICKEY, started->pins->c_str());

    bool hasContentType = false;
    bool hasExpect = false;
    for (const auto& [name, value] : transfer.headers) {
        // "Name;" is how libcurl sends a field with an empty value.
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        appendTo(started->headerList, line.c_str());
        hasContentType = hasContentType || strcasecmp(name.c_str(), "Content-Type") == 0;
        hasExpect = hasExpect || strcasecmp(name.c_str(), "Expect") == 0;
    }
    // No "Expect: 100-continue" round trip before a larger body.
    if (!hasExpect)
        appendTo(started->headerList, "Expect:");

    static const char noBytes[] = "";
    const bool sendsBody = transfer.method != "GET" && transfer.method != "HEAD";
    if (transfer.method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (transfer.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        if (transfer.method == "POST")
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
        else
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
        const bool hasBytes = transfer.body && !transfer.body->empty();
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(hasBytes ? transfer.body->size() : 0));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, hasBytes ? reinterpret_cast<const char*>(transfer.body->data()) : noBytes);
    }
    // libcurl would label a body as a form; the request says what it sends, or nothing.
    if (sendsBody && !hasContentType)
        appendTo(started->headerList, "Content-Type:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, started->headerList.get());

    if (curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        return fail(std::move(started), HTTPTransferEngine::errorForCurlCode(CURLE_FAILED_INIT, "", transfer.URL));
    const uint64_t id = started->id;
    running.emplace(id, std::move(started));
}

void HTTPTransferEngine::Impl::finish(std::unique_ptr<Running> transfer, CURLcode result)
{
    if (result == CURLE_OK) {
        long status = 0;
        char* location = nullptr; // the Location field made absolute; owned by the handle
        curl_easy_getinfo(transfer->easy.get(), CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(transfer->easy.get(), CURLINFO_REDIRECT_URL, &location);
        if (isRedirect(status) && location)
            return follow(std::move(transfer), status, location);
    }
    Outcome outcome;
    if (result == CURLE_WRITE_ERROR && transfer->bodyTooLong) {
        outcome.error = makeError(NSURLErrorDataLengthExceedsMaximum, "The resource exceeds the maximum size.",
                                  "the decoded answer is longer than " + std::to_string(HTTPTransferEngine::maximumBodyLength) + " bytes",
                                  transfer->transfer.URL);
    } else if (result != CURLE_OK) {
        const std::string detail = transfer->errorBuffer[0] ? transfer->errorBuffer : curl_easy_strerror(result);
        outcome.error = HTTPTransferEngine::errorForCurlCode(result, detail, transfer->transfer.URL);
    } else {
        long status = 0;
        char* effectiveURL = nullptr;
        curl_easy_getinfo(transfer->easy.get(), CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(transfer->easy.get(), CURLINFO_EFFECTIVE_URL, &effectiveURL);
        std::map<std::string, std::string> headers(transfer->responseHeaders.begin(), transfer->responseHeaders.end());
        outcome.response = std::make_shared<NSHTTPURLResponse>(status, std::move(headers),
                                                               effectiveURL ? std::string(effectiveURL) : transfer->transfer.URL);
        outcome.body = std::move(transfer->body);
    }
    auto completion = std::move(transfer->completion);
    transfer.reset();
    if (completion)
        completion(std::move(outcome));
}

void HTTPTransferEngine::Impl::follow(std::unique_ptr<Running> transfer, long status, std::string location)
{
    if (++transfer->redirects > maximumRedirects)
        return fail(std::move(transfer), HTTPTransferEngine::errorForCurlCode(CURLE_TOO_MANY_REDIRECTS, "", location));
    auto& next = transfer->transfer;
    // As libcurl and browsers do: a 303 fetches the new place; a 301 or 302 turns a POST into a
    // fetch; 307 and 308 repeat the request as it was.
    if ((status == 303 && next.method != "HEAD") || ((status == 301 || status == 302) && next.method == "POST")) {
        next.method = "GET";
        next.body.reset();
        std::erase_if(next.headers, [](const auto& field) { return strcasecmp(field.first.c_str(), "Content-Type") == 0; });
    }
    next.URL = std::move(location);
    begin(std::move(transfer));
}

void HTTPTransferEngine::Impl::fail(std::unique_ptr<Running> transfer, std::shared_ptr<NSError> error)
{
    auto completion = std::move(transfer->completion);
    transfer.reset();
    Outcome outcome;
    outcome.error = std::move(error);
    if (completion)
        completion(std::move(outcome));
}

std::shared_ptr<NSError> HTTPTransferEngine::cancelledError(const std::string& URL)
{
    return makeError(NSURLErrorCancelled, "cancelled", "", URL);
}

std::shared_ptr<NSError> HTTPTransferEngine::errorForCurlCode(int curlCode, const std::string& detail, const std::string& URL)
{
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_URL_MALFORMAT:
        return makeError(NSURLErrorBadURL, "bad URL", detail, URL);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return makeError(NSURLErrorUnsupportedURL, "unsupported URL", detail, URL);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return makeError(NSURLErrorCannotFindHost, "A server with the specified hostname could not be found.", detail, URL);
    case CURLE_COULDNT_CONNECT:
        return makeError(NSURLErrorCannotConnectToHost, "Could not connect to the server.", detail, URL);
    case CURLE_OPERATION_TIMEDOUT:
        return makeError(NSURLErrorTimedOut, "The request timed out.", detail, URL);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return makeError(NSURLErrorServerCertificateUntrusted, "The certificate for this server is invalid.", detail, URL);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CLIENTCERT:
        return makeError(NSURLErrorSecureConnectionFailed,
                         "An SSL error has occurred and a secure connection to the server cannot be made.", detail, URL);
    case CURLE_TOO_MANY_REDIRECTS:
        return makeError(NSURLErrorHTTPTooManyRedirects, "too many HTTP redirects", detail, URL);
    case CURLE_WEIRD_SERVER_REPLY:
        return makeError(NSURLErrorBadServerResponse, "bad server response", detail, URL);
    case CURLE_BAD_CONTENT_ENCODING:
        return makeError(NSURLErrorCannotDecodeContentData, "cannot decode raw data", detail, URL);
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return makeError(NSURLErrorNetworkConnectionLost, "The network connection was lost.", detail, URL);
    default:
        return makeError(NSURLErrorUnknown, "An unknown error occurred.", detail, URL);
    }
}
