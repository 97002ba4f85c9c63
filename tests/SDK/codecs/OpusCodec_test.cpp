#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include <opus/opus.h>

#include "DestroyWhileBusy.h"
#include "MediaStack/LogSink.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/RTCPReceiverReportPacket.h"
#include "codecs/InitializeException.h"
#include "codecs/OpusCodec.h"

namespace {

constexpr int kSamplesPerChannel = 960; // 20 ms at 48 kHz
constexpr int kFrameBytes = kSamplesPerChannel * 2 * 2;

// 20 ms of a stereo tone, continuing from frame `index`.
std::shared_ptr<AudioFrame> toneFrame(int index, size_t leading = 0)
{
    auto frame = std::make_shared<AudioFrame>();
    frame->data = std::make_shared<std::vector<uint8_t>>(leading + kFrameBytes);
    for (int i = 0; i < kSamplesPerChannel; ++i) {
        const double t = double(index * kSamplesPerChannel + i) / 48000.0;
        const auto sample = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
        for (int channel = 0; channel < 2; ++channel) {
            std::memcpy(frame->data->data() + leading + (i * 2 + channel) * 2, &sample, 2);
        }
    }
    frame->index = static_cast<int>(leading);
    frame->length = kFrameBytes;
    return frame;
}

std::shared_ptr<RTPPacket> rtpPacket(uint16_t sequenceNumber, const std::vector<uint8_t>& payload)
{
    auto packet = std::make_shared<RTPPacket>();
    packet->sequenceNumber = sequenceNumber;
    packet->payload = payload;
    return packet;
}

std::shared_ptr<RTCPReceiverReportPacket> report(std::vector<double> fractionsLost)
{
    auto packet = std::make_shared<RTCPReceiverReportPacket>();
    for (double fraction : fractionsLost) {
        RTCPReportBlock block;
        block.fractionLost = fraction;
        packet->reportBlocks.push_back(block);
    }
    return packet;
}

class RecordingSink : public LogSink {
public:
    RecordingSink() : LogSink(LogLevel::Debug) { }
    void write(LogLevel level, const std::string& message) override
    {
        if (level == LogLevel::Info) {
            infoLines.push_back(message);
        }
    }
    std::vector<std::string> infoLines;
};

std::shared_ptr<OpusCodec> makeCodec(int clockRate = 48000, int channels = 2)
{
    auto codec = std::make_shared<OpusCodec>();
    codec->setClockRate(clockRate);
    codec->setChannels(channels);
    return codec;
}

class OpusCodecTest : public ::testing::Test {
protected:
    void SetUp() override { MediaStackLog::setSink(sink); }
    void TearDown() override
    {
        codec->destroy();
        MediaStackLog::setSink(nullptr);
    }

    // Encoded packets of consecutive tone frames.
    std::vector<std::vector<uint8_t>> encodedFrames(int count)
    {
        std::vector<std::vector<uint8_t>> packets;
        for (int i = 0; i < count; ++i) {
            auto encoded = codec->encodeWithFrame(toneFrame(i));
            EXPECT_TRUE(encoded);
            packets.push_back(encoded.value_or(std::vector<uint8_t> {}));
        }
        return packets;
    }

    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::shared_ptr<OpusCodec> codec = makeCodec();
};

}

TEST_F(OpusCodecTest, EncodeDecodeRoundTripThroughRTP)
{
    EXPECT_EQ(codec->packetTime(), 20);
    std::shared_ptr<AudioFrame> previous;
    double energy = 0;
    for (int i = 0; i < 6; ++i) {
        const auto encoded = codec->encodeWithFrame(toneFrame(i));
        ASSERT_TRUE(encoded);
        EXPECT_GT(encoded->size(), 0u);
        EXPECT_LE(encoded->size(), size_t(CocoaOpusEncoder::maxEncodedLength));
        const auto packets = codec->packetizeWithEncodedFrame(*encoded);
        ASSERT_EQ(packets.size(), 1u);
        const auto received = codec->depacketizeWithPacket(packets[0]);
        ASSERT_TRUE(received);
        const auto decoded = codec->decodeWithEncodedFrame(*received);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->index, 0);
        EXPECT_EQ(decoded->length, kFrameBytes);
        EXPECT_TRUE(decoded->framesToPlayBefore.empty());
        if (previous) {
            EXPECT_EQ(decoded->data, previous->data) << "normal decodes share the decoder's buffer";
        }
        previous = decoded;
        if (i >= 3) {
            const auto* samples = reinterpret_cast<const int16_t*>(decoded->data->data());
            for (int s = 0; s < kSamplesPerChannel * 2; ++s) {
                energy += double(samples[s]) * samples[s];
            }
        }
    }
    EXPECT_GT(energy / (3 * kSamplesPerChannel * 2), 1e5) << "the tone comes through";
}

TEST_F(OpusCodecTest, BufferThatDoesNotHoldAFrameIsRefused)
{
    struct Case {
        const char* why;
        std::function<void(AudioFrame&)> spoil;
    };
    const Case cases[] = {
        { "length one byte short", [](AudioFrame& f) { f.length = kFrameBytes - 1; } },
        { "data one byte short", [](AudioFrame& f) { f.data->resize(kFrameBytes - 1); } },
        { "index runs past the data", [](AudioFrame& f) { f.index = 2; } },
        { "negative index", [](AudioFrame& f) { f.index = -2; } },
        { "negative length", [](AudioFrame& f) { f.length = -1; } },
        { "no data", [](AudioFrame& f) { f.data = nullptr; } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto frame = toneFrame(0);
        c.spoil(*frame);
        EXPECT_FALSE(codec->encodeWithFrame(frame));
    }
    EXPECT_FALSE(codec->encodeWithFrame(nullptr));
    EXPECT_TRUE(codec->encodeWithFrame(toneFrame(0, 3))) << "a whole frame at an odd byte index";
}

TEST_F(OpusCodecTest, SequenceGapsAreFilledWithConcealmentAndFEC)
{
    struct Case {
        const char* why;
        std::vector<uint16_t> sequenceNumbers;
        std::vector<size_t> framesBefore;
        std::vector<std::string> logLines;
    };
    const std::string adding = "frames of loss concealment to incoming audio stream. Packet sequence violated.";
    const Case cases[] = {
        { "in order", { 10, 11, 12 }, { 0, 0, 0 }, {} },
        { "one missing: its frame from this packet's FEC data", { 10, 12 }, { 0, 1 }, {} },
        { "three missing: two concealed, one from FEC", { 10, 14 }, { 0, 3 }, { "Adding 2 " + adding } },
        { "repeated packet", { 10, 10, 11 }, { 0, 0, 0 }, {} },
        { "late packet leaves the newest sequence number", { 10, 12, 11, 13 }, { 0, 1, 0, 0 }, {} },
        { "wrap of the sequence number", { 65534, 65535, 0, 2 }, { 0, 0, 0, 1 }, {} },
        { "a long gap is bridged by a bounded concealment", { 10, 30010 }, { 0, size_t(OpusCodec::maxConcealmentFrames) + 1 },
            { "Adding " + std::to_string(OpusCodec::maxConcealmentFrames) + " " + adding } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        codec->destroy();
        codec = makeCodec();
        sink->infoLines.clear();
        const auto packets = encodedFrames(static_cast<int>(c.sequenceNumbers.size()));
        std::vector<size_t> framesBefore;
        for (size_t i = 0; i < c.sequenceNumbers.size(); ++i) {
            const auto payload = codec->depacketizeWithPacket(rtpPacket(c.sequenceNumbers[i], packets[i]));
            ASSERT_TRUE(payload);
            const auto decoded = codec->decodeWithEncodedFrame(*payload);
            ASSERT_TRUE(decoded);
            framesBefore.push_back(decoded->framesToPlayBefore.size());
            for (const auto& before : decoded->framesToPlayBefore) {
                EXPECT_EQ(before->length, kFrameBytes);
                EXPECT_NE(before->data, decoded->data);
            }
        }
        EXPECT_EQ(framesBefore, c.framesBefore);
        EXPECT_EQ(sink->infoLines, c.logLines);
    }
}

TEST_F(OpusCodecTest, DecoderSwitchesOffTheStacksConcealment)
{
    auto stream = std::make_shared<RemoteStream>();
    codec->setRemoteStream(stream);
    const auto packets = encodedFrames(1);
    EXPECT_FALSE(stream->disablePLC());
    ASSERT_TRUE(codec->decodeWithEncodedFrame(packets[0]));
    EXPECT_TRUE(stream->disablePLC());
}

TEST_F(OpusCodecTest, FECSwitchesOnFromTheThirdReportPacket)
{
    const double lossy = 13 / 256.0; // 5.08 %, above the 5 % trigger
    const double atTrigger = 12 / 256.0; // 4.69 %
    struct Case {
        const char* why;
        bool disableFEC;
        std::vector<std::shared_ptr<RTCPPacket>> packets;
        std::vector<bool> activeAfterEach;
    };
    const Case cases[] = {
        { "loss in the first two reports does not count; the third switches it on", false,
            { report({ lossy }), report({ lossy }), report({ lossy }), report({ 0.0 }) }, { false, false, true, true } },
        { "several blocks in one packet are one report", false, { report({ lossy, lossy, lossy }), report({ lossy }), report({ lossy }) },
            { false, false, true } },
        { "picture loss indications are not reports", false,
            { std::make_shared<RTCPPliPacket>(), std::make_shared<RTCPPliPacket>(), report({ lossy }), report({ lossy }) }, { false, false, false, false } },
        { "loss at or below the trigger", false, { report({ atTrigger }), report({ atTrigger }), report({ atTrigger }) }, { false, false, false } },
        { "disabled", true, { report({ lossy }), report({ lossy }), report({ lossy }) }, { false, false, false } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto subject = makeCodec();
        subject->setDisableFEC(c.disableFEC);
        ASSERT_TRUE(subject->encodeWithFrame(toneFrame(0)));
        std::vector<bool> active;
        for (const auto& packet : c.packets) {
            subject->processRTCPWithPackets({ packet });
            active.push_back(subject->fecActive());
        }
        EXPECT_EQ(active, c.activeAfterEach);
        const auto held = subject->encoder()->heldSettings();
        ASSERT_TRUE(held);
        EXPECT_EQ(held->inbandFEC, active.back());
        EXPECT_EQ(held->packetLossPercent, active.back() ? 5 : 0) << "the trigger, not the measured loss";
        subject->destroy();
    }
}

TEST_F(OpusCodecTest, ReportsBeforeTheEncoderExistsAreIgnored)
{
    for (int i = 0; i < 3; ++i) {
        codec->processRTCPWithPackets({ report({ 0.5 }) });
    }
    ASSERT_TRUE(codec->encodeWithFrame(toneFrame(0)));
    codec->processRTCPWithPackets({ report({ 0.5 }) });
    EXPECT_FALSE(codec->fecActive()) << "the first counted report";
}

TEST_F(OpusCodecTest, QualityStepsWithRunsOfLossyAndLossFreeBlocks)
{
    struct Case {
        const char* why;
        std::string blocks; // 'L' lossy, '0' loss-free
        double quality;
        int complexity;
    };
    const Case cases[] = {
        { "five lossy blocks change nothing", "LLLLL", 0.5, 5 },
        { "the sixth lowers the quality", "LLLLLL", 0.4, 4 },
        { "six loss-free ones raise it again", "LLLLLL000000", 0.5, 5 },
        { "a loss-free block resets the lossy run", "LLLLL0LLLLL", 0.5, 5 },
        { "floor at 0", std::string(36, 'L'), 0.0, 0 },
        { "three steps up from 0.5 reach 0.8, complexity 8", std::string(18, '0'), 0.8, 8 },
        { "ceiling at 1", std::string(36, '0'), 1.0, 10 },
        { "down to 0 and up by three steps", std::string(36, 'L') + std::string(18, '0'), 0.3, 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto subject = makeCodec();
        ASSERT_TRUE(subject->encodeWithFrame(toneFrame(0)));
        for (char b : c.blocks) {
            subject->processRTCPWithPackets({ report({ b == 'L' ? 0.02 : 0.0 }) });
        }
        EXPECT_NEAR(subject->encoder()->quality(), c.quality, 1e-9);
        EXPECT_EQ(subject->encoder()->complexity(), c.complexity);
        EXPECT_EQ(subject->encoder()->bitrate(), 125) << "the bitrate stays";
        subject->destroy();
    }
}

TEST_F(OpusCodecTest, QualityChangesAreLogged)
{
    ASSERT_TRUE(codec->encodeWithFrame(toneFrame(0)));
    for (int i = 0; i < 6; ++i) {
        codec->processRTCPWithPackets({ report({ 0.02 }) });
    }
    EXPECT_EQ(sink->infoLines, std::vector<std::string> { "Decreasing Opus encoder quality to 40.00 %." });
}

TEST(CocoaOpusEncoder, SettersClamp)
{
    struct Case {
        int32_t bitrate;
        int32_t storedBitrate;
        double quality;
        double storedQuality;
        int complexity;
    };
    const Case cases[] = {
        { 0, 1, 1.5, 1.0, 10 },
        { -5, 1, -0.5, 0.0, 0 },
        { 1000, 500, 0.5, 0.5, 5 },
        { 125, 125, 0.7, 0.7, 7 },
    };
    CocoaOpusEncoder encoder;
    encoder.initWithClockRate_channels_packetTime(48000, 2, 20);
    EXPECT_EQ(encoder.bitrate(), 125);
    EXPECT_DOUBLE_EQ(encoder.quality(), 1.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitrate);
        encoder.setBitrate(c.bitrate);
        encoder.setQuality(c.quality);
        EXPECT_EQ(encoder.bitrate(), c.storedBitrate);
        EXPECT_DOUBLE_EQ(encoder.quality(), c.storedQuality);
        EXPECT_EQ(encoder.complexity(), c.complexity);
    }
}

TEST(OpusCodec, LibopusHoldsTheSettings)
{
    // Read back from libopus itself, so that a setting it refused or never got shows.
    auto throughCodec = [](std::function<void(OpusCodec&)> steps) {
        return [steps] {
            auto codec = makeCodec();
            EXPECT_TRUE(codec->encodeWithFrame(toneFrame(0)));
            steps(*codec);
            return codec->encoder();
        };
    };
    auto reports = [](int count, double fractionLost) {
        return [count, fractionLost](OpusCodec& codec) {
            for (int i = 0; i < count; ++i) {
                codec.processRTCPWithPackets({ report({ fractionLost }) });
            }
        };
    };
    struct Case {
        const char* why;
        std::function<std::shared_ptr<CocoaOpusEncoder>()> encoder;
        int32_t bitrate;
        int32_t complexity;
        bool inbandFEC;
        int32_t packetLossPercent;
    };
    const Case cases[] = {
        { "a new encoder: quality 1.0, bitrate 125 x 1024 bit/s",
            [] {
                auto encoder = std::make_shared<CocoaOpusEncoder>();
                encoder->initWithClockRate_channels_packetTime(48000, 2, 20);
                return encoder;
            },
            128000, 10, false, 0 },
        { "the codec's first frame: quality 0.5", throughCodec([](OpusCodec&) {}), 128000, 5, false, 0 },
        { "the highest bitrate", throughCodec([](OpusCodec& codec) { codec.encoder()->setBitrate(500); }), 512000, 5, false, 0 },
        { "six lossy report blocks lower the complexity", throughCodec(reports(6, 0.02)), 128000, 4, false, 0 },
        { "loss in the third report switches FEC on, expecting 5 %", throughCodec(reports(3, 0.1)), 128000, 5, true, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const auto encoder = c.encoder();
        ASSERT_TRUE(encoder);
        const auto held = encoder->heldSettings();
        ASSERT_TRUE(held);
        EXPECT_EQ(held->application, OPUS_APPLICATION_VOIP);
        EXPECT_EQ(held->signal, OPUS_SIGNAL_VOICE);
        EXPECT_EQ(held->bitrate, c.bitrate);
        EXPECT_EQ(held->complexity, c.complexity);
        EXPECT_EQ(held->inbandFEC, c.inbandFEC);
        EXPECT_EQ(held->packetLossPercent, c.packetLossPercent);
    }
}

TEST(OpusCodec, CodecThatCannotBeSetUpThrowsInitializeException)
{
    struct Case {
        const char* why;
        int clockRate;
        int channels;
    };
    const Case cases[] = { { "clock rate libopus does not take", 44100, 2 }, { "three channels", 48000, 3 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto codec = makeCodec(c.clockRate, c.channels);
        try {
            codec->encodeWithFrame(toneFrame(0));
            ADD_FAILURE() << "encoder: no exception";
        } catch (const InitializeException& e) {
            EXPECT_EQ(e.name(), "InitializeException");
            EXPECT_EQ(e.reason(), "Could not initialize encoder.");
        }
        try {
            codec->decodeWithEncodedFrame({ 0xFC, 0xFF, 0xFE });
            ADD_FAILURE() << "decoder: no exception";
        } catch (const InitializeException& e) {
            EXPECT_EQ(e.reason(), "Could not initialize decoder.");
        }
        EXPECT_FALSE(codec->encoder());
        EXPECT_FALSE(codec->decoder());
    }
}

TEST_F(OpusCodecTest, GarbageAndEmptyPacketsDecodeToNone)
{
    const auto packets = encodedFrames(2);
    ASSERT_TRUE(codec->decodeWithEncodedFrame(packets[0]));
    // A packet whose code-3 header claims more frames than it carries.
    EXPECT_FALSE(codec->decodeNormalWithEncodedFrame({ 0x03, 0xFF }));
    EXPECT_TRUE(codec->decodePLC()) << "concealment needs no packet";
    EXPECT_FALSE(codec->depacketizeWithPacket(rtpPacket(1, {})));
}

TEST_F(OpusCodecTest, DestroyReleasesEncoderAndDecoder)
{
    const auto packets = encodedFrames(1);
    ASSERT_TRUE(codec->decodeWithEncodedFrame(packets[0]));
    codec->destroy();
    EXPECT_FALSE(codec->encoder());
    EXPECT_FALSE(codec->decoder());
    EXPECT_TRUE(codec->encodeWithFrame(toneFrame(1)));
}

TEST(OpusCodec, DestroyIsSafeAgainstAnEncodeOrDecodeInFlight)
{
    // As for video: the stack may tear the codec down while another of its threads is still
    // inside libopus.
    auto sender = makeCodec();
    const auto tone = toneFrame(0);
    const auto packet = sender->encodeWithFrame(tone);
    ASSERT_TRUE(packet);
    struct Case {
        const char* why;
        std::function<void(OpusCodec&)> work;
    };
    const Case cases[] = {
        { "encoding", [&](OpusCodec& codec) { codec.encodeWithFrame(tone); } },
        { "decoding", [&](OpusCodec& codec) { codec.decodeWithEncodedFrame(*packet); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto codec = makeCodec();
        destroyWhileBusy([&] { c.work(*codec); }, [&] { codec->destroy(); });
    }
}
