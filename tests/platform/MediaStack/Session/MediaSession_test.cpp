#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "../support/FakeAudioCodec.h"
#include "../support/FakeVideoCodec.h"
#include "../support/MediaCall.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Rtp/RtpDemux.h"
#include "MediaStack/Rtp/RtpReader.h"
#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/Rtp/AbsSendTime.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/Rtp/RtcpWriter.h"
#include "MediaStack/Rtp/RtpWriter.h"
#include "MediaStack/Session/LinkMediaSession.h"
#include "MediaStack/VideoStreamDescription.h"
#include "support/ManualClockFixture.h"

using namespace media;
using namespace media::test;

namespace {

using Bytes = std::vector<uint8_t>;

std::optional<RTPPacket> rtpOf(std::span<const uint8_t> datagram)
{
    if (mediastack::rtp::RtpDemux::classify(datagram) != mediastack::rtp::RtpDemux::Kind::Rtp)
        return std::nullopt;
    mediastack::rtp::DropCounter drops;
    auto read = mediastack::rtp::RtpReader::read(datagram, drops);
    if (!read)
        return std::nullopt;
    return read->packet;
}

// Loses first transmissions (or every transmission) of the packets of one source picked by
// their order: the n-th distinct sequence number sent.
struct SourceLoss {
    SourceLoss(uint32_t ssrc, std::function<bool(int)> pick, bool retransmissionsToo = false)
        : ssrc(ssrc), pick(std::move(pick)), retransmissionsToo(retransmissionsToo)
    {
    }

    uint32_t ssrc;
    std::function<bool(int)> pick;
    bool retransmissionsToo;

    std::map<uint16_t, int> order;
    int lost = 0;

    bool operator()(std::span<const uint8_t> datagram)
    {
        auto packet = rtpOf(datagram);
        if (!packet || packet->ssrc != ssrc)
            return false;
        auto [at, first] = order.emplace(packet->sequenceNumber, static_cast<int>(order.size()));
        if (!first && !retransmissionsToo)
            return false;
        if (!pick(at->second))
            return false;
        lost += first ? 1 : 0;
        return true;
    }
};

std::vector<uint32_t> numbersOf(const std::vector<std::shared_ptr<VideoFrame>>& frames)
{
    std::vector<uint32_t> numbers;
    for (const auto& frame : frames)
        numbers.push_back(SyntheticVideoSource::numberOf(*frame));
    return numbers;
}

std::vector<uint32_t> numbersOf(const std::vector<std::shared_ptr<AudioFrame>>& frames)
{
    std::vector<uint32_t> numbers;
    for (const auto& frame : frames)
        numbers.push_back(SyntheticAudioSource::numberOf(*frame));
    return numbers;
}

std::vector<uint32_t> countingFrom(uint32_t first, size_t count)
{
    std::vector<uint32_t> numbers(count);
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

Bytes rtpDatagram(uint32_t ssrc, uint8_t payloadType, uint16_t sequenceNumber, Bytes payload)
{
    RTPPacket packet;
    packet.ssrc = ssrc;
    packet.payloadType = payloadType;
    packet.sequenceNumber = sequenceNumber;
    packet.timestamp = sequenceNumber * 960u;
    packet.payload = std::move(payload);
    return mediastack::rtp::RtpWriter::write(packet);
}

} // namespace

class MediaSessionTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        m_videoCodecs.clear();
        m_audioCodecs.clear();
        VideoStreamDescription::registerCodec(
            "VP8",
            [this] {
                auto codec = std::make_shared<FakeVideoCodec>();
                m_videoCodecs.push_back(codec);
                return codec;
            },
            true);
        AudioStreamDescription::registerCodec(
            "opus", 48000, 2,
            [this] {
                auto codec = std::make_shared<FakeAudioCodec>(audioCodecConceals);
                m_audioCodecs.push_back(codec);
                return codec;
            },
            true);
        call = std::make_unique<MediaCall>(clock);
    }

    void TearDown() override
    {
        call.reset();
        VideoStreamDescription::unregisterCodec("VP8");
        AudioStreamDescription::unregisterCodec("opus", 48000, 2);
        ManualClockFixture::TearDown();
    }

    // Codecs are made in the order the ends start: a, then b.
    FakeVideoCodec& videoCodec(const CallEnd& end) { return *m_videoCodecs.at(&end == &call->b ? 1 : 0); }
    FakeAudioCodec& audioCodec(const CallEnd& end) { return *m_audioCodecs.at(&end == &call->b ? 1 : 0); }

    // What `from` sends passes through `lose` first (on the media thread), which may keep it.
    void filter(CallEnd& from, std::function<bool(std::span<const uint8_t>)> lose)
    {
        call->onThread([&] { from.transport->lose = std::move(lose); });
    }
    void lose(CallEnd& from, std::shared_ptr<SourceLoss> loss)
    {
        filter(from, [loss](std::span<const uint8_t> datagram) { return (*loss)(datagram); });
    }

    // Puts a datagram into `end` as if the far side had sent it.
    void inject(CallEnd& end, const Bytes& datagram)
    {
        call->onThread([&] { end.transport->receive(datagram); });
    }

    std::unique_ptr<MediaCall> call;
    bool audioCodecConceals = false;

private:
    std::vector<std::shared_ptr<FakeVideoCodec>> m_videoCodecs;
    std::vector<std::shared_ptr<FakeAudioCodec>> m_audioCodecs;
};

TEST_F(MediaSessionTest, CarriesPicturesAndSoundBothWaysInOrderWithReports)
{
    call->a.options.cname = "alice@call";
    auto rtcpFromA = std::make_shared<std::vector<Bytes>>();
    filter(call->a, [rtcpFromA](std::span<const uint8_t> datagram) {
        if (mediastack::rtp::RtpDemux::classify(datagram) == mediastack::rtp::RtpDemux::Kind::Rtcp)
            rtcpFromA->emplace_back(datagram.begin(), datagram.end());
        return false;
    });
    call->start();
    call->run(2.0);

    for (auto* end : {&call->a, &call->b}) {
        SCOPED_TRACE(end->options.cname);
        const auto statistics = call->statistics(*end);
        // 60 pictures and 100 frames of sound captured; the last few are still on their way.
        EXPECT_GE(statistics.videoFramesDecoded, 58u);
        EXPECT_GE(statistics.audioFramesDecoded, 95u);
        // Held frames keep their own bytes: the codec's buffer has moved on since.
        EXPECT_EQ(numbersOf(end->videoFrames), countingFrom(0, end->videoFrames.size()));
        EXPECT_EQ(numbersOf(end->audioFrames), countingFrom(0, end->audioFrames.size()));
        EXPECT_EQ(statistics.videoFramesEncoded, end->camera->delivered());
        EXPECT_EQ(statistics.videoPacketsSent, 3 * statistics.videoFramesEncoded);
        EXPECT_EQ(statistics.audioPacketsSent, end->microphone->delivered());
        EXPECT_EQ(statistics.packetsDropped, 0u);
        EXPECT_EQ(statistics.nacksSent + statistics.plisSent + statistics.audioFramesConcealed, 0u);
        EXPECT_GT(statistics.reportBlocksReceived, 0u);
    }

    bool senderReportWithCname = false;
    const std::string cname = "alice@call";
    for (const auto& datagram : *rtcpFromA)
        senderReportWithCname = senderReportWithCname ||
            (datagram[1] == 200 && std::search(datagram.begin(), datagram.end(), cname.begin(), cname.end()) != datagram.end());
    EXPECT_TRUE(senderReportWithCname) << rtcpFromA->size() << " RTCP datagrams from a";
}

TEST_F(MediaSessionTest, LostVideoPacketsAreAskedForAndSentAgain)
{
    // Each picture is three packets: 30, 31 and 32 are picture 10's.
    struct Case {
        const char* name;
        std::function<bool(int)> pick;
    };
    const Case cases[] = {
        {"a packet inside a picture", [](int n) { return n == 31; }},
        {"the marker packet", [](int n) { return n == 32; }},
        {"a whole picture", [](int n) { return n >= 30 && n <= 32; }},
        {"a burst across two pictures", [](int n) { return n >= 29 && n <= 34; }},
        {"every tenth packet", [](int n) { return n > 3 && n % 10 == 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        auto loss = std::make_shared<SourceLoss>(call->a.options.localVideoSsrc, c.pick);
        lose(call->a, loss);
        call->start();
        call->run(2.0);

        const auto atA = call->statistics(call->a);
        const auto atB = call->statistics(call->b);
        EXPECT_GT(loss->lost, 0);
        EXPECT_GE(atB.nacksSent, 1u);
        EXPECT_GE(atA.retransmissionsSent, static_cast<uint64_t>(loss->lost));
        EXPECT_EQ(atB.plisSent, 0u) << "repaired without a key frame";
        EXPECT_GE(call->b.videoFrames.size(), 55u);
        EXPECT_EQ(numbersOf(call->b.videoFrames), countingFrom(0, call->b.videoFrames.size()));
    }
}

TEST_F(MediaSessionTest, AskesForAKeyFrameWhenPicturesCannotBeDecoded)
{
    struct Case {
        const char* name;
        // Set-up before the call starts.
        std::function<void(MediaCall&)> prepare;
        // Set-up during the call, on the media thread.
        std::function<void()> disturb;
        bool recovers;
    };
    const auto loseTheFirstKeyFrame = [](MediaCall& call) {
        auto loss = std::make_shared<SourceLoss>(
            call.a.options.localVideoSsrc, [](int n) { return n <= 2; }, true);
        call.onThread([&call, loss] { call.pipe.a->lose = [loss](std::span<const uint8_t> d) { return (*loss)(d); }; });
    };
    const Case cases[] = {
        {"the first key frame is lost for good", loseTheFirstKeyFrame, nullptr, true},
        {"the same with key-frame requests switched off",
         [&](MediaCall& call) {
             call.b.options.disablePLI = true;
             loseTheFirstKeyFrame(call);
         },
         nullptr, false},
        {"the sender does not keep packets to send again",
         [](MediaCall& call) {
             call.a.options.disableNackBuffer = true;
             auto loss = std::make_shared<SourceLoss>(call.a.options.localVideoSsrc, [](int n) { return n == 31; });
             call.onThread([&call, loss] { call.pipe.a->lose = [loss](std::span<const uint8_t> d) { return (*loss)(d); }; });
         },
         nullptr, true},
        {"the decoder finds a picture corrupt", nullptr, [this] { videoCodec(call->a).corruptNext = true; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.prepare)
            c.prepare(*call);
        call->start();
        call->run(1.0);
        if (c.disturb)
            c.disturb();
        call->run(1.0);

        const auto atA = call->statistics(call->a);
        const auto atB = call->statistics(call->b);
        if (c.recovers) {
            EXPECT_GE(atB.plisSent, 1u);
            EXPECT_EQ(atA.plisReceived, atB.plisSent);
            EXPECT_GE(videoCodec(call->a).keyFramesEncoded, 2);
            EXPECT_GE(call->a.camera->keyFrameRequests, 1);
            ASSERT_FALSE(call->b.videoFrames.empty());
            EXPECT_GE(SyntheticVideoSource::numberOf(*call->b.videoFrames.back()), 55u) << "decoding goes on after the key frame";
        } else {
            EXPECT_EQ(atB.plisSent, 0u);
            EXPECT_EQ(videoCodec(call->a).keyFramesEncoded, 1);
            EXPECT_TRUE(call->b.videoFrames.empty());
        }
        // Requests are spaced: one per missing key frame, not one per undecodable picture.
        EXPECT_LE(atB.plisSent, 4u);
    }
}

TEST_F(MediaSessionTest, ReportBlocksReachTheCodecOfTheStreamTheyDescribe)
{
    // Without NACK, the picture packets lost stay lost and show in b's reports.
    call->b.negotiated.video->nack = false;
    call->b.options.disablePLI = true;
    lose(call->a, std::make_shared<SourceLoss>(call->a.options.localVideoSsrc, [](int n) { return n > 3 && n % 10 == 0; }));
    call->start();
    call->run(3.0);

    const auto videoBlocks = videoCodec(call->a).reportBlocks();
    const auto audioBlocks = audioCodec(call->a).reportBlocks();
    ASSERT_FALSE(videoBlocks.empty());
    ASSERT_FALSE(audioBlocks.empty());
    for (const auto& block : videoBlocks)
        EXPECT_EQ(block.ssrc, call->a.options.localVideoSsrc);
    for (const auto& block : audioBlocks) {
        EXPECT_EQ(block.ssrc, call->a.options.localAudioSsrc);
        EXPECT_EQ(block.cumulativePacketsLost, 0);
    }
    EXPECT_GT(videoBlocks.back().cumulativePacketsLost, 0);
    EXPECT_EQ(call->statistics(call->a).reportBlocksReceived, videoBlocks.size() + audioBlocks.size());
    EXPECT_FALSE(videoCodec(call->b).reportBlocks().empty());
    EXPECT_FALSE(audioCodec(call->b).reportBlocks().empty());
}

TEST_F(MediaSessionTest, ReportsAFarSideThatWentSilentOnce)
{
    struct Case {
        const char* name;
        bool connect;
        // When b falls silent, and when the transport comes up (negative: never, or at once).
        double silentFrom;
        double connectAt;
        // When a should report it; 0: never within 12 s.
        double reportAt;
    };
    const Case cases[] = {
        {"silent from the start", true, 0, -1, 3.0},
        {"silent after media flowed", true, 2.0, -1, 5.0},
        {"silent, transport up late", false, 0, 4.0, 7.0},
        {"silent, transport never up", false, 0, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        call->a.options.deadStreamTimeout = 3.0;
        call->start(c.connect);
        auto silent = std::make_shared<std::atomic<bool>>(false);
        filter(call->b, [silent](std::span<const uint8_t>) { return silent->load(); });
        double elapsed = 0;
        const auto runUntil = [&](double t) {
            call->run(t - elapsed);
            elapsed = t;
        };
        const auto arm = [&] {
            if (elapsed >= c.silentFrom)
                *silent = true;
            if (c.connectAt >= 0 && elapsed >= c.connectAt)
                call->onThread([&] { call->pipe.connect(); });
        };
        std::vector<double> marks = {c.silentFrom, c.connectAt};
        arm();
        for (double mark : marks) {
            if (mark > elapsed) {
                runUntil(mark);
                arm();
            }
        }
        if (c.reportAt > 0) {
            runUntil(c.reportAt - 0.1);
            EXPECT_EQ(call->a.deadStreams, 0);
            runUntil(c.reportAt + 0.1);
            EXPECT_EQ(call->a.deadStreams, 1);
        }
        runUntil(12.0);
        EXPECT_EQ(call->a.deadStreams, c.reportAt > 0 ? 1 : 0);
    }
}

TEST_F(MediaSessionTest, DropsAndCountsWhatCannotBeReadAndCarriesOn)
{
    call->start();
    call->run(0.5);
    const uint32_t bVideo = call->b.options.localVideoSsrc;
    Bytes badExtension = rtpDatagram(bVideo, 96, 1, {0x10, 0x00});
    badExtension[0] |= 0x10; // X set: the first payload bytes are read as an extension header
    Bytes badPadding = rtpDatagram(bVideo, 96, 1, {0x10, 0x00, 0x00, 200});
    badPadding[0] |= 0x20;
    struct Case {
        const char* name;
        Bytes datagram;
    };
    const Case cases[] = {
        {"shorter than an RTP header", {0x80, 96, 0x00, 0x01, 0x00}},
        {"not version 2", {0x40, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0xAA}},
        {"extension runs past the end", badExtension},
        {"padding longer than the payload", badPadding},
        {"a source we do not know", rtpDatagram(0xDEADBEEF, 96, 1, {0x10, 0x00})},
        {"a payload type the stream does not use", rtpDatagram(bVideo, 50, 1, {0x10, 0x00})},
        {"VP8 payload that is all descriptor", rtpDatagram(bVideo, 96, 1, {0x90})},
        {"RTCP whose length lies", {0x81, 201, 0x00, 0x20, 0, 0, 0, 1}},
        {"RTCP with more report blocks than bytes", {0x85, 201, 0x00, 0x01, 0, 0, 0, 1}},
        {"one byte", {0x80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = call->statistics(call->a).packetsDropped;
        inject(call->a, c.datagram);
        EXPECT_EQ(call->statistics(call->a).packetsDropped, before + 1);
    }

    const auto decodedBefore = call->a.videoFrames.size();
    call->run(1.0);
    EXPECT_GT(call->a.videoFrames.size(), decodedBefore + 20) << "the call goes on";

    // Random bytes, half of them dressed as RTP of the far side's streams, reach every reader,
    // buffer and codec call; a forged packet of a known source cannot be told from a real one,
    // so all that is asked here is that nothing breaks and garbage is counted.
    std::mt19937 random(7);
    const uint32_t ssrcs[] = {bVideo, call->b.options.localAudioSsrc, 0x12345678};
    for (int i = 0; i < 3000; ++i) {
        Bytes datagram(random() % 80);
        for (auto& byte : datagram)
            byte = static_cast<uint8_t>(random());
        if (datagram.size() >= 12 && i % 2 == 0) {
            datagram[0] = static_cast<uint8_t>(0x80 | (datagram[0] & 0x3F));
            datagram[1] = static_cast<uint8_t>((i % 4 ? 96 : 111) | (datagram[1] & 0x80));
            const uint32_t ssrc = ssrcs[i % 3];
            for (int k = 0; k < 4; ++k)
                datagram[8 + k] = static_cast<uint8_t>(ssrc >> (24 - 8 * k));
        }
        inject(call->a, datagram);
    }
    call->run(0.5);
    EXPECT_GT(call->statistics(call->a).packetsDropped, 1000u);
}

TEST_F(MediaSessionTest, HoldsOnlyWhatItsCapsAllow)
{
    call->start();
    call->run(0.2);

    // The media thread stalls while the camera and microphone keep capturing.
    const auto before = call->statistics(call->a);
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    call->thread->post([gate] { gate.wait(); });
    uint32_t lastPicture = 0;
    for (int i = 0; i < 50; ++i)
        lastPicture = call->a.camera->deliver();
    for (int i = 0; i < 30; ++i)
        call->a.microphone->deliver();
    release.set_value();
    call->sync();
    const auto after = call->statistics(call->a);
    EXPECT_EQ(after.videoFramesEncoded, before.videoFramesEncoded + 1) << "only the newest picture is encoded";
    EXPECT_EQ(after.audioPacketsSent, before.audioPacketsSent + LinkMediaSession::audioMailboxFrames);
    call->run(0.1, false);
    ASSERT_FALSE(call->b.videoFrames.empty());
    EXPECT_EQ(SyntheticVideoSource::numberOf(*call->b.videoFrames.back()), lastPicture);

    // A flood of sound packets in one go fills the jitter buffer and no more. It starts far
    // from b's own numbering, so the buffer starts over once and then only fills.
    auto lastSequence = std::make_shared<std::atomic<int>>(-1);
    const uint32_t bAudio = call->b.options.localAudioSsrc;
    filter(call->b, [lastSequence, bAudio](std::span<const uint8_t> datagram) {
        if (auto packet = rtpOf(datagram); packet && packet->ssrc == bAudio)
            *lastSequence = packet->sequenceNumber;
        return false;
    });
    call->run(0.1);
    ASSERT_GE(lastSequence->load(), 0);
    const auto droppedBefore = call->statistics(call->a).packetsDropped;
    call->onThread([&] {
        for (int n = 0; n < 500; ++n)
            call->a.transport->receive(
                rtpDatagram(bAudio, MediaCall::opusPayloadType, static_cast<uint16_t>(*lastSequence + 5000 + n), {0xA0, 0, 0, 0, 0}));
    });
    EXPECT_EQ(call->statistics(call->a).packetsDropped, droppedBefore + 450);
}

TEST_F(MediaSessionTest, ConcealsLostSoundItselfUnlessTheCodecDoes)
{
    struct Case {
        const char* name;
        bool codecConceals;
        bool disablePLC;
        int firstLost;
        int lost;
        uint8_t fill; // what the frames put in for the lost ones hold
    };
    const Case cases[] = {
        {"one lost, the session conceals", false, false, 20, 1, 0x00},
        {"three lost, the session conceals", false, false, 20, 3, 0x00},
        {"three lost, the codec conceals", true, false, 20, 3, FakeAudioCodec::concealMark},
        {"concealment switched off", false, true, 20, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        audioCodecConceals = c.codecConceals;
        SetUp();
        call->b.options.disablePLC = c.disablePLC;
        const int first = c.firstLost, last = c.firstLost + c.lost;
        lose(call->a,
             std::make_shared<SourceLoss>(call->a.options.localAudioSsrc, [first, last](int n) { return n >= first && n < last; }));
        call->start();
        call->run(1.0);

        const auto& frames = call->b.audioFrames;
        const auto after = std::find_if(frames.begin(), frames.end(), [&](const auto& frame) {
            return SyntheticAudioSource::numberOf(*frame) == static_cast<uint32_t>(c.firstLost + c.lost);
        });
        ASSERT_NE(after, frames.end());
        const auto& filled = (*after)->framesToPlayBefore;
        const size_t expected = c.disablePLC ? 0 : static_cast<size_t>(c.lost);
        ASSERT_EQ(filled.size(), expected);
        for (const auto& frame : filled) {
            EXPECT_EQ(frame->length, 3840);
            EXPECT_EQ(frame->data->at(static_cast<size_t>(frame->index) + 100), c.fill);
        }
        EXPECT_EQ(call->statistics(call->b).audioFramesConcealed, expected);
        size_t withFill = 0;
        for (const auto& frame : frames)
            withFill += frame->framesToPlayBefore.size();
        EXPECT_EQ(withFill, expected) << "nothing concealed where nothing was lost";
        audioCodecConceals = false;
    }
}

TEST_F(MediaSessionTest, SoundWaitsInTheJitterBufferUnlessItIsSwitchedOff)
{
    for (bool jitterBuffer : {true, false}) {
        SCOPED_TRACE(jitterBuffer ? "jitter buffer" : "no jitter buffer");
        TearDown();
        SetUp();
        call->b.options.disableJitterBuffer = !jitterBuffer;
        call->start();
        call->run(0.02);
        // One frame sent at once; the buffer holds it back for its delay (60 ms).
        EXPECT_EQ(call->b.audioFrames.empty(), jitterBuffer);
        call->run(0.2);
        EXPECT_GE(call->b.audioFrames.size(), 8u);
        EXPECT_EQ(numbersOf(call->b.audioFrames), countingFrom(0, call->b.audioFrames.size()));
    }
}

TEST_F(MediaSessionTest, AfterStopNothingIsCapturedDecodedOrCalledBack)
{
    for (bool byDestructor : {false, true}) {
        SCOPED_TRACE(byDestructor ? "released" : "stopped");
        TearDown();
        SetUp();
        call->start();
        call->run(0.5);
        ASSERT_FALSE(call->a.videoFrames.empty());
        call->onThread([&] {
            if (byDestructor)
                call->a.session.reset();
            else
                call->a.session->stop();
        });
        EXPECT_EQ(call->a.camera->handlerCount(), 0u);
        EXPECT_EQ(call->a.microphone->handlerCount(), 0u);
        EXPECT_TRUE(videoCodec(call->a).destroyed);
        EXPECT_TRUE(audioCodec(call->a).destroyed);

        const auto video = call->a.videoFrames.size();
        const auto audio = call->a.audioFrames.size();
        const auto sentByA = call->pipe.a->sent;
        call->run(4.0); // b keeps sending; a's dead-stream time would pass too
        call->a.options.deadStreamTimeout = 1.0;
        EXPECT_EQ(call->a.videoFrames.size(), video);
        EXPECT_EQ(call->a.audioFrames.size(), audio);
        EXPECT_EQ(call->a.deadStreams, 0);
        EXPECT_EQ(call->pipe.a->sent, sentByA);
    }
}

TEST_F(MediaSessionTest, LeavesACameraItIsNoLongerGiven)
{
    call->start();
    call->run(0.3);
    auto other = std::make_shared<SyntheticVideoSource>(64, 48);
    call->onThread([&] { call->a.session->setVideoSource(other); });
    EXPECT_EQ(call->a.camera->handlerCount(), 0u);
    EXPECT_EQ(other->handlerCount(), 1u);

    const auto decodedBefore = call->b.videoFrames.size();
    for (int i = 0; i < 5; ++i) {
        other->deliver();
        call->run(0.04, false);
    }
    EXPECT_EQ(call->b.videoFrames.size(), decodedBefore + 5);
    call->onThread([&] { call->a.session->setVideoSource(nullptr); });
    EXPECT_EQ(other->handlerCount(), 0u);
}

TEST_F(MediaSessionTest, TakesUpAFarSideThatRestartedWithNewSources)
{
    // Nothing negotiated about b's sources: a takes the first it hears, and a new one once
    // the old has gone quiet.
    call->a.negotiated.video->remoteSsrc.reset();
    call->a.negotiated.audio->remoteSsrc.reset();
    call->start();
    call->run(1.0);
    ASSERT_GE(call->a.videoFrames.size(), 25u);

    call->onThread([&] { call->b.session.reset(); });
    call->run(2.5);
    const auto videoBefore = call->a.videoFrames.size();
    const auto audioBefore = call->a.audioFrames.size();
    call->b.options.localVideoSsrc = 0x2DE0B;
    call->b.options.localAudioSsrc = 0x2B0D10B;
    call->restart(call->b);
    call->run(1.5);

    EXPECT_GE(call->a.videoFrames.size(), videoBefore + 40);
    EXPECT_GE(call->a.audioFrames.size(), audioBefore + 60);
    EXPECT_GE(SyntheticVideoSource::numberOf(*call->a.videoFrames.back()) + 2, call->b.camera->delivered()) << "pictures are current";
}

TEST_F(MediaSessionTest, ACameraOnItsOwnThreadIsLeftWhileItDelivers)
{
    call->start();
    std::atomic<bool> capturing{true};
    std::thread camera([&] {
        while (capturing) {
            call->a.camera->deliver();
            call->a.microphone->deliver();
        }
    });
    while (call->a.camera->delivered() < 5)
        std::this_thread::yield();
    call->run(0.3, false);
    const auto encoded = call->statistics(call->a).videoFramesEncoded;
    call->onThread([&] { call->a.session.reset(); });
    EXPECT_EQ(call->a.camera->handlerCount(), 0u);
    EXPECT_EQ(call->a.microphone->handlerCount(), 0u);
    call->run(0.2, false);
    capturing = false;
    camera.join();
    EXPECT_GT(encoded, 0u) << "pictures went out while the camera ran";
}

TEST_F(MediaSessionTest, AFloodOfKeyFrameRequestsIsAnsweredAtAMeasuredPace)
{
    call->start();
    call->run(0.5);
    RTCPPliPacket pli;
    pli.senderSsrc = call->b.options.localVideoSsrc;
    pli.mediaSsrc = call->a.options.localVideoSsrc;
    const auto datagram = mediastack::rtp::RtcpWriter::write({std::make_shared<RTCPPliPacket>(pli)});
    const int keyFramesBefore = videoCodec(call->a).keyFramesEncoded;
    const int requestsBefore = call->a.camera->keyFrameRequests;
    // A request every 10 ms for 3 s: one per picture and more.
    for (int i = 0; i < 300; ++i) {
        inject(call->a, datagram);
        call->run(0.01);
    }
    EXPECT_EQ(call->statistics(call->a).plisReceived, 300u);
    // One answer per 300 ms at most: 10 in 3 s, not 90 key pictures.
    EXPECT_LE(videoCodec(call->a).keyFramesEncoded - keyFramesBefore, 11);
    EXPECT_GE(videoCodec(call->a).keyFramesEncoded - keyFramesBefore, 5);
    EXPECT_LE(call->a.camera->keyFrameRequests - requestsBefore, 11);
}

TEST_F(MediaSessionTest, KeyFrameRequestsThatGoUnansweredComeLessOften)
{
    // Every other packet of a's video lost for good from the start: no picture, key or not,
    // ever comes whole, so b's requests are never answered by a key frame.
    auto loss = std::make_shared<SourceLoss>(call->a.options.localVideoSsrc, [](int n) { return n % 2 == 1; }, true);
    lose(call->a, loss);
    call->start();
    call->run(5.0);
    const auto atB = call->statistics(call->b);
    // 250 ms, then 500 ms, then once a second: not twenty requests.
    EXPECT_GE(atB.plisSent, 3u);
    EXPECT_LE(atB.plisSent, 8u);
    // NACKs are paced too, not one per arriving packet.
    EXPECT_LE(atB.nacksSent, 5.0 / 0.02 + 1);
}

TEST_F(MediaSessionTest, WithRembAgreedEachSideStampsSendTimesAndTellsTheOtherWhatArrives)
{
    for (auto* end : {&call->a, &call->b}) {
        end->negotiated.video->remb = true;
        end->negotiated.video->headerExtensions.push_back({3, mediastack::rtp::AbsSendTime::uri});
    }
    auto stamped = std::make_shared<std::atomic<int>>(0);
    auto unstamped = std::make_shared<std::atomic<int>>(0);
    filter(call->a, [stamped, unstamped](std::span<const uint8_t> datagram) {
        if (mediastack::rtp::RtpDemux::classify(datagram) != mediastack::rtp::RtpDemux::Kind::Rtp)
            return false;
        mediastack::rtp::DropCounter drops;
        const auto read = mediastack::rtp::RtpReader::read(datagram, drops);
        const bool has = read && read->extensions.size() == 1 && read->extensions[0].id == 3 && read->extensions[0].data.size() == 3;
        ++*(has ? stamped : unstamped);
        return false;
    });
    call->start();
    call->run(3.0);
    EXPECT_GT(stamped->load(), 100);
    EXPECT_EQ(unstamped->load(), 0);
    for (auto* end : {&call->a, &call->b}) {
        SCOPED_TRACE(end->options.cname);
        const auto statistics = call->statistics(*end);
        EXPECT_GE(statistics.rembsSent, 2u);
        EXPECT_GE(statistics.rembsReceived, 2u);
        EXPECT_GE(statistics.sendAllowance, 30000u);
        EXPECT_EQ(statistics.videoFramesSkipped, 0u) << "the estimate follows what arrives, so nothing is held back";
    }
}

TEST_F(MediaSessionTest, OurVideoKeepsToTheFarSidesEstimate)
{
    struct Case {
        const char* name;
        std::optional<uint64_t> allowance;
        bool listsOurVideo;
        bool holdsBack;
    };
    const Case cases[] = {
        {"no estimate: every picture goes", std::nullopt, true, false},
        {"an estimate far below what we send", 20000, true, true},
        {"an estimate well above it", 50000000, true, false},
        {"an estimate for another source", 20000, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        call->start();
        call->run(0.5);
        if (c.allowance) {
            auto remb = std::make_shared<mediastack::rtp::RtcpRembPacket>();
            remb->senderSsrc = call->b.options.localVideoSsrc;
            remb->bitrate = *c.allowance;
            remb->mediaSsrcs = {c.listsOurVideo ? call->a.options.localVideoSsrc : 99u};
            inject(call->a, mediastack::rtp::RtcpWriter::write({remb}));
        }
        const auto before = call->statistics(call->a);
        call->run(2.0);
        const auto after = call->statistics(call->a);
        const auto encoded = after.videoFramesEncoded - before.videoFramesEncoded;
        if (c.holdsBack) {
            EXPECT_GT(after.videoFramesSkipped, 0u);
            EXPECT_LT(encoded, 30u);
            EXPECT_GT(encoded, 0u) << "never frozen altogether";
        } else {
            EXPECT_EQ(after.videoFramesSkipped, 0u);
            EXPECT_GE(encoded, 55u);
        }
    }
}
