#pragma once
// A well-formed I420 picture of one grey, for tests of views and streams that drop
// malformed frames.
#include <memory>
#include <vector>

#include "MediaStack/VideoFrame.h"

namespace test {

inline std::shared_ptr<VideoFrame> greyFrame(int width, int height)
{
    auto frame = std::make_shared<VideoFrame>();
    frame->width = width;
    frame->height = height;
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    frame->planes = {{std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width) * height, 128), width},
                     {std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(cw) * ch, 128), cw},
                     {std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(cw) * ch, 128), cw}};
    return frame;
}

}
