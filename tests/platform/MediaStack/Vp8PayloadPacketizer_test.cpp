#include <gtest/gtest.h>

#include "MediaStack/Vp8PayloadPacketizer.h"

namespace {

// A frame whose first byte marks it as a key frame (P bit 0) or an inter frame (P bit 1).
std::vector<uint8_t> makeFrame(size_t size, bool keyFrame, uint8_t seed = 1)
{
    std::vector<uint8_t> frame(size);
    for (size_t i = 0; i < size; ++i) {
        frame[i] = static_cast<uint8_t>(seed + i * 7);
    }
    frame[0] = static_cast<uint8_t>((frame[0] & ~1u) | (keyFrame ? 0 : 1));
    return frame;
}

std::shared_ptr<RTPPacket> packet(uint16_t sequenceNumber, uint32_t timestamp, bool marker, std::vector<uint8_t> payload)
{
    auto p = std::make_shared<RTPPacket>();
    p->sequenceNumber = sequenceNumber;
    p->timestamp = timestamp;
    p->marker = marker;
    p->payload = std::move(payload);
    return p;
}

// Feeds packets to a receiver; the frames it handed out, in order.
std::vector<std::vector<uint8_t>> receive(Vp8PayloadPacketizer& receiver, const std::vector<std::shared_ptr<RTPPacket>>& packets)
{
    std::vector<std::vector<uint8_t>> frames;
    for (const auto& p : packets) {
        if (auto frame = receiver.depacketize(p)) {
            frames.push_back(*frame);
        }
    }
    return frames;
}

}

TEST(Vp8PayloadPacketizer, PacketizeAndDepacketizeRoundTrip)
{
    struct Case {
        size_t size;
        size_t packets;
    };
    const size_t room = Vp8PayloadPacketizer::maxPayloadSize - 1;
    // One byte, exactly one packet full, one byte over, and frames of several packets.
    const Case cases[] = { { 1, 1 }, { room, 1 }, { room + 1, 2 }, { 3000, 3 }, { 20000, 17 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Vp8PayloadPacketizer sender;
        Vp8PayloadPacketizer receiver;
        const auto frame = makeFrame(c.size, true);
        const auto packets = sender.packetize(frame, 90000);
        ASSERT_EQ(packets.size(), c.packets);
        for (size_t i = 0; i < packets.size(); ++i) {
            EXPECT_LE(packets[i]->payload.size(), Vp8PayloadPacketizer::maxPayloadSize);
            EXPECT_EQ(packets[i]->sequenceNumber, static_cast<uint16_t>(packets[0]->sequenceNumber + i));
            EXPECT_EQ(packets[i]->timestamp, packets[0]->timestamp);
            EXPECT_EQ(packets[i]->marker, i + 1 == packets.size());
            EXPECT_EQ(packets[i]->payload[0] & 0x10, i == 0 ? 0x10 : 0) << "S bit only on the first packet";
        }
        const auto frames = receive(receiver, packets);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0], frame);
        EXPECT_FALSE(receiver.sequenceNumberingViolated());
    }
}

TEST(Vp8PayloadPacketizer, SequenceNumbersContinueAcrossFrames)
{
    Vp8PayloadPacketizer sender;
    const auto first = sender.packetize(makeFrame(3000, true), 90000);
    const auto second = sender.packetize(makeFrame(10, false), 90000);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]->sequenceNumber, static_cast<uint16_t>(first.back()->sequenceNumber + 1));
    EXPECT_TRUE(sender.packetize({}, 90000).empty());
}

TEST(Vp8PayloadPacketizer, MissingPacketDropsFrameAndFlagsUntilKeyFrame)
{
    // Whichever packet of a three-packet frame is lost, the frame is not handed out and the
    // flag turns on; a following inter frame comes out with the flag still on; a whole key
    // frame clears it.
    for (size_t lost = 0; lost < 3; ++lost) {
        SCOPED_TRACE(lost);
        Vp8PayloadPacketizer sender;
        Vp8PayloadPacketizer receiver;
        auto packets = sender.packetize(makeFrame(3000, true), 90000);
        ASSERT_EQ(packets.size(), 3u);
        packets.erase(packets.begin() + static_cast<std::ptrdiff_t>(lost));
        EXPECT_TRUE(receive(receiver, packets).empty());
        if (lost < 2) {
            EXPECT_TRUE(receiver.sequenceNumberingViolated());
        }

        const auto inter = makeFrame(2500, false);
        EXPECT_EQ(receive(receiver, sender.packetize(inter, 90000)), std::vector<std::vector<uint8_t>> { inter });
        EXPECT_TRUE(receiver.sequenceNumberingViolated());

        const auto key = makeFrame(2500, true, 9);
        EXPECT_EQ(receive(receiver, sender.packetize(key, 90000)), std::vector<std::vector<uint8_t>> { key });
        EXPECT_FALSE(receiver.sequenceNumberingViolated());
    }
}

TEST(Vp8PayloadPacketizer, DuplicateAndOldPacketsAreIgnored)
{
    Vp8PayloadPacketizer sender;
    Vp8PayloadPacketizer receiver;
    const auto frame = makeFrame(3000, false);
    const auto p = sender.packetize(frame, 90000);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(receive(receiver, { p[0], p[1], p[1], p[0], p[2] }), std::vector<std::vector<uint8_t>> { frame });
    EXPECT_FALSE(receiver.sequenceNumberingViolated());
}

TEST(Vp8PayloadPacketizer, SequenceNumberWrapIsNotAGap)
{
    Vp8PayloadPacketizer receiver;
    EXPECT_FALSE(receiver.depacketize(packet(65535, 7, false, { 0x10, 0x00, 0xAA })));
    const auto frame = receiver.depacketize(packet(0, 7, true, { 0x00, 0xBB }));
    ASSERT_TRUE(frame);
    EXPECT_EQ(*frame, (std::vector<uint8_t> { 0x00, 0xAA, 0xBB }));
    EXPECT_FALSE(receiver.sequenceNumberingViolated());
}

TEST(Vp8PayloadPacketizer, ReadsExtendedDescriptors)
{
    struct Case {
        const char* why;
        std::vector<uint8_t> payload;
        bool frameExpected;
    };
    const Case cases[] = {
        { "7-bit picture id", { 0x90, 0x80, 0x05, 0x00, 0x01 }, true },
        { "15-bit picture id", { 0x90, 0x80, 0x85, 0x05, 0x00, 0x01 }, true },
        { "picture id, TL0PICIDX, TID and KEYIDX", { 0x90, 0xF0, 0x85, 0x05, 0x11, 0x22, 0x00, 0x01 }, true },
        { "extension byte missing", { 0x90 }, false },
        { "picture id missing", { 0x90, 0x80 }, false },
        { "descriptor without VP8 data", { 0x90, 0x80, 0x05 }, false },
        { "empty payload", {}, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8PayloadPacketizer receiver;
        const auto frame = receiver.depacketize(packet(100, 1, true, c.payload));
        EXPECT_EQ(frame.has_value(), c.frameExpected);
        if (c.frameExpected) {
            ASSERT_TRUE(frame);
            EXPECT_EQ(*frame, (std::vector<uint8_t> { 0x00, 0x01 }));
        }
        EXPECT_EQ(receiver.sequenceNumberingViolated(), !c.frameExpected);
    }
}

TEST(Vp8PayloadPacketizer, ContinuationWithoutStartIsAViolation)
{
    Vp8PayloadPacketizer receiver;
    EXPECT_FALSE(receiver.depacketize(packet(10, 1, true, { 0x00, 0x01 })));
    EXPECT_TRUE(receiver.sequenceNumberingViolated());
    EXPECT_FALSE(receiver.depacketize(nullptr));
}

TEST(Vp8PayloadPacketizer, FrameLargerThanTheCapIsDroppedAndFlagged)
{
    // A peer that never sends the marker must not grow the frame being put together without
    // bound: past the cap the frame is dropped as if a packet were lost.
    struct Case {
        const char* why;
        size_t size;
        bool handedOut;
    };
    const Case cases[] = {
        { "a frame of exactly the cap", Vp8PayloadPacketizer::maxFrameSize, true },
        { "one byte more", Vp8PayloadPacketizer::maxFrameSize + 1, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8PayloadPacketizer sender;
        Vp8PayloadPacketizer receiver;
        const auto frame = makeFrame(c.size, true);
        const auto frames = receive(receiver, sender.packetize(frame, 90000));
        EXPECT_EQ(frames.size(), c.handedOut ? 1u : 0u);
        EXPECT_EQ(receiver.sequenceNumberingViolated(), !c.handedOut);

        const auto key = makeFrame(2500, true, 9);
        EXPECT_EQ(receive(receiver, sender.packetize(key, 90000)), std::vector<std::vector<uint8_t>> { key });
        EXPECT_FALSE(receiver.sequenceNumberingViolated());
    }
}
