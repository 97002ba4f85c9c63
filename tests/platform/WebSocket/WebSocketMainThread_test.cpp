// A WebSocket is used from the main thread only: its operations stop a caller on any other
// thread, naming the operation.
#include <gtest/gtest.h>

#include <memory>

#include "WebSocket/WebSocket.h"
#include "support/OffMainThreadCall.h"

namespace {

TEST(WebSocketMainThreadTest, OperationsAbortOffTheMainThread)
{
    KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED();
    // Never opened on the main thread: nothing goes to the network before the check.
    auto socket = std::make_shared<WebSocket>();
    socket->initWithURL("wss://127.0.0.1:9/");
    expectEachToDieOffTheMainThread({
        {"WebSocket::open", [=] { socket->open(); }},
        {"WebSocket::send", [=] { socket->send("text"); }},
        {"WebSocket::closeWithCode_reason", [=] { socket->close(); }},
    });
}

} // namespace
