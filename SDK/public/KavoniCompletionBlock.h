#pragma once
// The completion block of both the initialisation and the identification: (success, error,
// canceledByUser). A success is (true, nullptr, false), a failure (false, error, false) and a
// cancel by the user (false, nullptr, true). Called on the main queue, at most once per report.
#include <functional>
#include <memory>

#include "Foundation/NSError.h"

using KavoniCompletionBlock = std::function<void(bool success, const std::shared_ptr<NSError>& error, bool canceledByUser)>;
