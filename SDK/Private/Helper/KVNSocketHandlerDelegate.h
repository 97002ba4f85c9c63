#pragma once
// What the event channel tells its owner (the session driver): the channel opened, a
// connection or a poll failed, a message arrived. Every operation is required. Called on the
// main queue, with the channel that reports.
#include <memory>
#include <string>

#include "Foundation/NSError.h"

class KVNSocketHandler;

class KVNSocketHandlerDelegate {
public:
    virtual ~KVNSocketHandlerDelegate() = default;

    // Part of the protocol; the channel never sends it (closes are only logged).
    virtual void socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler) = 0;
    // A WebSocket opened, or the first poll of a long-polling connection started. A poll counts
    // as an opening when it is sent, before any answer, so while the service is down each
    // attempt is reported as an opening followed by a failure.
    virtual void socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler) = 0;
    // The WebSocket or a poll failed; the channel reconnects by itself every 2.0 s.
    virtual void socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>& socketHandler,
                                                const std::shared_ptr<NSError>& error) = 0;
    // One message: a WebSocket message as it came (framing included), or one message of a
    // long-poll answer without its length prefix (an answer may carry several, each delivered
    // in turn).
    virtual void socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>& socketHandler, const std::string& message) = 0;
};
