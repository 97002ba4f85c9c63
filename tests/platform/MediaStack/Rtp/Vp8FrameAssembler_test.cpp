#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "MediaStack/Rtp/Vp8FrameAssembler.h"
#include "MediaStack/Rtp/Vp8PayloadDescriptor.h"
#include "MediaStack/Vp8PayloadPacketizer.h"

using namespace mediastack::rtp;
using std::chrono::milliseconds;

namespace {

const MediaTime kStart = MediaTime() + std::chrono::hours(1);

// One packet of a frame: S on the first, marker on the last; the first VP8 byte says key
// frame (P bit 0) or not.
std::shared_ptr<const RTPPacket> packet(uint16_t sequenceNumber, uint32_t timestamp, bool start, bool marker, bool keyFrame = false)
{
    auto p = std::make_shared<RTPPacket>();
    p->sequenceNumber = sequenceNumber;
    p->timestamp = timestamp;
    p->marker = marker;
    p->payload = { static_cast<uint8_t>(start ? 0x10 : 0x00), static_cast<uint8_t>(keyFrame ? 0x00 : 0x01), 0xAB };
    return p;
}

// Frames of three packets each: frame f has sequence numbers 10+3f .. 12+3f, timestamp f.
// Frame 0 and frame 3 are key frames.
std::shared_ptr<const RTPPacket> framePacket(int frame, int index)
{
    return packet(static_cast<uint16_t>(10 + 3 * frame + index), static_cast<uint32_t>(frame), index == 0, index == 2, frame % 3 == 0);
}

std::vector<uint16_t> numbers(const std::vector<std::shared_ptr<const RTPPacket>>& packets)
{
    std::vector<uint16_t> out;
    for (const auto& p : packets) {
        out.push_back(p->sequenceNumber);
    }
    return out;
}

}

TEST(Vp8PayloadDescriptor, ReadsWhereTheDataStarts)
{
    struct Case {
        std::vector<uint8_t> payload;
        std::optional<size_t> length;
        bool start;
        bool key;
        const char* why;
    };
    const Case cases[] = {
        { { 0x10, 0x00 }, 1, true, true, "S, partition 0, key frame" },
        { { 0x10, 0x01 }, 1, true, false, "inter frame" },
        { { 0x11, 0x00 }, 1, false, false, "S on partition 1 does not start the frame" },
        { { 0x00, 0x00 }, 1, false, false, "continuation" },
        { { 0x90, 0x80, 0x05, 0x00 }, 3, true, true, "7-bit picture id" },
        { { 0x90, 0x80, 0x85, 0x01, 0x00 }, 4, true, true, "15-bit picture id" },
        { { 0x90, 0xF0, 0x85, 0x01, 0x07, 0x20, 0x00 }, 6, true, true, "picture id, TL0PICIDX, TID/KEYIDX" },
        { {}, std::nullopt, false, false, "empty" },
        { { 0x10 }, std::nullopt, false, false, "descriptor only" },
        { { 0x90 }, std::nullopt, false, false, "extension byte missing" },
        { { 0x90, 0x80, 0x85 }, std::nullopt, false, false, "long picture id cut" },
        { { 0x90, 0xF0, 0x85, 0x01, 0x07, 0x20 }, std::nullopt, false, false, "no data after a full descriptor" },
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> exact(c.payload);
        const auto descriptor = Vp8PayloadDescriptor::read(exact);
        ASSERT_EQ(descriptor.has_value(), c.length.has_value()) << c.why;
        if (descriptor) {
            EXPECT_EQ(descriptor->length, *c.length) << c.why;
            EXPECT_EQ(descriptor->startOfFrame, c.start) << c.why;
            EXPECT_EQ(descriptor->keyFrame, c.key) << c.why;
        }
    }
}

TEST(Vp8FrameAssembler, HandsOutWholeFramesInOrder)
{
    struct Step {
        int frame;
        int index;
        std::vector<uint16_t> released;
    };
    struct Case {
        std::vector<Step> steps;
        const char* why;
    };
    const Case cases[] = {
        { { { 0, 0, {} }, { 0, 1, {} }, { 0, 2, { 10, 11, 12 } }, { 1, 0, {} }, { 1, 1, {} }, { 1, 2, { 13, 14, 15 } } }, "in order" },
        { { { 0, 2, {} }, { 0, 0, {} }, { 0, 1, { 10, 11, 12 } } }, "reordered within a frame" },
        { { { 0, 0, {} }, { 0, 1, {} }, { 1, 0, {} }, { 1, 1, {} }, { 1, 2, {} }, { 0, 2, { 10, 11, 12, 13, 14, 15 } } },
            "a later frame waits for the one before it (a retransmission fills it)" },
        { { { 0, 0, {} }, { 0, 0, {} }, { 0, 1, {} }, { 0, 2, { 10, 11, 12 } }, { 0, 1, {} } }, "duplicates and a late copy are dropped" },
        // The stream is joined mid-frame: the fragment before the first start is left behind.
        { { { 0, 2, {} }, { 1, 0, {} }, { 1, 1, {} }, { 1, 2, { 13, 14, 15 } } }, "joined in the middle of a frame" },
    };
    for (const auto& c : cases) {
        Vp8FrameAssembler assembler;
        DropCounter drops;
        for (const auto& step : c.steps) {
            EXPECT_EQ(numbers(assembler.insert(framePacket(step.frame, step.index), kStart, drops)), step.released) << c.why;
        }
    }
}

TEST(Vp8FrameAssembler, GivesUpAHoleAfterWaitingOrAtAKeyFrame)
{
    Vp8FrameAssembler::Config config;
    config.maxWait = milliseconds(100);
    DropCounter drops;

    // Frame 1 misses its middle packet; frame 2 is whole. After the wait, frame 2 goes.
    Vp8FrameAssembler waiting(config);
    for (auto [frame, index] : std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 1 }, { 0, 2 }, { 1, 0 }, { 1, 2 }, { 2, 0 }, { 2, 1 }, { 2, 2 } }) {
        (void)waiting.insert(framePacket(frame, index), kStart, drops);
    }
    EXPECT_TRUE(waiting.poll(kStart + milliseconds(99)).empty());
    EXPECT_EQ(numbers(waiting.poll(kStart + milliseconds(100))), (std::vector<uint16_t> { 16, 17, 18 }));
    EXPECT_EQ(waiting.framesAbandoned(), 1u);
    EXPECT_EQ(waiting.heldPackets(), 0u);

    // A whole key frame behind the hole goes at once.
    Vp8FrameAssembler keyed(config);
    (void)keyed.insert(framePacket(2, 0), kStart, drops); // a fragment of frame 2
    std::vector<uint16_t> released;
    for (int index = 0; index < 3; ++index) {
        released = numbers(keyed.insert(framePacket(3, index), kStart, drops));
    }
    EXPECT_EQ(released, (std::vector<uint16_t> { 19, 20, 21 }));
}

TEST(Vp8FrameAssembler, AGapThatWasGivenUpMakesTheDepacketizerAskForAKeyFrame)
{
    Vp8FrameAssembler::Config config;
    config.maxWait = milliseconds(100);
    Vp8FrameAssembler assembler(config);
    Vp8PayloadPacketizer depacketizer;
    DropCounter drops;
    int frames = 0;
    const auto feed = [&](const std::vector<std::shared_ptr<const RTPPacket>>& packets) {
        for (const auto& p : packets) {
            if (depacketizer.depacketize(std::make_shared<RTPPacket>(*p))) {
                ++frames;
            }
        }
    };
    for (auto [frame, index] : std::vector<std::pair<int, int>> { { 0, 0 }, { 0, 1 }, { 0, 2 }, { 1, 0 }, { 2, 0 }, { 2, 1 }, { 2, 2 } }) {
        feed(assembler.insert(framePacket(frame, index), kStart, drops));
    }
    EXPECT_EQ(frames, 1);
    feed(assembler.poll(kStart + milliseconds(200)));
    EXPECT_TRUE(depacketizer.sequenceNumberingViolated());
}

TEST(Vp8FrameAssembler, PacketizedFramesComeBackThroughAnyOrder)
{
    Vp8PayloadPacketizer sender;
    Vp8PayloadPacketizer receiver;
    Vp8FrameAssembler assembler;
    DropCounter drops;
    std::mt19937 random(3);
    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::vector<uint8_t>> received;
    for (int f = 0; f < 20; ++f) {
        std::vector<uint8_t> frame(1500 + 700 * (f % 4), static_cast<uint8_t>(f));
        frame[0] = f == 0 ? 0x00 : 0x01;
        sent.push_back(frame);
        auto packets = sender.packetize(frame, 90000);
        std::shuffle(packets.begin(), packets.end(), random);
        for (const auto& p : packets) {
            for (const auto& ready : assembler.insert(p, kStart, drops)) {
                if (auto whole = receiver.depacketize(std::make_shared<RTPPacket>(*ready))) {
                    received.push_back(*whole);
                }
            }
        }
    }
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(receiver.sequenceNumberingViolated());
    EXPECT_EQ(drops.total(), 0u);
}

TEST(Vp8FrameAssembler, HoldsNoMoreThanItsCapsWhateverArrives)
{
    Vp8FrameAssembler::Config config;
    config.maxPackets = 64;
    config.maxBytes = 100;
    Vp8FrameAssembler assembler(config);
    DropCounter drops;
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        auto p = std::make_shared<RTPPacket>();
        p->sequenceNumber = static_cast<uint16_t>(i % 3 == 0 ? random() : i);
        p->timestamp = static_cast<uint32_t>(random() % 4);
        p->marker = random() % 5 == 0;
        p->payload.resize(1 + random() % 40);
        for (auto& b : p->payload) {
            b = static_cast<uint8_t>(random());
        }
        (void)assembler.insert(p, kStart + milliseconds(i / 10), drops);
        ASSERT_LE(assembler.heldPackets(), config.maxPackets);
        ASSERT_LE(assembler.heldBytes(), config.maxBytes + 40);
    }
    EXPECT_GT(drops.total(), 0u);
}

TEST(Vp8FrameAssembler, ABurstThatCompletesNothingIsNotLookedOverPacketByPacket)
{
    struct Case {
        int step; // between the sequence numbers of the burst
        bool marker;
        const char* why;
    };
    const Case cases[] = {
        { 2, false, "spread numbers, no frame can complete" },
        { 1, false, "one long frame without an end" },
        { 3, true, "lone ends of frames, their starts missing" },
    };
    for (const auto& c : cases) {
        Vp8FrameAssembler assembler;
        DropCounter drops;
        // Frame 0 is handed out, then frame 1 loses its first packet: the head is stuck.
        for (int i = 0; i < 3; ++i) {
            (void)assembler.insert(framePacket(0, i), kStart, drops);
        }
        (void)assembler.insert(framePacket(1, 1), kStart, drops);
        for (int i = 0; i < 800; ++i) {
            (void)assembler.insert(packet(static_cast<uint16_t>(100 + c.step * i), 7, false, c.marker), kStart, drops);
        }
        EXPECT_LT(assembler.lookOvers(), 20u) << c.why;
        // Time still gives the hole up, and a whole frame after it then goes out.
        for (int i = 0; i < 3; ++i) {
            (void)assembler.insert(packet(static_cast<uint16_t>(2600 + i), 9, i == 0, i == 2), kStart, drops);
        }
        EXPECT_EQ(numbers(assembler.poll(kStart + milliseconds(300))), (std::vector<uint16_t> { 2600, 2601, 2602 })) << c.why;
    }
}

TEST(Vp8FrameAssembler, AJumpBackAndForthNeverHandsAFrameOutTwice)
{
    struct Case {
        std::vector<std::pair<uint16_t, uint32_t>> frames; // one-packet frames: sequence number, timestamp
        std::vector<uint16_t> out;
        const char* why;
    };
    const Case cases[] = {
        { { { 500, 0 }, { 41742, 900000 }, { 501, 3000 }, { 41742, 900000 } }, { 500, 41742 }, "a stray far packet, then back: the old numbers are late now" },
        { { { 500, 3000 }, { 20000, 0 }, { 501, 6000 } }, { 500, 501 }, "a far packet with older pictures is dropped, the stream goes on" },
        { { { 500, 3000 }, { 20000, 0 }, { 20001, 3000 } }, { 500, 20001 }, "the packet after it follows on: a real restart" },
    };
    for (const auto& c : cases) {
        Vp8FrameAssembler assembler;
        DropCounter drops;
        std::vector<uint16_t> out;
        for (const auto& [number, timestamp] : c.frames) {
            for (const auto& p : assembler.insert(packet(number, timestamp, true, true, true), kStart, drops))
                out.push_back(p->sequenceNumber);
        }
        EXPECT_EQ(out, c.out) << c.why;
    }
}
