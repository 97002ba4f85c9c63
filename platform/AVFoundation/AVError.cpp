#include "AVFoundation/AVError.h"

const std::string AVFoundationErrorDomain = "AVFoundationErrorDomain";
