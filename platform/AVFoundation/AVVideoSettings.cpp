#include "AVFoundation/AVVideoSettings.h"

const std::string AVVideoCodecKey = "AVVideoCodecKey";
const std::string AVVideoCodecJPEG = "jpeg";
