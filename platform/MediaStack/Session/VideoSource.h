#pragma once
// Where a stream's pictures come from: a camera (real or synthetic) or a test. A consumer
// adds a handler and gets every frame from then on, on the source's own capture thread,
// until it removes the handler; removal waits for a handler that is running, so after
// removeFrameHandler returns the handler is never called again.
// Any thread.
#include <cstdint>
#include <functional>
#include <memory>

#include "MediaStack/VideoFrame.h"

namespace media {

class VideoSource {
public:
    using FrameHandler = std::function<void(const std::shared_ptr<VideoFrame>&)>;

    virtual ~VideoSource() = default;

    virtual uint64_t addFrameHandler(FrameHandler handler) = 0;
    virtual void removeFrameHandler(uint64_t token) = 0;
    // Asks the source for a picture that does not depend on earlier ones (a camera may
    // ignore it: the encoder is told as well).
    virtual void requestKeyFrame() {}
};

} // namespace media
