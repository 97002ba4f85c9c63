#pragma once
// What the library adds to the platform's URL session task: whether it was cancelled (its
// state is canceling, or it ended with the cancelled code -999). Any thread.
#include <memory>

class NSURLSessionTask;

namespace KVNExtensions {

// NO for a null task.
bool canceled(const std::shared_ptr<NSURLSessionTask>& task);

} // namespace KVNExtensions
