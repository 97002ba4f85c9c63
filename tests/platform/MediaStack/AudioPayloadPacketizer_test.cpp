#include <gtest/gtest.h>

#include "MediaStack/AudioPayloadPacketizer.h"

TEST(AudioPayloadPacketizer, OnePacketPerFrameWithTimestampsInPacketTimes)
{
    AudioPayloadPacketizer packetizer;
    std::vector<std::shared_ptr<RTPPacket>> sent;
    for (uint8_t i = 0; i < 4; ++i) {
        auto packets = packetizer.packetize({ i, 0x42 }, 48000, 20, false);
        ASSERT_EQ(packets.size(), 1u);
        sent.push_back(packets[0]);
    }
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i]->sequenceNumber, static_cast<uint16_t>(sent[0]->sequenceNumber + i));
        EXPECT_EQ(sent[i]->timestamp, sent[0]->timestamp + 960u * i) << "48000 Hz x 20 ms";
        EXPECT_EQ(sent[i]->marker, i == 0) << "start of the talkspurt only";
        EXPECT_EQ(sent[i]->payload, (std::vector<uint8_t> { static_cast<uint8_t>(i), 0x42 })) << "no payload header";
    }
}

TEST(AudioPayloadPacketizer, EmptyFramesAndPayloadsCarryNothing)
{
    AudioPayloadPacketizer packetizer;
    EXPECT_TRUE(packetizer.packetize({}, 48000, 20, false).empty());

    auto p = std::make_shared<RTPPacket>();
    EXPECT_FALSE(packetizer.depacketize(p));
    EXPECT_FALSE(packetizer.depacketize(nullptr));
    p->payload = { 1, 2, 3 };
    EXPECT_EQ(packetizer.depacketize(p), (std::vector<uint8_t> { 1, 2, 3 }));
}
