#pragma once
// One RTP header extension element (RFC 8285): its negotiated id and its bytes. A plain
// record.
#include <cstdint>
#include <vector>

namespace mediastack::rtp {

struct RtpHeaderExtension {
    uint8_t id = 0;
    std::vector<uint8_t> data;

    bool operator==(const RtpHeaderExtension&) const = default;
};

}
