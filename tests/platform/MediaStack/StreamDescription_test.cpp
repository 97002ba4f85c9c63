#include <gtest/gtest.h>

#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/VideoStreamDescription.h"

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

VideoStreamDescription::CodecFactory videoFactory(const std::string& name)
{
    return [name] { return std::make_shared<FakeVideoCodec>(name); };
}
}

TEST(VideoStreamDescription, PreferredCodecsComeFirstAndNamesIgnoreCase)
{
    VideoStreamDescription::registerCodec("H264", videoFactory("H264"), false);
    VideoStreamDescription::registerCodec("VP8", videoFactory("VP8"), true);
    VideoStreamDescription::registerCodec("VP9", videoFactory("VP9"), false);
    EXPECT_EQ(VideoStreamDescription::registeredCodecNames(), (std::vector<std::string> { "VP8", "H264", "VP9" }));

    auto codec = std::dynamic_pointer_cast<FakeVideoCodec>(VideoStreamDescription::createCodec("vp8"));
    ASSERT_TRUE(codec);
    EXPECT_EQ(codec->name, "VP8");
    EXPECT_EQ(codec->clockRate(), 90000);
    EXPECT_FALSE(VideoStreamDescription::createCodec("AV1"));

    // Registering again replaces the entry rather than adding a second one.
    VideoStreamDescription::registerCodec("vp8", videoFactory("again"), true);
    EXPECT_EQ(VideoStreamDescription::registeredCodecNames().size(), 3u);
    EXPECT_EQ(std::dynamic_pointer_cast<FakeVideoCodec>(VideoStreamDescription::createCodec("VP8"))->name, "again");

    for (const char* name : { "H264", "VP8", "VP9" }) {
        VideoStreamDescription::unregisterCodec(name);
    }
    EXPECT_TRUE(VideoStreamDescription::registeredCodecNames().empty());
}

TEST(AudioStreamDescription, CreatedCodecGetsTheRegisteredClockRateAndChannels)
{
    AudioStreamDescription::registerCodec("PCMU", 8000, 1, [] { return std::make_shared<FakeAudioCodec>(); }, false);
    AudioStreamDescription::registerCodec("opus", 48000, 2, [] { return std::make_shared<FakeAudioCodec>(); }, true);
    const auto registered = AudioStreamDescription::registeredCodecs();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[0].encodingName, "opus");
    EXPECT_EQ(registered[0].clockRate, 48000);
    EXPECT_EQ(registered[0].channels, 2);

    auto codec = AudioStreamDescription::createCodec("OPUS", 48000, 2);
    ASSERT_TRUE(codec);
    EXPECT_EQ(codec->clockRate(), 48000);
    EXPECT_EQ(codec->channels(), 2);
    EXPECT_FALSE(AudioStreamDescription::createCodec("opus", 48000, 1)) << "only as registered";

    AudioStreamDescription::unregisterCodec("PCMU", 8000, 1);
    AudioStreamDescription::unregisterCodec("opus", 48000, 2);
    EXPECT_TRUE(AudioStreamDescription::registeredCodecs().empty());
}
