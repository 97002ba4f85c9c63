#pragma once
// The abs-send-time header extension: the sender's clock when the packet left, 24 bits of
// 6.18 fixed-point seconds (it wraps every 64 s). The receiver compares the gaps between
// send times with the gaps between arrivals to see a queue build up on the path.
// Any thread: no state.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "MediaStack/Rtp/MediaTime.h"

namespace mediastack::rtp {

struct AbsSendTime {
    static constexpr const char* uri = "http://www.webrtc.org/experiments/rtp-hdrext/abs-send-time";

    static uint32_t at(MediaTime now)
    {
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
        return static_cast<uint32_t>(((static_cast<uint64_t>(micros) << 18) / 1000000) & 0xFFFFFF);
    }
    static std::vector<uint8_t> write(uint32_t value)
    {
        return { static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value) };
    }
    static std::optional<uint32_t> read(std::span<const uint8_t> data)
    {
        if (data.size() != 3)
            return std::nullopt;
        return (uint32_t { data[0] } << 16) | (uint32_t { data[1] } << 8) | data[2];
    }
    // `later - earlier` across the wrap, as a duration (within half the 64 s range).
    static MediaDuration between(uint32_t earlier, uint32_t later)
    {
        int32_t units = static_cast<int32_t>(((later - earlier) & 0xFFFFFF) << 8) >> 8;
        return std::chrono::duration_cast<MediaDuration>(std::chrono::microseconds(int64_t { units } * 1000000 / (1 << 18)));
    }
};

}
