#pragma once
// The kinds of media a capture device delivers. Constants; any thread.
#include <string>

using AVMediaType = std::string;

extern const AVMediaType AVMediaTypeVideo;
extern const AVMediaType AVMediaTypeAudio;
