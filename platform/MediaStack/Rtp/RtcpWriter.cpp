#include "MediaStack/Rtp/RtcpWriter.h"

#include <algorithm>
#include <cmath>

#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "MediaStack/Rtp/ByteWriter.h"
#include "MediaStack/Rtp/RtcpNackPacket.h"
#include "MediaStack/Rtp/RtcpSdesPacket.h"

namespace mediastack::rtp {

namespace {

constexpr size_t kMaxBlocksPerReport = 31;

// Writes the 4-byte header with a placeholder length; returns where the length goes.
size_t beginPacket(ByteWriter& writer, uint8_t count, uint8_t type)
{
    writer.u8(static_cast<uint8_t>(0x80 | (count & 0x1F)));
    writer.u8(type);
    writer.u16(0);
    return writer.size() - 2;
}

void endPacket(ByteWriter& writer, size_t lengthOffset)
{
    const size_t start = lengthOffset - 2;
    writer.patchU16(lengthOffset, static_cast<uint16_t>((writer.size() - start) / 4 - 1));
}

void writeReportBlock(ByteWriter& writer, const RTCPReportBlock& block)
{
    writer.u32(block.ssrc);
    writer.u8(static_cast<uint8_t>(std::clamp(std::lround(block.fractionLost * 256.0), 0L, 255L)));
    writer.u24(static_cast<uint32_t>(std::clamp(block.cumulativePacketsLost, -0x800000, 0x7FFFFF)) & 0xFFFFFF);
    writer.u32(block.extendedHighestSequenceNumber);
    writer.u32(block.jitter);
    writer.u32(block.lastSenderReport);
    writer.u32(block.delaySinceLastSenderReport);
}

void writeReport(ByteWriter& writer, const RTCPReportPacket& report)
{
    const auto* sr = dynamic_cast<const RTCPSenderReportPacket*>(&report);
    const auto& blocks = report.reportBlocks;
    size_t next = 0;
    do {
        const size_t count = std::min(kMaxBlocksPerReport, blocks.size() - next);
        const bool sender = sr && next == 0;
        const size_t length = beginPacket(writer, static_cast<uint8_t>(count), sender ? 200 : 201);
        writer.u32(report.ssrc);
        if (sender) {
            writer.u64(sr->ntpTimestamp);
            writer.u32(sr->rtpTimestamp);
            writer.u32(sr->senderPacketCount);
            writer.u32(sr->senderOctetCount);
        }
        for (size_t i = 0; i < count; ++i) {
            writeReportBlock(writer, blocks[next + i]);
        }
        next += count;
        endPacket(writer, length);
    } while (next < blocks.size());
}

void writeSdes(ByteWriter& writer, const RtcpSdesPacket& sdes)
{
    const size_t length = beginPacket(writer, 1, 202);
    const size_t start = writer.size();
    writer.u32(sdes.ssrc);
    const size_t textLength = std::min<size_t>(sdes.cname.size(), 255);
    writer.u8(1); // CNAME
    writer.u8(static_cast<uint8_t>(textLength));
    writer.bytes({ reinterpret_cast<const uint8_t*>(sdes.cname.data()), textLength });
    // The end-of-items null, then nulls to the next 32-bit boundary.
    writer.u8(0);
    writer.zeros((4 - (writer.size() - start) % 4) % 4);
    endPacket(writer, length);
}

}

namespace {

void writeRemb(ByteWriter& writer, const RtcpRembPacket& remb)
{
    // The largest rate 18 bits and a 6-bit exponent carry, with the fewest bits dropped.
    uint64_t mantissa = remb.bitrate;
    uint32_t exponent = 0;
    while (mantissa > 0x3FFFF && exponent < 63) {
        mantissa >>= 1;
        exponent++;
    }
    const size_t count = std::min<size_t>(remb.mediaSsrcs.size(), 255);
    const size_t length = beginPacket(writer, 15, 206);
    writer.u32(remb.senderSsrc);
    writer.u32(0);
    for (char c : std::string_view("REMB"))
        writer.u8(static_cast<uint8_t>(c));
    writer.u8(static_cast<uint8_t>(count));
    writer.u8(static_cast<uint8_t>((exponent << 2) | (mantissa >> 16)));
    writer.u16(static_cast<uint16_t>(mantissa));
    for (size_t i = 0; i < count; ++i)
        writer.u32(remb.mediaSsrcs[i]);
    endPacket(writer, length);
}

}

std::vector<uint8_t> RtcpWriter::write(const std::vector<std::shared_ptr<RTCPPacket>>& packets)
{
    std::vector<uint8_t> out;
    ByteWriter writer(out);
    for (const auto& packet : packets) {
        if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get())) {
            writeReport(writer, *report);
        } else if (const auto* sdes = dynamic_cast<const RtcpSdesPacket*>(packet.get())) {
            writeSdes(writer, *sdes);
        } else if (const auto* pli = dynamic_cast<const RTCPPliPacket*>(packet.get())) {
            const size_t length = beginPacket(writer, 1, 206);
            writer.u32(pli->senderSsrc);
            writer.u32(pli->mediaSsrc);
            endPacket(writer, length);
        } else if (const auto* remb = dynamic_cast<const RtcpRembPacket*>(packet.get())) {
            writeRemb(writer, *remb);
        } else if (const auto* nack = dynamic_cast<const RtcpNackPacket*>(packet.get())) {
            const auto items = nack->feedbackItems();
            if (items.empty()) {
                continue;
            }
            const size_t length = beginPacket(writer, 1, 205);
            writer.u32(nack->senderSsrc);
            writer.u32(nack->mediaSsrc);
            for (const auto& [pid, blp] : items) {
                writer.u16(pid);
                writer.u16(blp);
            }
            endPacket(writer, length);
        }
    }
    return out;
}

}
