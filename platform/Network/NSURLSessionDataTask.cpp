#include "Network/NSURLSessionDataTask.h"

#include "Foundation/BindToMainQueue.h"
#include "Network/HTTPResponseSerializer.h"
#include "Network/HTTPSessionManager.h"
#include "Network/HTTPTransferEngine.h"
#include "Network/NSURLRequest.h"

NSURLSessionDataTask::NSURLSessionDataTask(unsigned long identifier, std::shared_ptr<NSURLRequest> request,
                                           std::shared_ptr<NSError> requestError, TransferSettings settings,
                                           std::shared_ptr<HTTPResponseSerializer> responseSerializer,
                                           std::weak_ptr<HTTPSessionManager> manager, CompletionHandler completion)
    : m_requestError(std::move(requestError))
    , m_settings(settings)
    , m_responseSerializer(std::move(responseSerializer))
    , m_manager(std::move(manager))
    , m_completion(std::move(completion))
{
    setTaskIdentifier(identifier);
    setCurrentRequest(std::move(request));
}

void NSURLSessionDataTask::resume()
{
    std::lock_guard lock(m_taskMutex);
    if (m_started || m_cancelRequested || m_delivered)
        return;
    m_started = true;
    setState(NSURLSessionTaskStateRunning);

    const auto request = currentRequest();
    if (m_requestError || !request) {
        auto error = m_requestError ? m_requestError : HTTPTransferEngine::errorForCurlCode(3 /* malformed URL */, "no request", "");
        kvn::postToMainQueue(shared_from_this(), [error](NSURLSessionDataTask& task) { task.deliver(nullptr, {}, error); });
        return;
    }

    HTTPTransferEngine::Transfer transfer;
    transfer.URL = request->URL();
    transfer.method = request->HTTPMethod();
    transfer.headers = request->headerFields().fields();
    transfer.body = request->HTTPBody();
    transfer.timeoutInterval = request->timeoutInterval() > 0 ? request->timeoutInterval() : m_settings.defaultTimeout;
    transfer.verifyPeer = m_settings.verifyPeer;
    transfer.verifyHost = m_settings.verifyHost;
    // The outcome arrives on the worker thread; the task (and with it the caller's handlers)
    // moves on to the main queue, so that it is never released on the worker. It goes held, not
    // weakly: its completion runs exactly once, even when nobody else holds the task any more.
    m_transferID = HTTPTransferEngine::shared().start(std::move(transfer), [self = shared_from_this()](HTTPTransferEngine::Outcome outcome) mutable {
        kvn::postToMainQueue(std::move(self), [outcome = std::move(outcome)](NSURLSessionDataTask& task) mutable {
            task.deliver(std::move(outcome.response), std::move(outcome.body), std::move(outcome.error));
        });
    });
}

void NSURLSessionDataTask::cancel()
{
    uint64_t transferID = 0;
    {
        std::lock_guard lock(m_taskMutex);
        if (m_delivered || m_cancelRequested)
            return;
        m_cancelRequested = true;
        setState(NSURLSessionTaskStateCanceling);
        transferID = m_started ? m_transferID : 0;
    }
    if (transferID)
        HTTPTransferEngine::shared().cancel(transferID);
    // Reported from here, not from the worker, so that a task that never started (or whose
    // answer is already on its way) reports the cancel all the same, and only once. Held, not
    // weakly: NSURLErrorCancelled reaches the completion even when the caller dropped the task.
    const auto request = currentRequest();
    auto error = HTTPTransferEngine::cancelledError(request ? request->URL() : std::string());
    kvn::postToMainQueue(shared_from_this(), [error](NSURLSessionDataTask& task) { task.deliver(nullptr, {}, error); });
}

void NSURLSessionDataTask::deliver(std::shared_ptr<NSHTTPURLResponse> response, NSData body, std::shared_ptr<NSError> transferError)
{
    bool cancelled;
    {
        std::lock_guard lock(m_taskMutex);
        if (m_delivered)
            return;
        m_delivered = true;
        cancelled = m_cancelRequested;
    }

    HTTPResponseObject responseObject;
    std::shared_ptr<NSError> error;
    if (cancelled) {
        // An answer that came before the cancel was seen is still not reported as one.
        const auto request = currentRequest();
        error = HTTPTransferEngine::cancelledError(request ? request->URL() : std::string());
    } else if (transferError) {
        error = std::move(transferError);
    } else if (m_responseSerializer) {
        responseObject = m_responseSerializer->responseObjectForResponse_data_error(response, body, error);
    } else {
        responseObject = HTTPResponseObject(std::move(body));
    }
    if (response)
        setResponse(response);
    setError(error);
    if (!cancelled)
        setState(NSURLSessionTaskStateCompleted);
    if (auto manager = m_manager.lock())
        manager->taskDidFinish(this);

    auto completion = std::move(m_completion);
    m_completion = nullptr;
    if (completion)
        completion(response, responseObject, error);
}
