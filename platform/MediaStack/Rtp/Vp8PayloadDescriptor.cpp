#include "MediaStack/Rtp/Vp8PayloadDescriptor.h"

#include "MediaStack/Rtp/ByteReader.h"

namespace mediastack::rtp {

std::optional<Vp8PayloadDescriptor> Vp8PayloadDescriptor::read(std::span<const uint8_t> payload)
{
    ByteReader reader(payload);
    const uint8_t first = reader.u8();
    if (first & 0x80) { // X: an extension byte follows
        const uint8_t extension = reader.u8();
        if (extension & 0x80) { // I: picture id, 7 or 15 bits
            const uint8_t pictureId = reader.u8();
            if (pictureId & 0x80) {
                reader.skip(1);
            }
        }
        if (extension & 0x40) { // L: TL0PICIDX
            reader.skip(1);
        }
        if (extension & 0x30) { // T or K: TID / KEYIDX share a byte
            reader.skip(1);
        }
    }
    if (!reader.ok() || reader.remaining() == 0) {
        return std::nullopt;
    }
    Vp8PayloadDescriptor out;
    out.startOfFrame = (first & 0x10) && (first & 0x07) == 0;
    out.length = reader.offset();
    out.keyFrame = out.startOfFrame && (payload[out.length] & 0x01) == 0;
    return out;
}

}
