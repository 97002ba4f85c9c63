#pragma once
// What the benchmarks of whole calls on the manual clock share: this thread as the main
// thread, a manual clock for the main run loop (and so for the media thread), and the real
// VP8 and Opus codecs registered for the stack.
#include <memory>

#include "Foundation/NSRunLoop.h"
#include "Foundation/RunLoopClock.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/VideoStreamDescription.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"

namespace bench {

inline std::shared_ptr<ManualClock> setUpRealCodecCall()
{
    NSRunLoop::setMainThread();
    auto clock = std::make_shared<ManualClock>();
    NSRunLoop::mainRunLoop()->setClock(clock);
    VideoStreamDescription::registerCodec(
        "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
    AudioStreamDescription::registerCodec(
        "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);
    return clock;
}

} // namespace bench
