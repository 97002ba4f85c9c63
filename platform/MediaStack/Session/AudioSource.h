#pragma once
// Where a stream's sound comes from: a microphone (real or synthetic) or a test. Frames are
// 20 ms of 16-bit interleaved PCM at the format below, handed to every handler on the
// source's capture thread; removeFrameHandler waits for a handler that is running.
// Any thread.
#include <cstdint>
#include <functional>
#include <memory>

#include "MediaStack/AudioFrame.h"

namespace media {

class AudioSource {
public:
    using FrameHandler = std::function<void(const std::shared_ptr<AudioFrame>&)>;

    static constexpr int sampleRate = 48000;
    static constexpr int channels = 2;
    static constexpr int frameMilliseconds = 20;

    virtual ~AudioSource() = default;

    virtual uint64_t addFrameHandler(FrameHandler handler) = 0;
    virtual void removeFrameHandler(uint64_t token) = 0;
};

} // namespace media
