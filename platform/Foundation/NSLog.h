#pragma once
// The platform console: NSLog formats like stringWithFormat and writes one line, with a time
// stamp and the process, to standard error in a single write. Any thread.
#include <string>

#include "Foundation/NSString.h"

// Writes an already formatted message as one console line.
void NSLogMessage(const std::string& message);

template <class... A>
void NSLog(const std::string& format, const A&... args)
{
    NSLogMessage(NSString::stringWithFormat(format, args...));
}
