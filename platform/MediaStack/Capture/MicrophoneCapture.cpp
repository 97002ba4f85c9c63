#include "MediaStack/Capture/MicrophoneCapture.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "MediaStack/Capture/CaptureThread.h"

namespace media {

namespace {

constexpr double kAmplitude = 0.3 * 32767;

std::shared_ptr<AudioFrame> toneFrame(uint64_t frameIndex)
{
    const int samples = MicrophoneCapture::samplesPerFrame;
    auto data = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(samples) * AudioSource::channels * sizeof(int16_t));
    auto* out = reinterpret_cast<int16_t*>(data->data());
    // The phase runs on from frame to frame, so frames join without a click.
    const uint64_t first = frameIndex * samples;
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>((first + i) % AudioSource::sampleRate) / AudioSource::sampleRate;
        const auto value =
            static_cast<int16_t>(std::lround(kAmplitude * std::sin(2 * std::numbers::pi * MicrophoneCapture::toneFrequency * t)));
        for (int c = 0; c < AudioSource::channels; ++c)
            out[i * AudioSource::channels + c] = value;
    }
    auto frame = std::make_shared<AudioFrame>();
    frame->length = static_cast<int>(data->size());
    frame->data = std::move(data);
    return frame;
}

} // namespace

MicrophoneCapture::MicrophoneCapture() : m_handlers(std::make_shared<FrameHandlerList<AudioFrame>>()) {}

MicrophoneCapture::~MicrophoneCapture() { stop(); }

void MicrophoneCapture::start()
{
    std::lock_guard lock(m_mutex);
    if (m_thread || m_stopped)
        return;
    m_thread = std::make_unique<CaptureThread>(std::chrono::milliseconds(frameMilliseconds),
                                               [handlers = m_handlers](uint64_t number) { handlers->deliver(toneFrame(number - 1)); });
}

void MicrophoneCapture::stop()
{
    std::unique_ptr<CaptureThread> thread;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        thread = std::move(m_thread);
    }
    if (thread)
        thread->stop();
}

uint64_t MicrophoneCapture::addFrameHandler(FrameHandler handler) { return m_handlers->add(std::move(handler)); }

void MicrophoneCapture::removeFrameHandler(uint64_t token) { m_handlers->remove(token); }

} // namespace media
