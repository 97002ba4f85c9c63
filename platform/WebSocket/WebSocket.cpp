#include "WebSocket/WebSocket.h"

#include <functional>
#include <utility>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/NSURLError.h"
#include "WebSocket/WebSocketConnection.h"

namespace {

std::shared_ptr<NSError> errorForFailure(const WebSocketConnection::Failure& failure, const std::string& URL)
{
    using Kind = WebSocketConnection::FailureKind;
    long code = NSURLErrorUnknown;
    std::string description = "An unknown error occurred.";
    switch (failure.kind) {
    case Kind::BadURL:
        code = NSURLErrorBadURL;
        description = "bad URL";
        break;
    case Kind::UnsupportedURL:
        code = NSURLErrorUnsupportedURL;
        description = "unsupported URL";
        break;
    case Kind::CannotFindHost:
        code = NSURLErrorCannotFindHost;
        description = "A server with the specified hostname could not be found.";
        break;
    case Kind::CannotConnect:
        code = NSURLErrorCannotConnectToHost;
        description = "Could not connect to the server.";
        break;
    case Kind::TimedOut:
        code = NSURLErrorTimedOut;
        description = "The request timed out.";
        break;
    case Kind::CertificateUntrusted:
        code = NSURLErrorServerCertificateUntrusted;
        description = "The certificate for this server is invalid.";
        break;
    case Kind::SecureConnectionFailed:
        code = NSURLErrorSecureConnectionFailed;
        description = "An SSL error has occurred and a secure connection to the server cannot be made.";
        break;
    case Kind::BadServerResponse:
        code = NSURLErrorBadServerResponse;
        description = "The server answered the WebSocket handshake with HTTP status " + std::to_string(failure.statusCode) + ".";
        break;
    case Kind::ConnectionLost:
        code = NSURLErrorNetworkConnectionLost;
        description = "The network connection was lost.";
        break;
    case Kind::Unknown:
        break;
    }
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = description;
    if (!failure.detail.empty())
        userInfo[NSLocalizedFailureReasonErrorKey] = failure.detail;
    userInfo[NSURLErrorFailingURLStringErrorKey] = URL;
    return NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, code, std::move(userInfo));
}

} // namespace

WebSocket::WebSocket() = default;

// Releasing the connection closes it (1001) and silences its events.
WebSocket::~WebSocket() = default;

void WebSocket::initWithURL(const std::string& URL) { m_URL = URL; }

void WebSocket::open()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_openCalled)
        return;
    m_openCalled = true;
    if (m_readyState != WebSocketReadyStateConnecting)
        return;
    // The network thread hands every event to the main queue, so the queue and its run loop
    // must be made before the network thread and outlive it.
    dispatch_get_main_queue();
    NSRunLoop::mainRunLoop();

    const std::weak_ptr<WebSocket> weak = weak_from_this();
    const std::string URL = m_URL;
    WebSocketConnection::Events events;
    events.opened = kvn::bindToMainQueue(weak, [](WebSocket& socket) { socket.connectionDidOpen(); });
    events.textMessage = kvn::bindToMainQueue(weak, [](WebSocket& socket, const std::string& text) { socket.connectionDidReceiveText(text); });
    events.dataMessage = kvn::bindToMainQueue(
        weak, [](WebSocket& socket, const std::string& bytes) { socket.connectionDidReceiveData(NSDataFromString(bytes)); });
    events.pong = kvn::bindToMainQueue(
        weak, [](WebSocket& socket, const std::string& payload) { socket.connectionDidReceivePong(NSDataFromString(payload)); });
    events.closed = kvn::bindToMainQueue(weak, [](WebSocket& socket, int code, std::string reason, bool hasReason, bool wasClean) {
        std::optional<std::string> text;
        if (hasReason)
            text = std::move(reason);
        socket.connectionDidClose(code, text, wasClean);
    });
    events.failed = kvn::bindToMainQueue(weak, [URL](WebSocket& socket, const WebSocketConnection::Failure& failure) {
        socket.connectionDidFail(errorForFailure(failure, URL));
    });
    m_connection = WebSocketConnection::connect(m_URL, std::move(events));
}

void WebSocket::close() { closeWithCode_reason(1000, ""); }

void WebSocket::closeWithCode_reason(long code, const std::string& reason)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_readyState == WebSocketReadyStateClosing || m_readyState == WebSocketReadyStateClosed)
        return;
    if (!m_connection) {
        m_readyState = WebSocketReadyStateClosed;
        return;
    }
    m_readyState = WebSocketReadyStateClosing;
    m_connection->close(static_cast<int>(code), reason);
}

bool WebSocket::send(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_readyState != WebSocketReadyStateOpen || !m_connection)
        return false;
    return m_connection->sendText(text);
}

void WebSocket::connectionDidOpen()
{
    // A socket closed while it was connecting never reports the opening.
    if (m_readyState != WebSocketReadyStateConnecting)
        return;
    m_readyState = WebSocketReadyStateOpen;
    m_didOpen = true;
    if (auto delegate = m_delegate.lock())
        delegate->webSocketDidOpen(shared_from_this());
}

void WebSocket::connectionDidReceiveText(const std::string& text)
{
    if (!m_didOpen || m_readyState == WebSocketReadyStateClosed)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->webSocket_didReceiveMessage(shared_from_this(), text);
}

void WebSocket::connectionDidReceiveData(const NSData& data)
{
    if (!m_didOpen || m_readyState == WebSocketReadyStateClosed)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->webSocket_didReceiveMessageWithData(shared_from_this(), data);
}

void WebSocket::connectionDidReceivePong(const NSData& payload)
{
    if (!m_didOpen || m_readyState == WebSocketReadyStateClosed)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->webSocket_didReceivePong(shared_from_this(), payload);
}

void WebSocket::connectionDidClose(long code, const std::optional<std::string>& reason, bool wasClean)
{
    if (m_readyState == WebSocketReadyStateClosed)
        return;
    m_readyState = WebSocketReadyStateClosed;
    if (auto delegate = m_delegate.lock())
        delegate->webSocket_didCloseWithCode_reason_wasClean(shared_from_this(), code, reason, wasClean);
}

void WebSocket::connectionDidFail(const std::shared_ptr<NSError>& error)
{
    if (m_readyState == WebSocketReadyStateClosed)
        return;
    m_readyState = WebSocketReadyStateClosed;
    if (auto delegate = m_delegate.lock())
        delegate->webSocket_didFailWithError(shared_from_this(), error);
}
