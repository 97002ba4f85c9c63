#pragma once
// The HTTP client's one worker thread: it owns a libcurl multi handle and every easy handle,
// runs all transfers of all sessions side by side and reports each outcome, once, through the
// transfer's callback on that thread (callers hand it on to the main queue). Start and cancel
// from any thread. Created at first use; when the process exits, the worker stops before the
// globals it uses go away, and transfers still running are abandoned without a report.
//
// Redirects are followed here, hop by hop, over HTTPS only (one to clear text fails the transfer
// with NSURLErrorAppTransportSecurityRequiresSecureConnection). Each hop meets its own host's
// pins and those of every pinned host before it, and once a hop leaves the first host, the
// request's own header fields stay behind.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSURLSessionTask.h"

class HTTPTransferEngine {
public:
    // Everything a transfer needs, copied from the request when the task starts.
    struct Transfer {
        std::string URL;
        std::string method = "GET";
        std::vector<std::pair<std::string, std::string>> headers;
        std::optional<NSData> body;
        double timeoutInterval = 60.0;
        bool verifyPeer = true;
        bool verifyHost = true;
    };
    struct Outcome {
        std::shared_ptr<NSHTTPURLResponse> response; // null when no answer came
        NSData body;
        std::shared_ptr<NSError> error; // NSURLErrorDomain; null when an answer came
    };
    using Completion = std::function<void(Outcome)>;

    // The most bytes an answer's body may hold once decoded. Real answers stay far below (the
    // largest, a contract's pages or an image in base64, take a few MB); what passes it is a
    // broken or hostile answer, such as a small compressed body that unpacks to gigabytes. Its
    // transfer stops there and fails with NSURLErrorDataLengthExceedsMaximum.
    static constexpr size_t maximumBodyLength = 64 * 1024 * 1024;

    static HTTPTransferEngine& shared();

    // Queues the transfer; returns its id for cancel().
    uint64_t start(Transfer transfer, Completion completion);
    // Stops the transfer if it still runs; its completion then reports NSURLErrorCancelled.
    void cancel(uint64_t transferID);

    // The NSURLErrorDomain error for a failed transfer, from libcurl's result code.
    static std::shared_ptr<NSError> errorForCurlCode(int curlCode, const std::string& detail, const std::string& URL);
    // The error of a cancelled task: NSURLErrorCancelled.
    static std::shared_ptr<NSError> cancelledError(const std::string& URL);

private:
    HTTPTransferEngine();
    // Ends the worker thread (at process exit).
    void stop();
    struct Impl;
    Impl* m_impl; // never destroyed: abandoned transfers must not be torn down during exit
};
