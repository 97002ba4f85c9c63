#pragma once
// A stretch of audio as it travels between capture, codec and playback: 16-bit interleaved
// PCM in `data`, from byte `index` on for `length` bytes. A decoder that repairs lost packets
// puts the repaired frames in `framesToPlayBefore`: playback plays them, in order, before
// this frame.
// The data may be shared with the codec that made the frame (see the codec's own notes on
// how long its contents stay put). A plain record, handed around as std::shared_ptr.
#include <cstdint>
#include <memory>
#include <vector>

struct AudioFrame {
    std::shared_ptr<std::vector<uint8_t>> data;
    int index = 0;
    int length = 0;
    std::vector<std::shared_ptr<AudioFrame>> framesToPlayBefore;
};
