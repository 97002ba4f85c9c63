#include "AVFoundation/AVMediaFormat.h"

const AVMediaType AVMediaTypeVideo = "vide";
const AVMediaType AVMediaTypeAudio = "soun";
