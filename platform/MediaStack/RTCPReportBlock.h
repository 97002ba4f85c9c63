#pragma once
// One report block of a receiver or sender report: what the reporting side received of one
// of our streams. `fractionLost` is the share of packets lost since the previous report,
// 0.0 to 1.0 (the wire's 8-bit fraction divided by 256). A plain record.
#include <cstdint>

struct RTCPReportBlock {
    uint32_t ssrc = 0;
    double fractionLost = 0.0;
    int32_t cumulativePacketsLost = 0;
    uint32_t extendedHighestSequenceNumber = 0;
    uint32_t jitter = 0;
    uint32_t lastSenderReport = 0;
    uint32_t delaySinceLastSenderReport = 0;

    static constexpr size_t wireLength = 24;
};
