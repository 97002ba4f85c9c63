#pragma once
// Keys and values of a capture output's settings. Constants; any thread.
#include <string>

extern const std::string AVVideoCodecKey;
extern const std::string AVVideoCodecJPEG;
