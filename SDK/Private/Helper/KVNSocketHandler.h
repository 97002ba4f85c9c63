#pragma once
// The event channel of a video identification: keeps one connection to the service's channel
// URL open, over a WebSocket or (connection type other than 0) over HTTP long polling, hands
// every message to its delegate (the session driver) and, after a failure or an unclean close,
// reconnects every 2.0 s until the channel opens again or closeConnection ends it (a WebSocket
// handshake still under way is left to open or fail first). A WebSocket closed cleanly with
// 1000 stays closed.
//
// Main thread: every operation, every delegate call, the WebSocket's callbacks, the poll
// answers and the reconnect timer (on the main run loop's clock). Each long poll is set up on
// a thread of its own and handed back to the main queue before it touches the channel.
// Make it with std::make_shared, then initWithDelegate.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSError.h"
#include "WebSocket/WebSocket.h"
#include "WebSocket/WebSocketDelegate.h"

class HTTPResponseObject;
class HTTPSessionManager;
class KVNSocketHandlerDelegate;
class NSHTTPURLResponse;
class NSTimer;
class NSURLRequest;
class NSURLSessionDataTask;

class KVNSocketHandler : public WebSocketDelegate, public std::enable_shared_from_this<KVNSocketHandler> {
public:
    // Seconds between two reconnect attempts while the channel is down.
    static constexpr double reconnectInterval = 2.0;
    // How long a poll may wait for its answer, on the main run loop's clock, before it fails
    // and the channel reconnects. The service holds a poll for at most 30 s and then answers
    // it with a "ping" command, so a poll that stays silent three times as long sits on a dead
    // connection: failing it then brings the channel back within about 1.5 minutes instead of
    // leaving it stalled.
    static constexpr double longPollingRequestTimeout = 90.0;
    // The HTTP client's own time-out for a poll, far beyond the one above, so that a held poll
    // is only ever ended by the channel.
    static constexpr double longPollingTransferTimeout = 60000.0;
    // What the long-polling request appends to the channel URL.
    static constexpr const char* longPollingQuery =
        "?X-Atmosphere-Transport=long-polling&X-Atmosphere-TrackMessageSize=true&X-atmo-protocol=false";

    KVNSocketHandler() = default;
    ~KVNSocketHandler() override;
    KVNSocketHandler(const KVNSocketHandler&) = delete;
    KVNSocketHandler& operator=(const KVNSocketHandler&) = delete;

    // Not connected; PING_SEND and PONG_RECEIVED cleared.
    void initWithDelegate(std::weak_ptr<KVNSocketHandlerDelegate> delegate);

    std::shared_ptr<KVNSocketHandlerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNSocketHandlerDelegate> delegate) { m_delegate = std::move(delegate); }
    // The channel URL (https for both transports); read at every (re)connection.
    const std::optional<std::string>& URL() const { return m_URL; }
    void setURL(std::optional<std::string> URL) { m_URL = std::move(URL); }
    // 0 WebSocket; any other value long polling.
    long connectionType() const { return m_connectionType; }
    void setConnectionType(long connectionType) { m_connectionType = connectionType; }

    // (Re)connects by the current connection type: a new WebSocket in place of the current
    // one (which is detached and closed), or a new poll.
    void reconnectSocket();
    // Stops the timers and ends the connection: the WebSocket is detached and closed, the
    // current poll cancelled and forgotten. Nothing of the ended connection (a late answer,
    // close or failure) reaches the delegate or starts a reconnect afterwards.
    void closeConnection();
    // WebSocket: the connection is open. Long polling: there is a current poll.
    bool isConnected() const;

    // State as it stands, for the owner's diagnostics and for tests.
    const std::shared_ptr<WebSocket>& socket() const { return m_socket; }
    const std::shared_ptr<NSTimer>& reconnectTimer() const { return m_reconnectTimer; }
    const std::shared_ptr<NSURLSessionDataTask>& longPollingTask() const { return m_longPollingTask; }
    // Cleared at creation and at each WebSocket opening; a pong whose payload starts with
    // 3, 1, 3, 1 sets PONG_RECEIVED. Nothing sets PING_SEND: the channel sends no pings.
    bool PING_SEND() const { return m_PING_SEND; }
    bool PONG_RECEIVED() const { return m_PONG_RECEIVED; }

    // WebSocketDelegate. Events of any socket but the current one are ignored.
    void webSocketDidOpen(const std::shared_ptr<WebSocket>& webSocket) override;
    void webSocket_didReceiveMessage(const std::shared_ptr<WebSocket>& webSocket, const std::string& message) override;
    void webSocket_didReceiveMessageWithData(const std::shared_ptr<WebSocket>& webSocket, const NSData& data) override;
    void webSocket_didReceivePong(const std::shared_ptr<WebSocket>& webSocket, const NSData& pongPayload) override;
    void webSocket_didCloseWithCode_reason_wasClean(const std::shared_ptr<WebSocket>& webSocket, long code,
                                                    const std::optional<std::string>& reason, bool wasClean) override;
    void webSocket_didFailWithError(const std::shared_ptr<WebSocket>& webSocket, const std::shared_ptr<NSError>& error) override;

protected:
    // Starts the new connection. Unit tests override it to keep the socket unopened and play
    // its callbacks themselves.
    virtual void openWebSocket(const std::shared_ptr<WebSocket>& webSocket);

private:
    // The poll request for the current URL (any thread).
    static std::shared_ptr<NSURLRequest> longPollingRequestWithURL(const std::string& URL);
    // Sets up one poll on a thread of its own; it starts on the main queue (beginLongPoll).
    void startLongPoll();
    void beginLongPoll(const std::shared_ptr<NSURLRequest>& request, uint64_t epoch);
    void longPollDidFinish(uint64_t poll, const HTTPResponseObject& responseObject, const std::shared_ptr<NSError>& error);
    void longPollDidTimeOut(uint64_t poll, const std::string& URL);
    void stopLongPollWatchdog();
    // The failure path shared by the WebSocket and the polls: log, tell the delegate, keep
    // reconnecting.
    void connectionDidFail(const std::shared_ptr<NSError>& error);
    void startReconnectTimerIfNeeded();
    void reconnectTimerDidFire();
    void stopReconnectTimer();
    void stopPingTimer();

    std::weak_ptr<KVNSocketHandlerDelegate> m_delegate;
    std::optional<std::string> m_URL;
    long m_connectionType = 0;
    std::shared_ptr<WebSocket> m_socket;
    // The current WebSocket has been asked to open and has neither opened nor ended yet.
    bool m_socketOpening = false;
    std::shared_ptr<NSTimer> m_reconnectTimer;
    std::shared_ptr<NSTimer> m_pingTimer; // never started: the channel sends no pings
    std::shared_ptr<HTTPSessionManager> m_pollingManager;
    std::shared_ptr<NSURLSessionDataTask> m_longPollingTask;
    uint64_t m_longPollingTaskSerial = 0; // which poll m_longPollingTask is
    std::shared_ptr<NSTimer> m_longPollingWatchdog; // fails the current poll once its answer is overdue
    uint64_t m_nextPollSerial = 1;
    // Counts closeConnection calls: work started before one (a poll being set up, a delegate
    // call in progress) sees the change and stops.
    uint64_t m_epoch = 0;
    bool m_PING_SEND = false;
    bool m_PONG_RECEIVED = false;
};
