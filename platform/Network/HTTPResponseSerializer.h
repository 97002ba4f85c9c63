#pragma once
// Checks an answer and turns its body into the object handed to the success handler. This base
// class keeps the raw bytes. An answer whose status is outside 200 to 299 fails with
// NSURLErrorBadServerResponse in NSURLErrorDomain; that error's user info carries the body
// (NSData) under HTTPFailingResponseDataErrorKey, and the task's response keeps the status
// and header fields. JSONResponseSerializer parses the body as JSON instead.
// Stateless: used on the main thread, where completions run.
#include <memory>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPResponseObject.h"

class HTTPResponseSerializer {
public:
    static std::shared_ptr<HTTPResponseSerializer> serializer();
    HTTPResponseSerializer() = default;
    virtual ~HTTPResponseSerializer() = default;

    // The object for an answer; none with `error` set when the answer is not acceptable.
    virtual HTTPResponseObject responseObjectForResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response, const NSData& data,
                                                                    std::shared_ptr<NSError>& error) const;

protected:
    // False, with `error` set, when the status is outside 200 to 299.
    bool validateResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response, const NSData& data,
                                     std::shared_ptr<NSError>& error) const;
};
