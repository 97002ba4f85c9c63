#include "Private/Extensions/NSURLSessionTask+KVNExtensions.h"

#include "Foundation/NSURLSessionTask.h"
#include "Network/NSURLError.h"

namespace KVNExtensions {

bool canceled(const std::shared_ptr<NSURLSessionTask>& task)
{
    if (!task)
        return false;
    if (task->state() == NSURLSessionTaskStateCanceling)
        return true;
    const auto error = task->error();
    return error && error->code() == NSURLErrorCancelled;
}

} // namespace KVNExtensions
