#include "MediaStack/Rtp/RtpReader.h"

#include "MediaStack/Rtp/ByteReader.h"

namespace mediastack::rtp {

namespace {

constexpr uint16_t kOneByteProfile = 0xBEDE;
constexpr uint16_t kTwoByteProfileMask = 0xFFF0;
constexpr uint16_t kTwoByteProfile = 0x1000;

// False when an element runs past the block.
bool readExtensions(uint16_t profile, std::span<const uint8_t> block, std::vector<RtpHeaderExtension>& out)
{
    const bool oneByte = profile == kOneByteProfile;
    if (!oneByte && (profile & kTwoByteProfileMask) != kTwoByteProfile) {
        return true;
    }
    ByteReader reader(block);
    while (reader.remaining() > 0) {
        const uint8_t first = reader.u8();
        if (first == 0) {
            continue; // padding between elements
        }
        uint8_t id;
        size_t length;
        if (oneByte) {
            id = first >> 4;
            if (id == 15) {
                break; // the rest of the block is to be ignored
            }
            length = (first & 0x0F) + 1u;
        } else {
            id = first;
            length = reader.u8();
        }
        const auto data = reader.bytes(length);
        if (!reader.ok()) {
            return false;
        }
        out.push_back(RtpHeaderExtension { id, std::vector<uint8_t>(data.begin(), data.end()) });
    }
    return true;
}

}

std::optional<RtpDatagram> RtpReader::read(std::span<const uint8_t> datagram, DropCounter& drops)
{
    if (datagram.size() < fixedHeaderLength) {
        drops.add(DropReason::RtpTooShort);
        return std::nullopt;
    }
    ByteReader reader(datagram);
    const uint8_t first = reader.u8();
    if ((first >> 6) != 2) {
        drops.add(DropReason::RtpBadVersion);
        return std::nullopt;
    }
    const bool padding = first & 0x20;
    const bool extension = first & 0x10;
    const size_t csrcCount = first & 0x0F;
    const uint8_t second = reader.u8();

    RtpDatagram out;
    out.packet.marker = second & 0x80;
    out.packet.payloadType = second & 0x7F;
    out.packet.sequenceNumber = reader.u16();
    out.packet.timestamp = reader.u32();
    out.packet.ssrc = reader.u32();
    for (size_t i = 0; i < csrcCount; ++i) {
        out.csrcs.push_back(reader.u32());
    }
    if (!reader.ok()) {
        drops.add(DropReason::RtpTooShort);
        return std::nullopt;
    }
    if (extension) {
        const uint16_t profile = reader.u16();
        const size_t words = reader.u16();
        const auto block = reader.bytes(words * 4);
        if (!reader.ok() || !readExtensions(profile, block, out.extensions)) {
            drops.add(DropReason::RtpBadExtension);
            return std::nullopt;
        }
    }

    size_t payloadLength = reader.remaining();
    if (padding) {
        const size_t count = datagram.back();
        if (count == 0 || count > payloadLength) {
            drops.add(DropReason::RtpBadPadding);
            return std::nullopt;
        }
        payloadLength -= count;
    }
    const auto payload = reader.bytes(payloadLength);
    out.packet.payload.assign(payload.begin(), payload.end());
    return out;
}

}
