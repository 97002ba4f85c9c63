#include "Private/Helper/KVNSocketHandler.h"

#include <any>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/JSONValue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTimer.h"
#include "Foundation/UTF8Validator.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPResponseObject.h"
#include "Network/HTTPResponseSerializer.h"
#include "Network/HTTPSessionManager.h"
#include "Network/NSURLError.h"
#include "Network/NSURLRequest.h"
#include "Network/NSURLSessionDataTask.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNParser.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNSocketHandlerDelegate.h"

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// One value of an error's user info as the log shows it.
std::string userInfoValueDescription(const std::any& value)
{
    if (const auto* text = std::any_cast<std::string>(&value))
        return quoted(*text);
    if (const auto* number = std::any_cast<long>(&value))
        return std::to_string(*number);
    if (const auto* number = std::any_cast<int>(&value))
        return std::to_string(*number);
    if (const auto* flag = std::any_cast<bool>(&value))
        return *flag ? "1" : "0";
    if (const auto* number = std::any_cast<double>(&value))
        return NSString::stringWithFormat("%@", *number);
    if (const auto* error = std::any_cast<std::shared_ptr<NSError>>(&value))
        return *error ? (*error)->description() : std::string("(null)");
    if (const auto* json = std::any_cast<JSONValue>(&value))
        return json->dump(-1, ' ', false, JSONValue::error_handler_t::replace);
    if (const auto* data = std::any_cast<NSData>(&value))
        return NSString::stringWithFormat("{length = %lu}", static_cast<unsigned long>(data->size()));
    return "<value>";
}

// An error's user info in the platform's dictionary form: "{\n    key = value;\n}".
std::string userInfoDescription(const std::shared_ptr<NSError>& error)
{
    if (!error)
        return "(null)";
    std::string text = "{\n";
    for (const auto& [key, value] : error->userInfo())
        text += "    " + key + " = " + userInfoValueDescription(value) + ";\n";
    return text + "}";
}

} // namespace

KVNSocketHandler::~KVNSocketHandler()
{
    if (m_reconnectTimer)
        m_reconnectTimer->invalidate();
    if (m_pingTimer)
        m_pingTimer->invalidate();
    if (m_longPollingWatchdog)
        m_longPollingWatchdog->invalidate();
    if (m_socket)
        m_socket->setDelegate({}); // released below: it closes with 1001
    if (m_longPollingTask)
        m_longPollingTask->cancel();
}

void KVNSocketHandler::initWithDelegate(std::weak_ptr<KVNSocketHandlerDelegate> delegate)
{
    KVN_ASSERT_MAIN_THREAD();
    m_delegate = std::move(delegate);
    m_PING_SEND = false;
    m_PONG_RECEIVED = false;
    // Polls take the answer as raw bytes (whatever its content type, "text/plain" included).
    m_pollingManager = HTTPSessionManager::managerWithSessionConfiguration();
    m_pollingManager->setResponseSerializer(HTTPResponseSerializer::serializer());
}

bool KVNSocketHandler::isConnected() const
{
    if (m_connectionType == 0)
        return m_socket && m_socket->readyState() == WebSocketReadyStateOpen;
    return m_longPollingTask != nullptr;
}

void KVNSocketHandler::reconnectSocket()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_connectionType != 0) {
        startLongPoll();
        return;
    }
    if (m_socket) {
        m_socket->setDelegate({});
        m_socket->close();
    }
    m_socket = std::make_shared<WebSocket>();
    m_socket->initWithURL(m_URL.value_or(std::string()));
    m_socket->setDelegate(weak_from_this());
    m_socketOpening = true;
    openWebSocket(m_socket);
}

void KVNSocketHandler::openWebSocket(const std::shared_ptr<WebSocket>& webSocket)
{
    webSocket->open();
}

void KVNSocketHandler::closeConnection()
{
    KVN_ASSERT_MAIN_THREAD();
    ++m_epoch;
    stopPingTimer();
    m_pingTimer = nullptr;
    stopReconnectTimer();
    // A poll still under way is cancelled rather than left waiting, so that the service does
    // not hand a message to a poll nobody reads.
    stopLongPollWatchdog();
    if (auto task = std::exchange(m_longPollingTask, nullptr))
        task->cancel();
    m_longPollingTaskSerial = 0;
    // Detached first: the old socket's close or failure must not start reconnecting.
    m_socketOpening = false;
    if (auto socket = std::exchange(m_socket, nullptr)) {
        socket->setDelegate({});
        socket->close();
    }
}

// --- WebSocket --------------------------------------------------------------------------------

void KVNSocketHandler::webSocketDidOpen(const std::shared_ptr<WebSocket>& webSocket)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    m_socketOpening = false;
    stopReconnectTimer();
    const uint64_t epoch = m_epoch;
    if (auto delegate = m_delegate.lock())
        delegate->socketHandlerDidOpenConnection(shared_from_this());
    if (epoch != m_epoch)
        return;
    stopPingTimer();
    m_PING_SEND = false;
    m_PONG_RECEIVED = false;
}

void KVNSocketHandler::webSocket_didReceiveMessage(const std::shared_ptr<WebSocket>& webSocket, const std::string& message)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->socketHandler_didReceiveMessage(shared_from_this(), message);
}

void KVNSocketHandler::webSocket_didReceiveMessageWithData(const std::shared_ptr<WebSocket>& webSocket, const NSData& data)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    // The service sends text only; bytes carry no command.
    KVNLog("WebSocket: binary message ignored (%lu bytes)\n", static_cast<unsigned long>(data.size()));
}

void KVNSocketHandler::webSocket_didReceivePong(const std::shared_ptr<WebSocket>& webSocket, const NSData& pongPayload)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    if (pongPayload.size() >= 4 && pongPayload[0] == 3 && pongPayload[1] == 1 && pongPayload[2] == 3 && pongPayload[3] == 1) {
        NSLog("--- PONG ---");
        m_PONG_RECEIVED = true;
    }
}

void KVNSocketHandler::webSocket_didCloseWithCode_reason_wasClean(const std::shared_ptr<WebSocket>& webSocket, long code,
                                                                  const std::optional<std::string>& reason, bool wasClean)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    m_socketOpening = false;
    if (code == 1000 && wasClean) {
        stopPingTimer();
        stopReconnectTimer();
    } else {
        startReconnectTimerIfNeeded();
    }
    KVNLog("WebSocket didClose - code: %ld reason: %@\n", code, reason);
}

void KVNSocketHandler::webSocket_didFailWithError(const std::shared_ptr<WebSocket>& webSocket, const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    if (webSocket != m_socket)
        return;
    m_socketOpening = false;
    connectionDidFail(error);
}

void KVNSocketHandler::connectionDidFail(const std::shared_ptr<NSError>& error)
{
    KVNLog("WebSocket failed - error: %@\n", userInfoDescription(error));
    const uint64_t epoch = m_epoch;
    if (auto delegate = m_delegate.lock())
        delegate->socketHandler_didFailWithError(shared_from_this(), error);
    // The delegate may have closed the channel: then it stays closed.
    if (epoch != m_epoch)
        return;
    stopPingTimer();
    startReconnectTimerIfNeeded();
}

// --- Long polling -----------------------------------------------------------------------------

std::shared_ptr<NSURLRequest> KVNSocketHandler::longPollingRequestWithURL(const std::string& URL)
{
    auto request = NSURLRequest::requestWithURL(URL + longPollingQuery);
    request->setHTTPMethod("GET");
    request->setTimeoutInterval(longPollingTransferTimeout);
    return request;
}

void KVNSocketHandler::startLongPoll()
{
    const std::weak_ptr<KVNSocketHandler> weakSelf = weak_from_this();
    const std::string URL = m_URL.value_or(std::string());
    const uint64_t epoch = m_epoch;
    auto setUp = [weakSelf, URL, epoch] {
        auto request = longPollingRequestWithURL(URL);
        kvn::postToMainQueue(weakSelf, [request, epoch](KVNSocketHandler& self) { self.beginLongPoll(request, epoch); });
    };
    try {
        std::thread(setUp).detach();
    } catch (const std::system_error& error) {
        // No thread to be had: set the poll up here rather than lose the channel.
        KVNLogLocated(__FILE__, __LINE__, "Error: %@", std::string(error.what()));
        setUp();
    }
}

void KVNSocketHandler::beginLongPoll(const std::shared_ptr<NSURLRequest>& request, uint64_t epoch)
{
    if (epoch != m_epoch)
        return; // closed while the poll was being set up
    if (!m_longPollingTask) {
        // The first poll of a connection is its opening.
        stopReconnectTimer();
        if (auto delegate = m_delegate.lock())
            delegate->socketHandlerDidOpenConnection(shared_from_this());
        if (epoch != m_epoch)
            return;
    }
    KVNRequestManager::configureManager(m_pollingManager);
    const uint64_t serial = m_nextPollSerial++;
    auto task = m_pollingManager->dataTaskWithRequest_completionHandler(
        request, kvn::bindToMainQueue(weak_from_this(), [serial](KVNSocketHandler& self, const std::shared_ptr<NSHTTPURLResponse>&,
                                                                 const HTTPResponseObject& responseObject, const std::shared_ptr<NSError>& error) {
            self.longPollDidFinish(serial, responseObject, error);
        }));
    m_longPollingTask = task;
    m_longPollingTaskSerial = serial;
    // On the run loop's clock rather than the HTTP client's, so that it steps with every other
    // timer of the channel.
    stopLongPollWatchdog();
    m_longPollingWatchdog = NSTimer::scheduledTimerWithTimeInterval_repeats_block(
        longPollingRequestTimeout, false,
        kvn::bindToMainQueue(weak_from_this(), [serial, URL = request->URL()](KVNSocketHandler& self, const std::shared_ptr<NSTimer>&) {
            self.longPollDidTimeOut(serial, URL);
        }));
    task->resume();
}

void KVNSocketHandler::longPollDidTimeOut(uint64_t poll, const std::string& URL)
{
    if (!m_longPollingTask || poll != m_longPollingTaskSerial)
        return;
    m_longPollingWatchdog = nullptr;
    // Its late answer or cancellation finds the poll no longer current and is dropped.
    std::exchange(m_longPollingTask, nullptr)->cancel();
    m_longPollingTaskSerial = 0;
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = std::string("The request timed out.");
    userInfo[NSURLErrorFailingURLStringErrorKey] = URL;
    const auto error = NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, NSURLErrorTimedOut, userInfo);
    KVNLogLocated(__FILE__, __LINE__, "Error: %@", error);
    connectionDidFail(error);
}

void KVNSocketHandler::longPollDidFinish(uint64_t poll, const HTTPResponseObject& responseObject, const std::shared_ptr<NSError>& error)
{
    const bool current = m_longPollingTask && poll == m_longPollingTaskSerial;
    if (current)
        stopLongPollWatchdog();
    if (error) {
        if (!current) {
            // A poll that was replaced or closed: its failure says nothing about the channel.
            KVNLogLocated(__FILE__, __LINE__, "Aborting long polling");
            return;
        }
        KVNLogLocated(__FILE__, __LINE__, "Error: %@", error);
        m_longPollingTask = nullptr;
        m_longPollingTaskSerial = 0;
        connectionDidFail(error);
        return;
    }
    if (!current) {
        KVNLogLocated(__FILE__, __LINE__, "Aborting long polling");
        return;
    }
    const NSData* body = responseObject.data();
    std::optional<std::string> text;
    if (!body)
        text = std::string();
    else
        text = Unicode::UTF8Validator::text(*body);
    NSLog("long polling response: %@", text);
    // Bytes that are not UTF-8 make no text: the driver gets an empty message.
    const auto messages = text ? KVNParser::messagesFromLongPollAnswer(*text) : std::vector<std::string>{std::string()};
    for (const auto& message : messages) {
        if (auto delegate = m_delegate.lock())
            delegate->socketHandler_didReceiveMessage(shared_from_this(), message);
        // A delegate that closed or replaced the channel wants nothing more of this answer.
        if (!m_longPollingTask || poll != m_longPollingTaskSerial)
            return;
    }
    startLongPoll();
}

// --- Timers -----------------------------------------------------------------------------------

void KVNSocketHandler::startReconnectTimerIfNeeded()
{
    if (m_reconnectTimer && m_reconnectTimer->isValid())
        return;
    // The timer fires on the main run loop already, and once stopped it must not reconnect (a hop
    // through the main queue could, after the channel opened), so the block checks the owner itself.
    const std::weak_ptr<KVNSocketHandler> weakSelf = weak_from_this();
    m_reconnectTimer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(reconnectInterval, true, [weakSelf](const std::shared_ptr<NSTimer>&) {
        if (auto self = weakSelf.lock())
            self->reconnectTimerDidFire();
    });
}

void KVNSocketHandler::reconnectTimerDidFire()
{
    // On a slow link a handshake can take longer than the interval; replacing it at every tick
    // would start it over and over and the channel would never open. It is left to open or
    // fail (the WebSocket's own time-outs end a stalled one), and a failure finds this timer
    // still running for the next attempt.
    if (m_connectionType == 0 && m_socket && m_socketOpening)
        return;
    reconnectSocket();
}

void KVNSocketHandler::stopReconnectTimer()
{
    if (auto timer = std::exchange(m_reconnectTimer, nullptr))
        timer->invalidate();
}

void KVNSocketHandler::stopLongPollWatchdog()
{
    if (auto timer = std::exchange(m_longPollingWatchdog, nullptr))
        timer->invalidate();
}

void KVNSocketHandler::stopPingTimer()
{
    if (m_pingTimer)
        m_pingTimer->invalidate();
}
