#pragma once
// The library's two diagnostic log functions. Both are always on (no level, no switch) and
// write to standard error with exactly one write per call, so that lines from different
// threads never interleave inside one call. Callable from any thread.
//
//   KVNLog("started %@\n", name)          writes  "-> started <name>\n"
//   KVNLogLocated(__FILE__, __LINE__, "x") writes  "\nKavoni (<file name>:<line>):\nx\n"
//
// Formats are Objective-C style (%@ %d %ld %s ...), formatted by NSString::stringWithFormat.
#include <string>

#include "Foundation/NSString.h"

namespace KVNLogDetail {
// Writes the bytes to standard error in one write (retried only for interruptions and short writes).
void writeToStandardError(const std::string& bytes);
// "\nKavoni (<last path component>:<line>):\n<text>"
std::string locatedLine(const char* file, int line, const std::string& text);
// The format with "\n" appended when it does not end with one.
std::string formatEndingWithNewline(const std::string& format);
} // namespace KVNLogDetail

// No newline is added: callers end their formats with "\n" where they want one.
template <class... A>
void KVNLog(const std::string& format, const A&... args)
{
    KVNLogDetail::writeToStandardError("-> " + NSString::stringWithFormat(format, args...));
}

// Callers pass __FILE__ and __LINE__; only the file's last path component is written.
template <class... A>
void KVNLogLocated(const char* file, int line, const std::string& format, const A&... args)
{
    const std::string text = NSString::stringWithFormat(KVNLogDetail::formatEndingWithNewline(format), args...);
    KVNLogDetail::writeToStandardError(KVNLogDetail::locatedLine(file, line, text));
}
