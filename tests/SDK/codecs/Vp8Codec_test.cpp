#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include <vpx/vpx_encoder.h>

#include "DestroyWhileBusy.h"
#include "MediaStack/LogSink.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "codecs/InitializeException.h"
#include "codecs/Vp8Codec.h"

namespace {

// A moving gradient, so that consecutive frames differ a little, as camera frames do.
std::shared_ptr<VideoFrame> syntheticFrame(int width, int height, int index)
{
    auto frame = std::make_shared<VideoFrame>();
    frame->width = width;
    frame->height = height;
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    auto y = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width * height));
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            (*y)[static_cast<size_t>(row * width + col)] = static_cast<uint8_t>(16 + (col * 3 + row * 2 + index * 4) % 200);
        }
    }
    auto u = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(chromaWidth * chromaHeight), uint8_t(110));
    auto v = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(chromaWidth * chromaHeight), uint8_t(140));
    frame->planes = { { y, width }, { u, chromaWidth }, { v, chromaWidth } };
    return frame;
}

bool isKeyFrame(const std::vector<uint8_t>& frame) { return !frame.empty() && (frame[0] & 1) == 0; }

// Width and height coded in a key frame's header.
std::pair<int, int> keyFrameSize(const std::vector<uint8_t>& frame)
{
    return { (frame[6] | frame[7] << 8) & 0x3FFF, (frame[8] | frame[9] << 8) & 0x3FFF };
}

// The first two frames of a stream: a key frame and the delta frame that refers to it.
struct KeyAndDelta {
    std::vector<uint8_t> key;
    std::vector<uint8_t> delta;
};

KeyAndDelta firstTwoFrames()
{
    Vp8Codec sender;
    auto key = sender.encodeWithFrame(syntheticFrame(64, 48, 0));
    auto delta = sender.encodeWithFrame(syntheticFrame(64, 48, 1));
    return { key.value_or(std::vector<uint8_t> {}), delta.value_or(std::vector<uint8_t> {}) };
}

// The key frame with another size written into its header; the coded data stays as it was.
std::vector<uint8_t> declaringSize(std::vector<uint8_t> frame, int width, int height)
{
    frame[6] = static_cast<uint8_t>(width & 0xFF);
    frame[7] = static_cast<uint8_t>(width >> 8 & 0x3F);
    frame[8] = static_cast<uint8_t>(height & 0xFF);
    frame[9] = static_cast<uint8_t>(height >> 8 & 0x3F);
    return frame;
}

double psnrOfLuma(const VideoFrame& a, const VideoFrame& b)
{
    double squared = 0;
    for (int row = 0; row < a.height; ++row) {
        for (int col = 0; col < a.width; ++col) {
            const double d = double((*a.planes[0].data)[static_cast<size_t>(row * a.planes[0].stride + col)])
                - double((*b.planes[0].data)[static_cast<size_t>(row * b.planes[0].stride + col)]);
            squared += d * d;
        }
    }
    const double mse = squared / (a.width * a.height);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::shared_ptr<RTCPReceiverReportPacket> reportWithLoss(int32_t cumulativeLost)
{
    auto report = std::make_shared<RTCPReceiverReportPacket>();
    RTCPReportBlock block;
    block.cumulativePacketsLost = cumulativeLost;
    block.fractionLost = 0.1;
    report->reportBlocks.push_back(block);
    return report;
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

class Vp8CodecTest : public ::testing::Test {
protected:
    void SetUp() override { MediaStackLog::setSink(sink); }
    void TearDown() override
    {
        codec.destroy();
        MediaStackLog::setSink(nullptr);
    }

    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    Vp8Codec codec;
};

}

TEST_F(Vp8CodecTest, EncodeDecodeRoundTrip)
{
    struct Case {
        int width, height;
    };
    // Even sizes, and odd ones whose chroma planes round up.
    for (const Case c : { Case { 64, 48 }, Case { 33, 17 }, Case { 160, 120 } }) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Vp8Codec pair;
        for (int i = 0; i < 4; ++i) {
            const auto input = syntheticFrame(c.width, c.height, i);
            const auto encoded = pair.encodeWithFrame(input);
            ASSERT_TRUE(encoded);
            EXPECT_EQ(isKeyFrame(*encoded), i == 0);
            const auto decoded = pair.decodeWithEncodedFrame(*encoded);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->format, VideoFormatI420);
            ASSERT_EQ(decoded->planes.size(), 3u);
            // The coded size may be smaller than the input (libvpx may resize); every plane
            // must hold the decoded size, whatever it is.
            ASSERT_GT(decoded->width, 0);
            ASSERT_GT(decoded->height, 0);
            const int chromaRows = (decoded->height + 1) / 2;
            EXPECT_GE(decoded->planes[0].stride, decoded->width);
            EXPECT_EQ(decoded->planes[0].data->size(), size_t(decoded->planes[0].stride) * decoded->height);
            EXPECT_EQ(decoded->planes[1].data->size(), size_t(decoded->planes[1].stride) * chromaRows);
            EXPECT_EQ(decoded->planes[2].data->size(), size_t(decoded->planes[2].stride) * chromaRows);
            if (decoded->width == c.width && decoded->height == c.height) {
                EXPECT_GT(psnrOfLuma(*input, *decoded), 25.0);
            }
            EXPECT_FALSE(pair.decoderNeedsKeyFrame());
        }
        pair.destroy();
    }
}

TEST_F(Vp8CodecTest, PictureLossIndicationMakesTheNextFrameAKeyFrame)
{
    codec.processRTCPWithPackets({ std::make_shared<RTCPPliPacket>() }); // no encoder yet: ignored
    std::vector<bool> keyFrames;
    for (int i = 0; i < 5; ++i) {
        if (i == 3) {
            codec.processRTCPWithPackets({ std::make_shared<RTCPPliPacket>() });
        }
        const auto encoded = codec.encodeWithFrame(syntheticFrame(32, 32, i));
        ASSERT_TRUE(encoded);
        keyFrames.push_back(isKeyFrame(*encoded));
    }
    EXPECT_EQ(keyFrames, (std::vector<bool> { true, false, false, true, false }));
}

TEST_F(Vp8CodecTest, FrameDroppingRatios)
{
    struct Case {
        double ratio;
        std::vector<int> dropped; // 1-based frame numbers among the first 22
    };
    const Case cases[] = {
        { 0.0, {} },
        { 0.1, { 11, 22 } },
        { 0.5, { 7, 14, 21 } },
        { 0.9, { 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ratio);
        Vp8Codec subject;
        ASSERT_TRUE(subject.encodeWithFrame(nullptr) == std::nullopt); // makes the encoder
        subject.encoder()->setPercentFramesToDrop(c.ratio);
        std::vector<int> dropped;
        for (int n = 1; n <= 22; ++n) {
            if (!subject.encodeWithFrame(syntheticFrame(16, 16, n))) {
                dropped.push_back(n);
            }
        }
        EXPECT_EQ(dropped, c.dropped);
        subject.destroy();
    }
}

TEST(CocoaVp8Encoder, QualityGivesMaxQuantizer)
{
    struct Case {
        double quality;
        double storedQuality;
        int maxQuantizer;
    };
    // Values outside 0 to 1 are clamped before the quantizer is derived.
    const Case cases[] = { { 1.0, 1.0, 31 }, { 0.5, 0.5, 47 }, { 0.0, 0.0, 63 }, { 0.25, 0.25, 55 }, { 1.5, 1.0, 31 }, { -0.5, 0.0, 63 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality);
        CocoaVp8Encoder encoder;
        encoder.setQuality(c.quality);
        EXPECT_DOUBLE_EQ(encoder.quality(), c.storedQuality);
        EXPECT_EQ(encoder.maxQuantizer(), c.maxQuantizer);
    }
    CocoaVp8Encoder fresh;
    EXPECT_EQ(fresh.maxQuantizer(), 47);
    EXPECT_EQ(fresh.bitrate(), 256);
}

TEST_F(Vp8CodecTest, EncoderIsSetUpForRealTimeAndFollowsTheAdaptation)
{
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(64, 48, 0)));
    auto encoder = codec.encoder();
    const auto first = encoder->settings();
    ASSERT_TRUE(first);
    struct Row {
        const char* what;
        std::optional<long long> actual; // unset: libvpx refused the control
        long long expected;
    };
    const Row rows[] = {
        { "time base numerator", first->timeBaseNumerator, 1 },
        { "time base denominator (1/30 s)", first->timeBaseDenominator, 30 },
        { "target bitrate, kbit/s", first->targetBitrate, 256 },
        { "constant bitrate", first->endUsage, VPX_CBR },
        { "width", first->width, 64 },
        { "height", first->height, 48 },
        { "automatic key frames", first->keyFrameMode, VPX_KF_AUTO },
        { "key-frame minimum distance", first->keyFrameMinDistance, 300 },
        { "key-frame maximum distance", first->keyFrameMaxDistance, 300 },
        { "no lag", first->lagInFrames, 0 },
        { "error resilient", first->errorResilient, 1 },
        { "one pass", first->pass, VPX_RC_ONE_PASS },
        { "minimum quantizer", first->minQuantizer, 0 },
        { "maximum quantizer (quality 0.5)", first->maxQuantizer, 47 },
        { "profile", first->profile, 0 },
        { "resizing allowed", first->resizeAllowed, 1 },
        { "resize up threshold", first->resizeUpThreshold, 100 },
        { "resize down threshold", first->resizeDownThreshold, 100 },
        { "static threshold", first->staticThreshold, 1 },
        { "cpu used", first->cpuUsed, -12 },
        { "one token partition", first->tokenPartitions, 0 },
        { "noise sensitivity", first->noiseSensitivity, 4 },
        { "intra-frame bitrate cap, percent", first->maxIntraBitratePercent, 300 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.what;
    }

    // What the loss adaptation changes reaches libvpx with the next frame.
    encoder->setQuality(0.25);
    encoder->setBitrate(128);
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(64, 48, 1)));
    const auto next = encoder->settings();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->targetBitrate, 128u);
    EXPECT_EQ(next->maxQuantizer, 55u);
}

TEST_F(Vp8CodecTest, LossReportsStepQualityBitrateAndDropRatio)
{
    struct Case {
        const char* why;
        std::vector<int32_t> cumulativeLoss; // one report block each
        double quality;
        int32_t bitrate;
        double dropRatio;
    };
    auto repeat = [](std::vector<int32_t> head, int32_t value, int times) {
        head.insert(head.end(), static_cast<size_t>(times), value);
        return head;
    };
    auto rising = [](int count) {
        std::vector<int32_t> v;
        for (int i = 1; i <= count; ++i) {
            v.push_back(i * 10);
        }
        return v;
    };
    const Case cases[] = {
        { "unchanged cumulative loss at the start changes nothing", repeat({}, 0, 6), 0.5, 256, 0.0 },
        { "one block with new loss changes nothing", { 10 }, 0.5, 256, 0.0 },
        { "the second in a row steps down", { 10, 20 }, 0.4, 192, 0.1 },
        { "two steps down", rising(4), 0.3, 128, 0.2 },
        { "floors of quality and bitrate", rising(12), 0.0, 64, 0.6 },
        { "ceiling of the drop ratio", rising(20), 0.0, 64, 0.9 },
        { "five loss-free blocks change nothing", repeat({ 10, 20 }, 20, 5), 0.4, 192, 0.1 },
        { "the sixth steps up", repeat({ 10, 20 }, 20, 6), 0.5, 256, 0.0 },
        { "a lossy block breaks the loss-free run", repeat(repeat({ 10, 20 }, 20, 5), 30, 1), 0.4, 192, 0.1 },
        { "the way up stops at 0.5 and 256", repeat({ 10, 20 }, 20, 18), 0.5, 256, 0.0 },
        { "all the way down and back up", repeat(rising(12), 120, 36), 0.5, 256, 0.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8Codec subject;
        ASSERT_TRUE(subject.encodeWithFrame(syntheticFrame(16, 16, 0)));
        for (int32_t loss : c.cumulativeLoss) {
            subject.processRTCPWithPackets({ reportWithLoss(loss) });
        }
        auto encoder = subject.encoder();
        EXPECT_NEAR(encoder->quality(), c.quality, 1e-9);
        EXPECT_EQ(encoder->bitrate(), c.bitrate);
        EXPECT_NEAR(encoder->percentFramesToDrop(), c.dropRatio, 1e-9);
        subject.destroy();
    }
}

TEST_F(Vp8CodecTest, SteppedBackUpNoFrameIsDroppedAnyMore)
{
    // 0.1 stepped up six times and down six times must land on 0 exactly, or "above 0" keeps
    // dropping one frame in eleven for the rest of the call.
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(16, 16, 0)));
    for (int i = 1; i <= 12; ++i) {
        codec.processRTCPWithPackets({ reportWithLoss(i * 10) });
    }
    for (int i = 0; i < 36; ++i) {
        codec.processRTCPWithPackets({ reportWithLoss(120) });
    }
    EXPECT_EQ(codec.encoder()->percentFramesToDrop(), 0.0);
    int dropped = 0;
    for (int n = 0; n < 24; ++n) {
        dropped += codec.encodeWithFrame(syntheticFrame(16, 16, n)) ? 0 : 1;
    }
    EXPECT_EQ(dropped, 0);
}

TEST_F(Vp8CodecTest, ReportBlocksInSenderReportsCountAndLogChanges)
{
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(16, 16, 0)));
    auto sender = std::make_shared<RTCPSenderReportPacket>();
    for (int32_t loss : { 5, 9 }) {
        RTCPReportBlock block;
        block.cumulativePacketsLost = loss;
        sender->reportBlocks.push_back(block);
    }
    codec.processRTCPWithPackets({ std::make_shared<RTCPPliPacket>(), sender });
    EXPECT_NEAR(codec.encoder()->quality(), 0.4, 1e-9);
    EXPECT_EQ(sink->infoLines, (std::vector<std::string> {
        "Decreasing VP8 encoder quality to 40.00%.",
        "Decreasing VP8 encoder bitrate to 192.",
        "Increasing droprate to 0.100000.",
    }));
}

TEST_F(Vp8CodecTest, PictureSizeChangeRebuildsEncoderAndKeepsSettings)
{
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(64, 48, 0)));
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(64, 48, 1)));
    auto encoder = codec.encoder();
    encoder->setQuality(0.3);
    encoder->setBitrate(128);
    encoder->setPercentFramesToDrop(0.1);

    const auto encoded = codec.encodeWithFrame(syntheticFrame(96, 64, 2));
    ASSERT_TRUE(encoded);
    ASSERT_TRUE(isKeyFrame(*encoded));
    // Coded at the new size, or, since libvpx may resize at the lower bitrate, smaller.
    const auto [codedWidth, codedHeight] = keyFrameSize(*encoded);
    EXPECT_GT(codedWidth, 96 / 2);
    EXPECT_LE(codedWidth, 96);
    EXPECT_GT(codedHeight, 64 / 2);
    EXPECT_LE(codedHeight, 64);
    EXPECT_EQ(codec.encoder(), encoder);
    EXPECT_NEAR(encoder->quality(), 0.3, 1e-9);
    EXPECT_EQ(encoder->bitrate(), 128);
    EXPECT_NEAR(encoder->percentFramesToDrop(), 0.1, 1e-9);

    // A receiver follows the coded size from the key frame on.
    const auto decoded = codec.decodeWithEncodedFrame(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, codedWidth);
    EXPECT_EQ(decoded->height, codedHeight);
    EXPECT_EQ(decoded->planes[0].data->size(), size_t(decoded->planes[0].stride) * codedHeight);
}

TEST_F(Vp8CodecTest, FramesTheDecoderRefusesAskForAKeyFrame)
{
    const auto [key, delta] = firstTwoFrames();
    ASSERT_TRUE(isKeyFrame(key) && !delta.empty());
    struct Case {
        const char* why;
        std::vector<uint8_t> frame;
    };
    const Case cases[] = {
        { "a truncated key frame is corrupt", { key.begin(), key.begin() + 20 } },
        { "a delta frame before any key frame has nothing to refer to", delta },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8Codec receiver;
        EXPECT_FALSE(receiver.decoderNeedsKeyFrame()) << "no decoder yet";
        EXPECT_FALSE(receiver.decodeWithEncodedFrame(c.frame));
        EXPECT_TRUE(receiver.decoderNeedsKeyFrame());
        EXPECT_TRUE(receiver.decodeWithEncodedFrame(key));
        EXPECT_FALSE(receiver.decoderNeedsKeyFrame());
    }
}

TEST_F(Vp8CodecTest, KeyFrameDeclaringAnOversizePictureIsRefusedUnseen)
{
    // A few bytes that declare a huge picture would cost seconds of decoding and up to a
    // gigabyte of frame buffers. Refused unseen, the frame leaves the decoder at the size it
    // had: the sender's next delta frame still decodes at that size.
    const auto [key, delta] = firstTwoFrames();
    ASSERT_TRUE(isKeyFrame(key) && !delta.empty());
    const auto [width, height] = keyFrameSize(key);
    struct Case {
        const char* why;
        int width, height;
    };
    const Case cases[] = {
        { "the largest size the header can declare", 16383, 16383 },
        { "one row over the pixel limit", 3840, static_cast<int>(CocoaVp8Decoder::maxPicturePixels / 3840) + 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8Codec receiver;
        ASSERT_TRUE(receiver.decodeWithEncodedFrame(key));
        EXPECT_FALSE(receiver.decodeWithEncodedFrame(declaringSize(key, c.width, c.height)));
        EXPECT_TRUE(receiver.decoderNeedsKeyFrame());
        const auto next = receiver.decodeWithEncodedFrame(delta);
        ASSERT_TRUE(next);
        EXPECT_EQ(next->width, width);
        EXPECT_EQ(next->height, height);
    }
}

TEST_F(Vp8CodecTest, LostPacketStopsDecodingUntilKeyFrame)
{
    Vp8Codec sender;
    std::vector<std::vector<std::shared_ptr<RTPPacket>>> frames;
    for (int i = 0; i < 3; ++i) {
        auto encoded = sender.encodeWithFrame(syntheticFrame(160, 120, i));
        ASSERT_TRUE(encoded);
        frames.push_back(sender.packetizeWithEncodedFrame(*encoded));
    }
    ASSERT_GT(frames[0].size(), 1u) << "the key frame must span packets";

    auto deliver = [&](const std::vector<std::shared_ptr<RTPPacket>>& packets) -> std::shared_ptr<VideoFrame> {
        std::shared_ptr<VideoFrame> picture;
        for (const auto& p : packets) {
            if (auto whole = codec.depacketizeWithPacket(p)) {
                picture = codec.decodeWithEncodedFrame(*whole);
            }
        }
        return picture;
    };
    EXPECT_TRUE(deliver(frames[0]));
    // The first packet of frame 1 is lost: frame 1 is gone, frame 2 refers to it.
    frames[1].erase(frames[1].begin());
    EXPECT_FALSE(deliver(frames[1]));
    EXPECT_FALSE(deliver(frames[2]));
    EXPECT_TRUE(codec.decoderNeedsKeyFrame());
    EXPECT_EQ(sink->infoLines, std::vector<std::string> { "Video sequence number violated. Requesting key frame." });

    sender.processRTCPWithPackets({ std::make_shared<RTCPPliPacket>() });
    auto key = sender.encodeWithFrame(syntheticFrame(160, 120, 3));
    ASSERT_TRUE(key && isKeyFrame(*key));
    EXPECT_TRUE(deliver(sender.packetizeWithEncodedFrame(*key)));
    EXPECT_FALSE(codec.decoderNeedsKeyFrame());
    sender.destroy();
}

TEST_F(Vp8CodecTest, EncoderThatCannotBeSetUpThrowsInitializeException)
{
    // Wider than VP8 can code: libvpx refuses the configuration.
    try {
        codec.encodeWithFrame(syntheticFrame(16384, 2, 0));
        FAIL() << "no exception";
    } catch (const InitializeException& e) {
        EXPECT_EQ(e.name(), "InitializeException");
        EXPECT_EQ(e.reason(), "Could not initialize encoder.");
    }
    // The codec is still usable for a picture it can code.
    EXPECT_TRUE(codec.encodeWithFrame(syntheticFrame(32, 32, 0)));
}

TEST_F(Vp8CodecTest, BadInputGivesNoneWithoutCrashing)
{
    struct Case {
        const char* why;
        std::function<void(VideoFrame&)> spoil;
    };
    const Case cases[] = {
        { "no planes", [](VideoFrame& f) { f.planes.clear(); } },
        { "luma plane too short", [](VideoFrame& f) { f.planes[0].data = std::make_shared<std::vector<uint8_t>>(100); } },
        { "chroma plane missing its bytes", [](VideoFrame& f) { f.planes[2].data = nullptr; } },
        { "stride narrower than the picture", [](VideoFrame& f) { f.planes[0].stride = 10; } },
        { "zero size", [](VideoFrame& f) { f.width = 0; } },
        { "negative size", [](VideoFrame& f) { f.height = -4; } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto frame = syntheticFrame(32, 32, 0);
        c.spoil(*frame);
        EXPECT_FALSE(codec.encodeWithFrame(frame));
    }
    EXPECT_FALSE(codec.encodeWithFrame(nullptr));
    EXPECT_FALSE(codec.decodeWithEncodedFrame({}));
    EXPECT_FALSE(codec.decodeWithEncodedFrame({ 0x00, 0x01, 0x02, 0x9d, 0x01, 0x2a, 0xFF }));
    EXPECT_TRUE(codec.encodeWithFrame(syntheticFrame(32, 32, 0))) << "still encodes after bad frames";
}

TEST_F(Vp8CodecTest, DestroyReleasesAndALaterFrameStartsAfresh)
{
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(32, 32, 0)));
    ASSERT_TRUE(codec.encodeWithFrame(syntheticFrame(32, 32, 1)));
    codec.destroy();
    EXPECT_FALSE(codec.encoder());
    EXPECT_FALSE(codec.decoder());
    const auto encoded = codec.encodeWithFrame(syntheticFrame(32, 32, 2));
    ASSERT_TRUE(encoded);
    EXPECT_TRUE(isKeyFrame(*encoded));
}

TEST(Vp8Codec, DestroyIsSafeAgainstAnEncodeOrDecodeInFlight)
{
    // The stack may tear the codec down from one of its threads while another is still inside
    // libvpx: destroy must never pull the context out from under that call.
    Vp8Codec sender;
    const auto picture = syntheticFrame(160, 120, 0);
    const auto key = sender.encodeWithFrame(picture);
    ASSERT_TRUE(key && isKeyFrame(*key));
    struct Case {
        const char* why;
        std::function<void(Vp8Codec&)> work;
    };
    const Case cases[] = {
        { "encoding", [&](Vp8Codec& codec) { codec.encodeWithFrame(picture); } },
        { "decoding", [&](Vp8Codec& codec) { codec.decodeWithEncodedFrame(*key); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Vp8Codec codec;
        destroyWhileBusy([&] { c.work(codec); }, [&] { codec.destroy(); });
    }
}

TEST_F(Vp8CodecTest, DecodedPlanesReuseBuffersOnlyOnceTheirFramesAreLetGo)
{
    const auto frames = firstTwoFrames();
    ASSERT_FALSE(frames.key.empty());
    ASSERT_FALSE(frames.delta.empty());
    Vp8Codec receiver;

    auto held = receiver.decodeWithEncodedFrame(frames.key);
    ASSERT_TRUE(held);
    const std::vector<uint8_t> heldLuma = *held->planes[0].data;
    const auto* heldMemory = held->planes[0].data->data();

    // A frame still held keeps its pixels while later frames decode.
    auto next = receiver.decodeWithEncodedFrame(frames.delta);
    ASSERT_TRUE(next);
    EXPECT_NE(next->planes[0].data->data(), heldMemory) << "a held frame's buffer is not written over";
    EXPECT_EQ(*held->planes[0].data, heldLuma);

    // Once let go, its buffer takes the next frame's plane, with that frame's pixels.
    held.reset();
    next.reset();
    auto again = receiver.decodeWithEncodedFrame(frames.key);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->planes[0].data->data(), heldMemory) << "the let-go buffer is reused";
    EXPECT_EQ(*again->planes[0].data, heldLuma);
    receiver.destroy();
}
