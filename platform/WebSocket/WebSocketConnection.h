#pragma once
// Internal to the WebSocket layer: one WebSocket connection on the process's network thread.
// WebSocket (main thread) owns one and turns its events into delegate calls on the main queue.
//
// The WebSocket library underneath does not build as C++20, so this header holds only plain
// standard types and its source is compiled as C++17; nothing of that library leaks out.
//
// Threads: one network thread for the whole process, started with the first connection and
// joined when the process exits: connections still open are closed (1001) first, and after a
// grace of 2 s whatever is still connecting is dropped. The events below run on that thread.
// Calls on a connection may come from any thread; they are handed to the network thread.
// Releasing a connection detaches it and closes it (1001).
#include <functional>
#include <memory>
#include <string>

class WebSocketConnection {
public:
    // Why a connection could not be opened.
    enum class FailureKind {
        BadURL,              // not a URL a WebSocket can open
        UnsupportedURL,      // a scheme other than ws, wss, http, https
        CannotFindHost,      // the name did not resolve
        CannotConnect,       // refused or unreachable
        TimedOut,            // connecting, the TLS handshake or the opening handshake took too long
        CertificateUntrusted,// the certificate chain, host name or public-key pin did not verify
        SecureConnectionFailed, // any other TLS failure
        BadServerResponse,   // the server answered the opening handshake with something else than 101
        ConnectionLost,      // the connection ended during the opening handshake
        Unknown,
    };
    struct Failure {
        FailureKind kind = FailureKind::Unknown;
        std::string detail;  // what went wrong, in the underlying library's words
        int statusCode = 0;  // BadServerResponse: the HTTP status of the answer
    };

    struct Events {
        std::function<void()> opened;
        std::function<void(std::string text)> textMessage;
        std::function<void(std::string bytes)> dataMessage;
        std::function<void(std::string payload)> pong;
        // `hasReason` false when the close frame carried no text (or none came).
        std::function<void(int code, std::string reason, bool hasReason, bool wasClean)> closed;
        std::function<void(Failure failure)> failed;
    };

    // Starts connecting to the URL: https and wss securely, http and ws plainly. Exactly one of
    // `failed` or `opened` follows (and after `opened`, exactly one `closed`), unless the
    // connection is detached first. A URL that cannot be used fails through `failed` too.
    static std::shared_ptr<WebSocketConnection> connect(const std::string& URL, Events events);

    ~WebSocketConnection();
    WebSocketConnection(const WebSocketConnection&) = delete;
    WebSocketConnection& operator=(const WebSocketConnection&) = delete;

    // Queues a text message; false when the text is not valid UTF-8.
    bool sendText(std::string text);
    // Closes with this code and reason: at once when open, as soon as it opens when connecting.
    void close(int code, std::string reason);
    // No event runs once this returns (an event running on the network thread at that moment
    // finishes first).
    void detach();

    struct Link;

private:
    explicit WebSocketConnection(std::shared_ptr<Link> link);
    std::shared_ptr<Link> m_link;
};
