#pragma once
// A synthetic microphone as an audio source: a steady 440 Hz tone, delivered as 20 ms frames
// of 16-bit interleaved stereo at 48 kHz on a capture thread of its own.
// Any thread; frames arrive on the capture thread.
#include <memory>
#include <mutex>

#include "MediaStack/Capture/FrameHandlerList.h"
#include "MediaStack/Session/AudioSource.h"

namespace media {

class CaptureThread;

class MicrophoneCapture : public AudioSource {
public:
    static constexpr double toneFrequency = 440.0;
    static constexpr int samplesPerFrame = sampleRate * frameMilliseconds / 1000;

    MicrophoneCapture();
    ~MicrophoneCapture() override;

    void start();
    // Joins the capture thread (unless called from a frame handler); no frame follows.
    void stop();

    uint64_t addFrameHandler(FrameHandler handler) override;
    void removeFrameHandler(uint64_t token) override;

private:
    const std::shared_ptr<FrameHandlerList<AudioFrame>> m_handlers;
    std::mutex m_mutex;
    std::unique_ptr<CaptureThread> m_thread;
    bool m_stopped = false;
};

} // namespace media
