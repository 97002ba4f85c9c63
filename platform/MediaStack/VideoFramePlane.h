#pragma once
// One plane of a video picture: its bytes, row by row, each row `stride` bytes apart.
// A plain record; the bytes are shared, not copied, when a plane is copied.
#include <cstdint>
#include <memory>
#include <vector>

struct VideoFramePlane {
    std::shared_ptr<const std::vector<uint8_t>> data;
    int stride = 0;
};
