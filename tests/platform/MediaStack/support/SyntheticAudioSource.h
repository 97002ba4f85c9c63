#pragma once
// A microphone for tests: the test's thread is its capture thread, and deliver() hands 20 ms
// of a 440 Hz tone (48 kHz, stereo, 16-bit) to every handler there. The frame's number is in
// its first four bytes, so a test can tell which frame came through.
// Any thread.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>

#include "MediaStack/Capture/FrameHandlerList.h"
#include "MediaStack/Session/AudioSource.h"

namespace media::test {

class SyntheticAudioSource final : public AudioSource {
public:
    static constexpr int samplesPerFrame = sampleRate * frameMilliseconds / 1000;

    uint64_t addFrameHandler(FrameHandler handler) override { return m_handlers.add(std::move(handler)); }
    void removeFrameHandler(uint64_t token) override { m_handlers.remove(token); }

    uint32_t deliver()
    {
        const uint32_t number = m_next++;
        auto frame = std::make_shared<AudioFrame>();
        frame->data = std::make_shared<std::vector<uint8_t>>(samplesPerFrame * channels * 2);
        auto* samples = reinterpret_cast<int16_t*>(frame->data->data());
        for (int i = 0; i < samplesPerFrame; ++i) {
            const double t = static_cast<double>(number * samplesPerFrame + i) / sampleRate;
            const auto value = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
            samples[2 * i] = value;
            samples[2 * i + 1] = value;
        }
        for (int i = 0; i < 4; ++i)
            (*frame->data)[i] = static_cast<uint8_t>(number >> (8 * i));
        frame->length = static_cast<int>(frame->data->size());
        m_handlers.deliver(frame);
        return number;
    }

    // Frames captured so far.
    uint32_t delivered() const { return m_next; }

    size_t handlerCount() const { return m_handlers.size(); }

    static uint32_t numberOf(const AudioFrame& frame)
    {
        const auto& data = *frame.data;
        const auto at = static_cast<size_t>(frame.index);
        return data.at(at) | (data.at(at + 1) << 8) | (data.at(at + 2) << 16) | (static_cast<uint32_t>(data.at(at + 3)) << 24);
    }

private:
    std::atomic<uint32_t> m_next{0};
    media::FrameHandlerList<AudioFrame> m_handlers;
};

} // namespace media::test
