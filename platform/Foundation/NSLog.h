#pragma once
// The platform console: NSLog formats like stringWithFormat and writes one line, with a time
// stamp and the process, to standard error in a single write. Any thread.
#include <functional>
#include <string>

#include "Foundation/NSString.h"

// Writes an already formatted message as one console line.
void NSLogMessage(const std::string& message);

// Tests: every message, as given to NSLogMessage, is also handed to `observer` (on the
// logging thread) until it is replaced or cleared with nullptr.
void NSLogSetObserverForTesting(std::function<void(const std::string& message)> observer);

template <class... A>
void NSLog(const std::string& format, const A&... args)
{
    NSLogMessage(NSString::stringWithFormat(format, args...));
}
