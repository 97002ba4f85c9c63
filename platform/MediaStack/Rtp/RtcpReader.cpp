#include "MediaStack/Rtp/RtcpReader.h"

#include <optional>
#include <string_view>

#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "MediaStack/Rtp/ByteReader.h"
#include "MediaStack/Rtp/RtcpNackPacket.h"

namespace mediastack::rtp {

namespace {

constexpr uint8_t kSenderReport = 200;
constexpr uint8_t kReceiverReport = 201;
constexpr uint8_t kTransportFeedback = 205;
constexpr uint8_t kPayloadFeedback = 206;
constexpr uint8_t kGenericNack = 1;
constexpr uint8_t kPictureLoss = 1;
constexpr uint8_t kApplicationLayer = 15;

// An application-layer feedback packet: a REMB, or a null packet for any other application.
std::optional<std::shared_ptr<RTCPPacket>> readRemb(ByteReader& reader)
{
    auto remb = std::make_shared<RtcpRembPacket>();
    remb->senderSsrc = reader.u32();
    (void)reader.u32(); // media source: unused, zero
    const auto identifier = reader.bytes(4);
    if (!reader.ok()) {
        return std::nullopt;
    }
    if (std::string_view(reinterpret_cast<const char*>(identifier.data()), identifier.size()) != "REMB") {
        return std::shared_ptr<RTCPPacket>();
    }
    const size_t count = reader.u8();
    const uint32_t rate = reader.u24();
    const unsigned exponent = rate >> 18;
    const uint64_t mantissa = rate & 0x3FFFF;
    // 18 bits shifted by up to 63: saturate rather than lose the high bits.
    remb->bitrate = exponent > 46 ? UINT64_MAX : mantissa << exponent;
    for (size_t i = 0; i < count && reader.ok(); ++i) {
        remb->mediaSsrcs.push_back(reader.u32());
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return remb;
}

RTCPReportBlock readReportBlock(ByteReader& reader)
{
    RTCPReportBlock block;
    block.ssrc = reader.u32();
    block.fractionLost = reader.u8() / 256.0;
    const uint32_t lost = reader.u24();
    // 24-bit two's complement.
    block.cumulativePacketsLost = static_cast<int32_t>(lost & 0x800000 ? lost | 0xFF000000u : lost);
    block.extendedHighestSequenceNumber = reader.u32();
    block.jitter = reader.u32();
    block.lastSenderReport = reader.u32();
    block.delaySinceLastSenderReport = reader.u32();
    return block;
}

// The body of one packet, after its 4-byte header. None when the body does not hold what the
// header says it does; a null packet (not an error) for kinds the stack does not read.
std::optional<std::shared_ptr<RTCPPacket>> readBody(uint8_t type, uint8_t count, std::span<const uint8_t> body)
{
    ByteReader reader(body);
    std::shared_ptr<RTCPPacket> packet;
    switch (type) {
    case kSenderReport:
    case kReceiverReport: {
        std::shared_ptr<RTCPReportPacket> report;
        if (type == kSenderReport) {
            auto sr = std::make_shared<RTCPSenderReportPacket>();
            sr->ssrc = reader.u32();
            sr->ntpTimestamp = reader.u64();
            sr->rtpTimestamp = reader.u32();
            sr->senderPacketCount = reader.u32();
            sr->senderOctetCount = reader.u32();
            report = sr;
        } else {
            report = std::make_shared<RTCPReceiverReportPacket>();
            report->ssrc = reader.u32();
        }
        if (reader.remaining() < count * RTCPReportBlock::wireLength) {
            return std::nullopt;
        }
        for (uint8_t i = 0; i < count; ++i) {
            report->reportBlocks.push_back(readReportBlock(reader));
        }
        // What follows the blocks is profile-specific extension data, which we step over.
        packet = report;
        break;
    }
    case kTransportFeedback: {
        if (count != kGenericNack) {
            return std::shared_ptr<RTCPPacket>();
        }
        auto nack = std::make_shared<RtcpNackPacket>();
        nack->senderSsrc = reader.u32();
        nack->mediaSsrc = reader.u32();
        if (!reader.ok() || reader.remaining() == 0 || reader.remaining() % 4 != 0) {
            return std::nullopt;
        }
        while (reader.remaining() > 0 && nack->lostSequenceNumbers.size() < RtcpReader::maxNackedSequenceNumbers) {
            const uint16_t pid = reader.u16();
            const uint16_t blp = reader.u16();
            nack->lostSequenceNumbers.push_back(pid);
            for (int bit = 0; bit < 16; ++bit) {
                if (blp & (1u << bit)) {
                    nack->lostSequenceNumbers.push_back(static_cast<uint16_t>(pid + bit + 1));
                }
            }
        }
        if (nack->lostSequenceNumbers.size() > RtcpReader::maxNackedSequenceNumbers) {
            nack->lostSequenceNumbers.resize(RtcpReader::maxNackedSequenceNumbers);
        }
        packet = nack;
        break;
    }
    case kPayloadFeedback: {
        if (count == kApplicationLayer) {
            return readRemb(reader);
        }
        if (count != kPictureLoss) {
            return std::shared_ptr<RTCPPacket>();
        }
        auto pli = std::make_shared<RTCPPliPacket>();
        pli->senderSsrc = reader.u32();
        pli->mediaSsrc = reader.u32();
        packet = pli;
        break;
    }
    default:
        return std::shared_ptr<RTCPPacket>();
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return packet;
}

}

std::vector<std::shared_ptr<RTCPPacket>> RtcpReader::read(std::span<const uint8_t> datagram, DropCounter& drops)
{
    std::vector<std::shared_ptr<RTCPPacket>> packets;
    if (datagram.size() < 4) {
        drops.add(DropReason::RtcpTooShort);
        return {};
    }
    ByteReader reader(datagram);
    while (reader.remaining() > 0) {
        const uint8_t first = reader.u8();
        const uint8_t type = reader.u8();
        const size_t length = (size_t { reader.u16() } + 1) * 4 - 4;
        if (!reader.ok()) {
            drops.add(DropReason::RtcpTooShort);
            return {};
        }
        if ((first >> 6) != 2) {
            drops.add(DropReason::RtcpBadVersion);
            return {};
        }
        auto body = reader.bytes(length);
        if (!reader.ok()) {
            drops.add(DropReason::RtcpBadLength);
            return {};
        }
        if (first & 0x20) {
            // Only the last packet of a compound may be padded, and the count must fit.
            const size_t padding = body.empty() ? 0 : body.back();
            if (reader.remaining() > 0 || padding == 0 || padding > body.size()) {
                drops.add(DropReason::RtcpBadPadding);
                return {};
            }
            body = body.first(body.size() - padding);
        }
        auto packet = readBody(type, first & 0x1F, body);
        if (!packet) {
            drops.add(DropReason::RtcpBadBody);
            return {};
        }
        if (*packet) {
            packets.push_back(std::move(*packet));
        }
    }
    return packets;
}

}
