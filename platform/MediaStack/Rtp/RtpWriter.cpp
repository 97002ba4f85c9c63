#include "MediaStack/Rtp/RtpWriter.h"

#include <algorithm>

#include "MediaStack/Rtp/ByteWriter.h"

namespace mediastack::rtp {

namespace {

bool fitsOneByteForm(const RtpHeaderExtension& e) { return e.id >= 1 && e.id <= 14 && !e.data.empty() && e.data.size() <= 16; }
bool fitsTwoByteForm(const RtpHeaderExtension& e) { return e.id >= 1 && e.data.size() <= 255; }

void writeExtensions(ByteWriter& writer, const std::vector<RtpHeaderExtension>& extensions)
{
    const bool oneByte = std::all_of(extensions.begin(), extensions.end(), fitsOneByteForm);
    writer.u16(oneByte ? 0xBEDE : 0x1000);
    const size_t lengthOffset = writer.size();
    writer.u16(0);
    const size_t start = writer.size();
    for (const auto& e : extensions) {
        if (oneByte) {
            writer.u8(static_cast<uint8_t>((e.id << 4) | (e.data.size() - 1)));
        } else {
            writer.u8(e.id);
            writer.u8(static_cast<uint8_t>(e.data.size()));
        }
        writer.bytes(e.data);
    }
    const size_t written = writer.size() - start;
    writer.zeros((4 - written % 4) % 4);
    writer.patchU16(lengthOffset, static_cast<uint16_t>((writer.size() - start) / 4));
}

}

std::vector<uint8_t> RtpWriter::write(const RTPPacket& packet, const std::vector<RtpHeaderExtension>& extensions)
{
    std::vector<RtpHeaderExtension> writable;
    std::copy_if(extensions.begin(), extensions.end(), std::back_inserter(writable), fitsTwoByteForm);

    std::vector<uint8_t> out;
    out.reserve(12 + packet.payload.size() + (writable.empty() ? 0 : 64));
    ByteWriter writer(out);
    writer.u8(static_cast<uint8_t>(0x80 | (writable.empty() ? 0 : 0x10)));
    writer.u8(static_cast<uint8_t>((packet.marker ? 0x80 : 0) | (packet.payloadType & 0x7F)));
    writer.u16(packet.sequenceNumber);
    writer.u32(packet.timestamp);
    writer.u32(packet.ssrc);
    if (!writable.empty()) {
        writeExtensions(writer, writable);
    }
    writer.bytes(packet.payload);
    return out;
}

}
