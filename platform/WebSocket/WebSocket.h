#pragma once
// A WebSocket client connection. Made for one URL (https and wss open a secure WebSocket, http
// and ws a plain one), opened once, closed once. It reports to its delegate on the main queue:
// open, messages, pongs, then either a close (after it opened) or a failure (when it could not
// open). Secure connections use the HTTP client's trust: the system's authorities plus the
// extra ones HTTPTrust holds, peer and host name verified, and HTTPTrust's public-key pins for
// the host when it has any.
//
// Use it from the main thread. The network work happens on one network thread shared by every
// socket of the process; nothing of it reaches the delegate except through the main queue.
// Releasing the last reference closes the connection (code 1001) and silences the delegate.
#include <memory>
#include <optional>
#include <string>

#include "WebSocket/WebSocketDelegate.h"

class WebSocketConnection;

enum WebSocketReadyState : long {
    WebSocketReadyStateConnecting = 0,
    WebSocketReadyStateOpen = 1,
    WebSocketReadyStateClosing = 2,
    WebSocketReadyStateClosed = 3,
};

class WebSocket : public std::enable_shared_from_this<WebSocket> {
public:
    WebSocket();
    ~WebSocket();
    WebSocket(const WebSocket&) = delete;
    WebSocket& operator=(const WebSocket&) = delete;

    // Sets the URL; call once, before open(). Make the socket with std::make_shared: it hands
    // its events back to itself through a weak pointer.
    void initWithURL(const std::string& URL);
    const std::string& URL() const { return m_URL; }

    std::shared_ptr<WebSocketDelegate> delegate() const { return m_delegate.lock(); }
    // Held weakly; nullptr (or an empty weak pointer) detaches it.
    void setDelegate(std::weak_ptr<WebSocketDelegate> delegate) { m_delegate = std::move(delegate); }

    // Connecting until the open callback, Open, Closing after close(), Closed after the close
    // or failure callback. Changes only on the main thread, just before the matching callback.
    WebSocketReadyState readyState() const { return m_readyState; }

    // Starts connecting. Only the first call counts. A URL that cannot be used fails through
    // the delegate, like any other failure.
    void open();
    // Starts the closing handshake with 1000 and no reason.
    void close();
    // Starts the closing handshake with this code and reason. The reason is cut to what a close
    // frame holds (123 bytes of whole UTF-8); a code that may not go on the wire (such as 1005,
    // 1006 or anything outside 1000-4999) is sent as 1000.
    // On a socket still connecting, the connection is closed as soon as it opens and only the
    // close (or the failure) is reported, not the opening. Before open() it just marks the
    // socket Closed, with no callback.
    void closeWithCode_reason(long code, const std::string& reason);

    // Queues a text message. False, and nothing sent, unless the socket is open and the text
    // is valid UTF-8.
    bool send(const std::string& text);

private:
    // The connection's events, back on the main thread.
    void connectionDidOpen();
    void connectionDidReceiveText(const std::string& text);
    void connectionDidReceiveData(const NSData& data);
    void connectionDidReceivePong(const NSData& payload);
    void connectionDidClose(long code, const std::optional<std::string>& reason, bool wasClean);
    void connectionDidFail(const std::shared_ptr<NSError>& error);

    std::string m_URL;
    std::weak_ptr<WebSocketDelegate> m_delegate;
    WebSocketReadyState m_readyState = WebSocketReadyStateConnecting;
    bool m_openCalled = false;
    bool m_didOpen = false; // the delegate was told of the opening
    std::shared_ptr<WebSocketConnection> m_connection;
};
