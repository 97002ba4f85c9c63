#pragma once
// What a WebSocket tells its owner: opened, a message (text or bytes), a pong, closed, failed.
// Every operation is optional (an empty default) and is called on the main thread, from the
// main queue, with the socket that reports it. A socket holds its delegate weakly, and never
// calls it once the socket itself is gone.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"

class WebSocket;

class WebSocketDelegate {
public:
    virtual ~WebSocketDelegate() = default;

    // The opening handshake succeeded; the ready state is now Open.
    virtual void webSocketDidOpen(const std::shared_ptr<WebSocket>& webSocket) {}
    // A text message, as it came.
    virtual void webSocket_didReceiveMessage(const std::shared_ptr<WebSocket>& webSocket, const std::string& message) {}
    // A binary message.
    virtual void webSocket_didReceiveMessageWithData(const std::shared_ptr<WebSocket>& webSocket, const NSData& data) {}
    // A pong frame, with its payload bytes (empty when it had none).
    virtual void webSocket_didReceivePong(const std::shared_ptr<WebSocket>& webSocket, const NSData& pongPayload) {}
    // The connection ended after it had opened (or after close() on a socket that then opened).
    // `code` is the peer's close code: 1005 when its close frame had none, 1006 when no close
    // frame came at all (a dropped connection). `reason` is nil when the frame carried no text.
    // `wasClean` is true when the closing handshake completed.
    virtual void webSocket_didCloseWithCode_reason_wasClean(const std::shared_ptr<WebSocket>& webSocket, long code,
                                                            const std::optional<std::string>& reason, bool wasClean)
    {
    }
    // The connection could not be made (bad URL, no such host, refused, TLS trust or pin check,
    // a handshake the server refused, time-out). The error is in NSURLErrorDomain with a
    // readable description, the failure's detail under NSLocalizedFailureReasonErrorKey and the
    // URL under NSURLErrorFailingURLStringErrorKey.
    virtual void webSocket_didFailWithError(const std::shared_ptr<WebSocket>& webSocket, const std::shared_ptr<NSError>& error) {}
};
