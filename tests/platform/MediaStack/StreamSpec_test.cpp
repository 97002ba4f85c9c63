#include <gtest/gtest.h>

#include "MediaStack/AudioStreamSpec.h"
#include "MediaStack/VideoStreamSpec.h"

namespace {
class FakeVideoCodec : public VideoCodecBase {
public:
    explicit FakeVideoCodec(std::string name) : name(std::move(name)) { }
    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<VideoFrame>&) override { return std::nullopt; }
    std::shared_ptr<VideoFrame> decodeWithEncodedFrame(const std::vector<uint8_t>&) override { return nullptr; }
    bool decoderNeedsKeyFrame() override { return false; }
    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>&) override { return {}; }
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>&) override { return std::nullopt; }
    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>&) override { }
    void destroy() override { }
    std::string name;
};

class FakeAudioCodec : public AudioCodecBase {
public:
    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<AudioFrame>&) override { return std::nullopt; }
    std::shared_ptr<AudioFrame> decodeWithEncodedFrame(const std::vector<uint8_t>&) override { return nullptr; }
    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>&) override { return {}; }
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>&) override { return std::nullopt; }
    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>&) override { }
    void destroy() override { }
};

VideoStreamSpec::CodecFactory videoFactory(const std::string& name)
{
    return [name] { return std::make_shared<FakeVideoCodec>(name); };
}
}

TEST(VideoStreamSpec, PreferredCodecsComeFirstAndNamesIgnoreCase)
{
    VideoStreamSpec::registerCodec("H264", videoFactory("H264"), false);
    VideoStreamSpec::registerCodec("VP8", videoFactory("VP8"), true);
    VideoStreamSpec::registerCodec("VP9", videoFactory("VP9"), false);
    EXPECT_EQ(VideoStreamSpec::registeredCodecNames(), (std::vector<std::string> { "VP8", "H264", "VP9" }));

    auto codec = std::dynamic_pointer_cast<FakeVideoCodec>(VideoStreamSpec::createCodec("vp8"));
    ASSERT_TRUE(codec);
    EXPECT_EQ(codec->name, "VP8");
    EXPECT_EQ(codec->clockRate(), 90000);
    EXPECT_FALSE(VideoStreamSpec::createCodec("AV1"));

    // Registering again replaces the entry rather than adding a second one.
    VideoStreamSpec::registerCodec("vp8", videoFactory("again"), true);
    EXPECT_EQ(VideoStreamSpec::registeredCodecNames().size(), 3u);
    EXPECT_EQ(std::dynamic_pointer_cast<FakeVideoCodec>(VideoStreamSpec::createCodec("VP8"))->name, "again");

    for (const char* name : { "H264", "VP8", "VP9" }) {
        VideoStreamSpec::unregisterCodec(name);
    }
    EXPECT_TRUE(VideoStreamSpec::registeredCodecNames().empty());
}

TEST(AudioStreamSpec, CreatedCodecGetsTheRegisteredClockRateAndChannels)
{
    AudioStreamSpec::registerCodec("PCMU", 8000, 1, [] { return std::make_shared<FakeAudioCodec>(); }, false);
    AudioStreamSpec::registerCodec("opus", 48000, 2, [] { return std::make_shared<FakeAudioCodec>(); }, true);
    const auto registered = AudioStreamSpec::registeredCodecs();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[0].encodingName, "opus");
    EXPECT_EQ(registered[0].clockRate, 48000);
    EXPECT_EQ(registered[0].channels, 2);

    auto codec = AudioStreamSpec::createCodec("OPUS", 48000, 2);
    ASSERT_TRUE(codec);
    EXPECT_EQ(codec->clockRate(), 48000);
    EXPECT_EQ(codec->channels(), 2);
    EXPECT_FALSE(AudioStreamSpec::createCodec("opus", 48000, 1)) << "only as registered";

    AudioStreamSpec::unregisterCodec("PCMU", 8000, 1);
    AudioStreamSpec::unregisterCodec("opus", 48000, 2);
    EXPECT_TRUE(AudioStreamSpec::registeredCodecs().empty());
}
