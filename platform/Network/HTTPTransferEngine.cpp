#include "Network/HTTPTransferEngine.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
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

struct Running {
    uint64_t id = 0;
    HTTPTransferEngine::Transfer transfer;
    HTTPTransferEngine::Completion completion;
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
    // A status line starts the header block of a new answer (after an interim answer or a
    // redirect): only the last answer's fields count.
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

// Checks the URL as libcurl will read it; fills the host for the pin look-up.
std::shared_ptr<NSError> checkURL(const std::string& URL, std::string& host)
{
    const CurlURL parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, URL.c_str(), 0) != CURLUE_OK)
        return HTTPTransferEngine::errorForCurlCode(CURLE_URL_MALFORMAT, "", URL);
    char* schemePart = nullptr;
    const CURLUcode schemeResult = curl_url_get(parsed.get(), CURLUPART_SCHEME, &schemePart, 0);
    const CurlText scheme(schemePart);
    char* hostPart = nullptr;
    const CURLUcode hostResult = curl_url_get(parsed.get(), CURLUPART_HOST, &hostPart, 0);
    const CurlText ownedHost(hostPart);
    if (schemeResult != CURLUE_OK || hostResult != CURLUE_OK)
        return HTTPTransferEngine::errorForCurlCode(CURLE_URL_MALFORMAT, "", URL);
    if (strcasecmp(scheme.get(), "https") != 0 && strcasecmp(scheme.get(), "http") != 0)
        return HTTPTransferEngine::errorForCurlCode(CURLE_UNSUPPORTED_PROTOCOL, "", URL);
    host = ownedHost.get();
    return nullptr;
}

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
    const auto& transfer = started->transfer;
    std::string host;
    if (auto error = checkURL(transfer.URL, host))
        return fail(std::move(started), error);
    started->easy.reset(curl_easy_init());
    CURL* easy = started->easy.get();
    if (!easy)
        return fail(std::move(started), HTTPTransferEngine::errorForCurlCode(CURLE_OUT_OF_MEMORY, "", transfer.URL));

    curl_easy_setopt(easy, CURLOPT_URL, transfer.URL.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, started.get());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
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
    if (const auto pins = HTTPTrust::pinnedPublicKeysForHost(host))
        curl_easy_setopt(easy, CURLOPT_PINNEDPUBLICKEY, pins->c_str());

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
