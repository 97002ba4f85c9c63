#pragma once
// A video picture as it travels between capture, codec and rendering: its size, its pixel
// format and its planes (for I420: Y, U, V, the chroma planes at half width and height,
// rounded up). A plain record; frames are handed around as std::shared_ptr<VideoFrame>.
// A frame is not changed once handed on, so any thread may read it.
#include <vector>

#include "MediaStack/VideoFramePlane.h"

// Pixel formats, numbered as the stack numbers them.
enum VideoFormat : int {
    VideoFormatI420 = 6,
};

struct VideoFrame {
    int width = 0;
    int height = 0;
    VideoFormat format = VideoFormatI420;
    std::vector<VideoFramePlane> planes;
};
