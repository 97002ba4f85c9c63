// A call between two media sessions over an in-memory pipe with the real VP8 and Opus
// codecs: what the fake codecs of the session's own tests stand in for, end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "../../../platform/MediaStack/support/MediaCall.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Rtp/RtpDemux.h"
#include "MediaStack/Rtp/RtpReader.h"
#include "MediaStack/VideoStreamDescription.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"
#include "support/ManualClockFixture.h"

using namespace media;
using namespace media::test;

namespace {

// Loses the first transmission of the picked packets of one source, by their order.
std::function<bool(std::span<const uint8_t>)> loseFirstSent(uint32_t ssrc, std::function<bool(int)> pick)
{
    auto order = std::make_shared<std::map<uint16_t, int>>();
    return [=](std::span<const uint8_t> datagram) {
        if (mediastack::rtp::RtpDemux::classify(datagram) != mediastack::rtp::RtpDemux::Kind::Rtp)
            return false;
        mediastack::rtp::DropCounter drops;
        auto read = mediastack::rtp::RtpReader::read(datagram, drops);
        if (!read || read->packet.ssrc != ssrc)
            return false;
        auto [at, first] = order->emplace(read->packet.sequenceNumber, static_cast<int>(order->size()));
        return first && pick(at->second);
    };
}

bool silent(const AudioFrame& frame)
{
    const auto begin = frame.data->begin() + frame.index;
    return std::all_of(begin, begin + frame.length, [](uint8_t byte) { return byte == 0; });
}

} // namespace

class MediaSessionCallTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        VideoStreamDescription::registerCodec(
            "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
        AudioStreamDescription::registerCodec(
            "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);
    }
    void TearDown() override
    {
        VideoStreamDescription::unregisterCodec("VP8");
        AudioStreamDescription::unregisterCodec("opus", 48000, 2);
        ManualClockFixture::TearDown();
    }
};

TEST_F(MediaSessionCallTest, RealCodecsCarryACallThroughLossBothWays)
{
    MediaCall call(clock, 320, 240);
    const uint32_t aVideo = call.a.options.localVideoSsrc;
    const uint32_t aAudio = call.a.options.localAudioSsrc;
    const auto video = loseFirstSent(aVideo, [](int n) { return n > 10 && n % 25 == 0; });
    // Sound 50 and 51 are lost: Opus fills the gap before 52 from its own concealment and
    // from 52's forward error correction.
    const auto audio = loseFirstSent(aAudio, [](int n) { return n == 50 || n == 51; });
    call.onThread([&] { call.a.transport->lose = [video, audio](std::span<const uint8_t> d) { return video(d) || audio(d); }; });
    call.start();
    call.run(3.0);

    const auto atA = call.statistics(call.a);
    const auto atB = call.statistics(call.b);
    EXPECT_GE(atB.nacksSent, 1u);
    EXPECT_GE(atA.retransmissionsSent, 1u);
    EXPECT_EQ(atB.packetsDropped, 0u);
    for (auto* end : {&call.a, &call.b}) {
        SCOPED_TRACE(end->options.cname);
        EXPECT_GE(end->videoFrames.size(), 80u) << "of 90 pictures";
        EXPECT_GE(end->audioFrames.size(), 140u) << "of 150 frames of sound";
        ASSERT_FALSE(end->videoFrames.empty());
        const auto& picture = *end->videoFrames.back();
        // The encoder may scale pictures down under its bitrate; it keeps their shape.
        EXPECT_LE(picture.width, 320);
        EXPECT_GE(picture.width, 80);
        EXPECT_EQ(picture.width * 3, picture.height * 4);
        ASSERT_EQ(picture.planes.size(), 3u);
        EXPECT_GE(picture.planes[0].data->size(), static_cast<size_t>(picture.planes[0].stride) * picture.height);
        for (const auto& frame : end->audioFrames)
            EXPECT_EQ(frame->length, 3840);
    }

    // The codec conceals, not the session: the two frames put in are sound, not silence.
    EXPECT_EQ(atB.audioFramesConcealed, 2u);
    size_t filled = 0;
    for (const auto& frame : call.b.audioFrames) {
        for (const auto& before : frame->framesToPlayBefore) {
            ++filled;
            EXPECT_FALSE(silent(*before));
        }
    }
    EXPECT_EQ(filled, 2u);
}

// The video server never asks for a key frame: its decoder can start only from the encoder's
// first frame, which pictures captured while the link is still coming up must not use up.
TEST_F(MediaSessionCallTest, PicturesCapturedBeforeTheLinkIsUpDoNotSpendTheFirstKeyFrame)
{
    MediaCall call(clock, 320, 240);
    call.b.options.disablePLI = true;
    // As SRTP before its keys: the link carries nothing until it is connected.
    call.onThread([&] {
        for (const auto& end : {call.pipe.a, call.pipe.b}) {
            end->lose = [weak = std::weak_ptr<PipeEnd>(end)](std::span<const uint8_t>) {
                auto self = weak.lock();
                return !self || self->state() != TransportState::Connected;
            };
        }
    });
    call.start(false);
    call.run(0.5);
    call.onThread([&] { call.pipe.connect(); });
    call.run(1.0);

    EXPECT_EQ(call.statistics(call.b).plisSent, 0u);
    EXPECT_GE(call.b.videoFrames.size(), 25u) << "of the 30 pictures after the link came up";
}
