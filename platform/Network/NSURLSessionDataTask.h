#pragma once
// A task of an HTTPSessionManager that fetches one answer into memory. Made suspended by
// dataTaskWithRequest_completionHandler (GET and POST resume theirs at once); resume() hands
// the transfer to the client's worker thread. Its completion always runs later, on the main
// queue, exactly once: with the answer, or with the error (a cancelled task reports
// NSURLErrorCancelled, and its state stays NSURLSessionTaskStateCanceling).
// resume() and cancel() may be called from any thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPResponseObject.h"

class HTTPResponseSerializer;
class HTTPSessionManager;
class NSURLRequest;

class NSURLSessionDataTask : public NSURLSessionTask, public std::enable_shared_from_this<NSURLSessionDataTask> {
public:
    using CompletionHandler = std::function<void(const std::shared_ptr<NSHTTPURLResponse>& response, const HTTPResponseObject& responseObject,
                                                 const std::shared_ptr<NSError>& error)>;

    void resume() override;
    void cancel() override;

private:
    friend class HTTPSessionManager;
    struct TransferSettings {
        bool verifyPeer = true;
        bool verifyHost = true;
        double defaultTimeout = 60.0;
    };

    NSURLSessionDataTask(unsigned long identifier, std::shared_ptr<NSURLRequest> request, std::shared_ptr<NSError> requestError,
                         TransferSettings settings, std::shared_ptr<HTTPResponseSerializer> responseSerializer,
                         std::weak_ptr<HTTPSessionManager> manager, CompletionHandler completion);

    // On the main queue: reports the outcome once, unless it was reported already.
    void deliver(std::shared_ptr<NSHTTPURLResponse> response, NSData body, std::shared_ptr<NSError> transferError);

    std::mutex m_taskMutex;
    bool m_started = false;
    bool m_cancelRequested = false;
    bool m_delivered = false;
    uint64_t m_transferID = 0;

    const std::shared_ptr<NSError> m_requestError; // the request could not be made: fail at once
    const TransferSettings m_settings;
    const std::shared_ptr<HTTPResponseSerializer> m_responseSerializer;
    const std::weak_ptr<HTTPSessionManager> m_manager;
    CompletionHandler m_completion; // main thread only; dropped once called
};
