// Built as C++17 (see CMakeLists.txt): the WebSocket library does not build as C++20.
// Its error codes are Boost's, so that failures keep the socket's own error (refused, no such
// host, ...) instead of a catch-all.
#define _WEBSOCKETPP_NO_CPP11_SYSTEM_ERROR_

#include "WebSocket/WebSocketConnection.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <openssl/ssl.h>
#include <websocketpp/client.hpp>
#include <websocketpp/close.hpp>
#include <websocketpp/config/asio_client.hpp>
#include <websocketpp/config/asio_no_tls_client.hpp>
#include <websocketpp/uri.hpp>
#include <websocketpp/utf8_validator.hpp>

#include "Network/HTTPTrust.h"
#include "WebSocket/WebSocketTLS.h"

using PlainClient = websocketpp::client<websocketpp::config::asio_client>;
using SecureClient = websocketpp::client<websocketpp::config::asio_tls_client>;
using FailureKind = WebSocketConnection::FailureKind;

// What a connection's handlers share with its owner. The handlers keep it alive for as long
// as the connection exists; the owner may let go of it at any time.
struct WebSocketConnection::Link {
    std::string URL;

    // Any thread; held while an event runs, so that detach() waits for a running one.
    std::mutex eventsMutex;
    Events events;

    // Network thread only.
    websocketpp::connection_hdl handle;
    bool secure = false;
    bool opened = false;
    bool closing = false;
    bool finished = false; // the close or failure has been reported
    bool closeRequested = false;
    int closeCode = 1000;
    std::string closeReason;
    std::string host;
    std::optional<std::string> pins;
    bool hostCheckReady = true;
    std::string certificateFailure; // why the certificate was refused, when it was

    template <class Call>
    void emit(Call call)
    {
        std::lock_guard lock(eventsMutex);
        call(events);
    }
};

using Link = WebSocketConnection::Link;

namespace {

// Set once the network is gone (process exit): later calls do nothing.
std::atomic<bool> g_networkGone{false};

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

template <class Connection>
void fillFailure(WebSocketConnection::Failure& failure, const Connection& connection)
{
    namespace asio_error = boost::asio::error;
    namespace socket_error = websocketpp::transport::asio::socket;
    const websocketpp::lib::error_code ec = connection->get_ec();
    failure.detail = ec.message();

    if (ec == websocketpp::processor::error::invalid_http_status ||
        (connection->get_response_code() != 0 && connection->get_response_code() != websocketpp::http::status_code::switching_protocols)) {
        failure.kind = FailureKind::BadServerResponse;
        failure.statusCode = static_cast<int>(connection->get_response_code());
        return;
    }
    if (ec == asio_error::connection_refused || ec == asio_error::network_unreachable || ec == asio_error::host_unreachable ||
        ec == asio_error::network_down) {
        failure.kind = FailureKind::CannotConnect;
    } else if (ec == asio_error::host_not_found || ec == asio_error::host_not_found_try_again || ec == asio_error::no_data ||
               ec == asio_error::no_recovery) {
        failure.kind = FailureKind::CannotFindHost;
    } else if (ec == asio_error::timed_out || ec == websocketpp::transport::error::timeout ||
               ec == websocketpp::error::open_handshake_timeout ||
               ec == socket_error::make_error_code(socket_error::error::tls_handshake_timeout)) {
        failure.kind = FailureKind::TimedOut;
    } else if (ec.category() == asio_error::get_ssl_category() || ec == websocketpp::transport::error::tls_error ||
               ec == socket_error::make_error_code(socket_error::error::tls_handshake_failed) ||
               ec == socket_error::make_error_code(socket_error::error::tls_failed_sni_hostname) ||
               ec == socket_error::make_error_code(socket_error::error::invalid_tls_context)) {
        failure.kind = FailureKind::SecureConnectionFailed;
    } else if (ec == asio_error::eof || ec == asio_error::connection_reset || ec == asio_error::broken_pipe ||
               ec == websocketpp::transport::error::eof || ec == websocketpp::error::http_connection_ended) {
        failure.kind = FailureKind::ConnectionLost;
    } else {
        failure.kind = FailureKind::Unknown;
    }
}

// The process's network thread and the two client endpoints (plain and TLS) that run on it.
class Network {
public:
    static Network& shared()
    {
        static Network network;
        return network;
    }

    // Runs `work` on the network thread; nothing when the network is gone.
    static void post(std::function<void()> work)
    {
        if (g_networkGone.load())
            return;
        boost::asio::post(shared().m_io, std::move(work));
    }

    void start(const std::shared_ptr<Link>& link)
    {
        const std::string URL = link->URL;
        const auto schemeEnd = URL.find("://");
        if (schemeEnd == std::string::npos || schemeEnd == 0)
            return fail(link, FailureKind::BadURL, "not an absolute URL");
        const std::string scheme = lowercased(URL.substr(0, schemeEnd));
        const std::string rest = URL.substr(schemeEnd + 3);
        if (scheme == "https" || scheme == "wss")
            link->secure = true;
        else if (scheme != "http" && scheme != "ws")
            return fail(link, FailureKind::UnsupportedURL, "the scheme \"" + scheme + "\" is not a WebSocket scheme");
        const std::string address = (link->secure ? "wss://" : "ws://") + rest;
        const websocketpp::uri parsed(address);
        if (!parsed.get_valid() || parsed.get_host().empty())
            return fail(link, FailureKind::BadURL, "the URL cannot be read");
        link->host = parsed.get_host();
        m_links.push_back(link);
        if (link->secure) {
            link->pins = HTTPTrust::pinnedPublicKeysForHost(link->host);
            open(m_secure, link, address);
        } else {
            open(m_plain, link, address);
        }
    }

    void send(const std::shared_ptr<Link>& link, const std::string& text)
    {
        if (!link->opened || link->closing || link->finished)
            return;
        websocketpp::lib::error_code ec;
        if (link->secure)
            m_secure.send(link->handle, text, websocketpp::frame::opcode::text, ec);
        else
            m_plain.send(link->handle, text, websocketpp::frame::opcode::text, ec);
    }

    void close(const std::shared_ptr<Link>& link, int code, const std::string& reason)
    {
        if (link->finished || link->closing)
            return;
        const auto status = static_cast<websocketpp::close::status::value>(code);
        const bool sendable = code >= 1000 && code <= 4999 && !websocketpp::close::status::invalid(status) &&
                              !websocketpp::close::status::reserved(status);
        if (!link->opened) {
            // Nothing to close yet: close as soon as it opens (or let it fail).
            link->closeRequested = true;
            link->closeCode = sendable ? code : 1000;
            link->closeReason = reason;
            return;
        }
        link->closing = true;
        websocketpp::lib::error_code ec;
        const auto sent = sendable ? status : websocketpp::close::status::normal;
        // The peer fails a close frame whose reason is not UTF-8: keep the longest beginning of
        // the reason that fits a frame and is whole UTF-8.
        std::string text = reason.substr(0, websocketpp::frame::limits::close_reason_size);
        while (!text.empty() && !websocketpp::utf8_validator::validate(text))
            text.pop_back();
        if (link->secure)
            m_secure.close(link->handle, sent, text, ec);
        else
            m_plain.close(link->handle, sent, text, ec);
    }

private:
    Network() : m_work(boost::asio::make_work_guard(m_io))
    {
        // OpenSSL cleans up at exit; initialised first, it does so only after this network is gone.
        OPENSSL_init_ssl(0, nullptr);
        setUp(m_plain);
        setUp(m_secure);
        setUpTLS();
        m_thread = std::thread([this] { run(); });
    }

    ~Network()
    {
        // Close what is still open; the thread ends once every connection has. A connection
        // still connecting only closes once it opens or times out, so after a short grace the
        // loop is stopped and what is left is freed with it.
        boost::asio::post(m_io, [this] {
            for (const auto& weak : m_links) {
                if (auto link = weak.lock()) {
                    {
                        std::lock_guard lock(link->eventsMutex);
                        link->events = {};
                    }
                    close(link, websocketpp::close::status::going_away, "");
                }
            }
        });
        m_work.reset();
        {
            std::unique_lock lock(m_runMutex);
            if (!m_stopped.wait_for(lock, std::chrono::seconds(2), [this] { return m_ran; }))
                m_io.stop();
        }
        m_thread.join();
        g_networkGone.store(true);
    }

    template <class Endpoint>
    void setUp(Endpoint& endpoint)
    {
        endpoint.clear_access_channels(websocketpp::log::alevel::all);
        endpoint.clear_error_channels(websocketpp::log::elevel::all);
        websocketpp::lib::error_code ec;
        endpoint.init_asio(&m_io, ec);
    }

    void run()
    {
        for (;;) {
            try {
                m_io.run();
                std::lock_guard lock(m_runMutex);
                m_ran = true;
                m_stopped.notify_all();
                return;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "WebSocket: network thread caught an exception: %s\n", e.what());
            } catch (...) {
                std::fprintf(stderr, "WebSocket: network thread caught an unknown exception\n");
            }
        }
    }

    void fail(const std::shared_ptr<Link>& link, FailureKind kind, const std::string& detail)
    {
        link->finished = true;
        WebSocketConnection::Failure failure;
        failure.kind = kind;
        failure.detail = detail;
        link->emit([&](WebSocketConnection::Events& events) {
            if (events.failed)
                events.failed(failure);
        });
    }

    void forget(const std::shared_ptr<Link>& link)
    {
        m_links.erase(std::remove_if(m_links.begin(), m_links.end(),
                                     [&](const std::weak_ptr<Link>& weak) {
                                         auto other = weak.lock();
                                         return !other || other == link;
                                     }),
                      m_links.end());
    }

    // The TLS endpoint asks for a connection's context and sets its socket up while
    // get_connection runs, before the connection is handed back: m_settingUp names the link.
    void setUpTLS()
    {
        // One context for every secure connection: loading the system's authorities is the
        // costly part. Authorities added to HTTPTrust since are added to it before each use.
        m_secure.set_tls_init_handler([this](websocketpp::connection_hdl) {
            if (!m_context) {
                m_context = std::make_shared<boost::asio::ssl::context>(boost::asio::ssl::context::tls_client);
                m_contextReady = WebSocketTLS::prepareContext(m_context->native_handle());
            } else {
                HTTPTrust::addTrustedCertificateAuthoritiesToStore(SSL_CTX_get_cert_store(m_context->native_handle()));
            }
            if (!m_contextReady && m_settingUp)
                m_settingUp->hostCheckReady = false; // refused below rather than connected unchecked
            return m_context;
        });
        m_secure.set_socket_init_handler([this](websocketpp::connection_hdl, boost::asio::ssl::stream<boost::asio::ip::tcp::socket>& stream) {
            std::shared_ptr<Link> link = m_settingUp;
            if (!link || !WebSocketTLS::prepareConnection(stream.native_handle(), link->host)) {
                if (link)
                    link->hostCheckReady = false;
            }
            stream.set_verify_mode(boost::asio::ssl::verify_peer);
            stream.set_verify_callback([link](bool preverified, boost::asio::ssl::verify_context& context) {
                if (!link)
                    return false;
                if (!link->hostCheckReady) {
                    link->certificateFailure = "the certificate checks could not be set up";
                    return false;
                }
                return WebSocketTLS::verifyCertificate(preverified, context.native_handle(), link->pins, link->certificateFailure);
            });
        });
    }

    template <class Endpoint>
    void open(Endpoint& endpoint, const std::shared_ptr<Link>& link, const std::string& address)
    {
        websocketpp::lib::error_code ec;
        m_settingUp = link;
        auto connection = endpoint.get_connection(address, ec);
        m_settingUp = nullptr;
        if (ec || !connection)
            return fail(link, FailureKind::BadURL, ec.message());
        link->handle = connection->get_handle();

        connection->set_open_handler([this, link](websocketpp::connection_hdl) {
            link->opened = true;
            link->emit([](WebSocketConnection::Events& events) {
                if (events.opened)
                    events.opened();
            });
            if (link->closeRequested)
                close(link, link->closeCode, link->closeReason);
        });
        connection->set_message_handler([link](websocketpp::connection_hdl, typename Endpoint::message_ptr message) {
            const bool text = message->get_opcode() == websocketpp::frame::opcode::text;
            link->emit([&](WebSocketConnection::Events& events) {
                if (text && events.textMessage)
                    events.textMessage(message->get_payload());
                else if (!text && events.dataMessage)
                    events.dataMessage(message->get_payload());
            });
        });
        connection->set_pong_handler([link](websocketpp::connection_hdl, std::string payload) {
            link->emit([&](WebSocketConnection::Events& events) {
                if (events.pong)
                    events.pong(std::move(payload));
            });
        });
        connection->set_close_handler([this, link, &endpoint](websocketpp::connection_hdl handle) {
            websocketpp::lib::error_code ec;
            auto closed = endpoint.get_con_from_hdl(handle, ec);
            int code = websocketpp::close::status::abnormal_close;
            std::string reason;
            bool clean = false;
            if (closed) {
                code = closed->get_remote_close_code();
                reason = closed->get_remote_close_reason();
                // Clean: the peer's close frame came and the connection ended without an error.
                clean = code != websocketpp::close::status::abnormal_close && !closed->get_ec();
            }
            link->finished = true;
            forget(link);
            link->emit([&](WebSocketConnection::Events& events) {
                if (events.closed)
                    events.closed(code, reason, !reason.empty(), clean);
            });
        });
        connection->set_fail_handler([this, link, &endpoint](websocketpp::connection_hdl handle) {
            WebSocketConnection::Failure failure;
            websocketpp::lib::error_code ec;
            if (auto failed = endpoint.get_con_from_hdl(handle, ec))
                fillFailure(failure, failed);
            if (!link->certificateFailure.empty()) {
                failure.kind = FailureKind::CertificateUntrusted;
                failure.detail = link->certificateFailure;
            }
            link->finished = true;
            forget(link);
            link->emit([&](WebSocketConnection::Events& events) {
                if (events.failed)
                    events.failed(failure);
            });
        });

        endpoint.connect(connection);
    }

    boost::asio::io_context m_io;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_work;
    PlainClient m_plain;
    SecureClient m_secure;
    std::vector<std::weak_ptr<Link>> m_links; // network thread only
    std::shared_ptr<Link> m_settingUp;        // network thread only
    std::shared_ptr<boost::asio::ssl::context> m_context; // network thread only
    bool m_contextReady = false;
    std::mutex m_runMutex;
    std::condition_variable m_stopped;
    bool m_ran = false; // the loop ran out of work
    std::thread m_thread;
};

} // namespace

std::shared_ptr<WebSocketConnection> WebSocketConnection::connect(const std::string& URL, Events events)
{
    auto link = std::make_shared<Link>();
    link->URL = URL;
    link->events = std::move(events);
    std::shared_ptr<WebSocketConnection> connection(new WebSocketConnection(link));
    Network::post([link] { Network::shared().start(link); });
    return connection;
}

WebSocketConnection::WebSocketConnection(std::shared_ptr<Link> link) : m_link(std::move(link)) {}

WebSocketConnection::~WebSocketConnection()
{
    detach();
    close(websocketpp::close::status::going_away, "");
}

bool WebSocketConnection::sendText(std::string text)
{
    if (!websocketpp::utf8_validator::validate(text))
        return false;
    Network::post([link = m_link, text = std::move(text)] { Network::shared().send(link, text); });
    return true;
}

void WebSocketConnection::close(int code, std::string reason)
{
    Network::post([link = m_link, code, reason = std::move(reason)] { Network::shared().close(link, code, reason); });
}

void WebSocketConnection::detach()
{
    Events dropped;
    {
        std::lock_guard lock(m_link->eventsMutex);
        dropped = std::move(m_link->events);
        m_link->events = {};
    }
}
