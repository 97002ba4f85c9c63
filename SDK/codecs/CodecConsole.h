#pragma once
// The platform console for the codec bridges' own lines (set-up failures, and the diagnostic
// lines of debug mode): standard error, one line per call, printf-style formats. And the
// printf-style formatting of the lines the bridges send to the media stack's log.
// Any thread.
#include <string>

void CodecConsoleLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string CodecFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
