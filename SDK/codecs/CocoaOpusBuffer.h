#pragma once
// 16-bit interleaved PCM samples as the Opus encoder takes them and the decoder gives them:
// `length` bytes of `data` from byte `index` on. A plain record; the data is shared, not
// copied.
#include <cstdint>
#include <memory>
#include <vector>

class CocoaOpusBuffer {
public:
    std::shared_ptr<std::vector<uint8_t>> data;
    int32_t index = 0;
    int32_t length = 0;
};
