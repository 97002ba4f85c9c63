#pragma once
// A camera for tests: the test's thread is its capture thread, and deliver() hands a picture
// to every handler there, as a camera's thread would. Pictures are I420 with a pattern that
// moves with the frame number (so an encoder has work to do) and the number in the first
// luma bytes (so a test can tell which picture came through).
// Any thread.
#include <atomic>
#include <cstdint>
#include <memory>

#include "MediaStack/Capture/FrameHandlerList.h"
#include "MediaStack/Session/VideoSource.h"

namespace media::test {

class SyntheticVideoSource final : public VideoSource {
public:
    SyntheticVideoSource(int width, int height) : m_width(width), m_height(height) {}

    uint64_t addFrameHandler(FrameHandler handler) override { return m_handlers.add(std::move(handler)); }
    void removeFrameHandler(uint64_t token) override { m_handlers.remove(token); }
    void requestKeyFrame() override { ++keyFrameRequests; }

    // Captures the next picture; returns its number.
    uint32_t deliver()
    {
        const uint32_t number = m_next++;
        auto frame = makeFrame(m_width, m_height, number);
        m_handlers.deliver(frame);
        return number;
    }

    // Pictures captured so far.
    uint32_t delivered() const { return m_next; }

    size_t handlerCount() const { return m_handlers.size(); }

    static std::shared_ptr<VideoFrame> makeFrame(int width, int height, uint32_t number)
    {
        auto frame = std::make_shared<VideoFrame>();
        frame->width = width;
        frame->height = height;
        const int chromaWidth = (width + 1) / 2;
        const int chromaHeight = (height + 1) / 2;
        auto luma = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                (*luma)[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>((x + y + 4 * number) & 0xFF);
        for (int i = 0; i < 4 && i < static_cast<int>(luma->size()); ++i)
            (*luma)[i] = static_cast<uint8_t>(number >> (8 * i));
        const auto chroma = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(chromaWidth) * chromaHeight, 128);
        frame->planes = {{luma, width}, {chroma, chromaWidth}, {chroma, chromaWidth}};
        return frame;
    }

    // The number deliver() wrote into a picture.
    static uint32_t numberOf(const VideoFrame& frame)
    {
        const auto& luma = *frame.planes.at(0).data;
        return luma.at(0) | (luma.at(1) << 8) | (luma.at(2) << 16) | (static_cast<uint32_t>(luma.at(3)) << 24);
    }

    std::atomic<int> keyFrameRequests{0};

private:
    const int m_width;
    const int m_height;
    std::atomic<uint32_t> m_next{0};
    media::FrameHandlerList<VideoFrame> m_handlers;
};

} // namespace media::test
