// The receive path of RTP after decryption, as a hostile peer drives it: a stream of
// datagrams, each after a step of time, through the RTP reader, the source latch, the receive
// statistics, the NACK list, the VP8 frame assembler with the depacketizer behind it and the
// audio jitter buffer. Sequence numbers, timestamps, SSRCs, sizes and extensions are the
// fuzzer's. Properties beside the sanitizers: no buffer holds past its cap, and what the
// assembler and the jitter buffer hand out keeps sequence order (a restart aside).
//
// Input: records of [time step in ms: 1 byte][kind: 1 byte, bit 0 audio][length: 2 bytes][datagram].
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "FuzzCheck.h"
#include "MediaStack/Rtp/AudioJitterBuffer.h"
#include "MediaStack/Rtp/NackGenerator.h"
#include "MediaStack/Rtp/RtcpReporter.h"
#include "MediaStack/Rtp/RtpReader.h"
#include "MediaStack/Rtp/SequenceUnwrapper.h"
#include "MediaStack/Rtp/Vp8FrameAssembler.h"
#include "MediaStack/Session/RemoteSourceLatch.h"
#include "MediaStack/Vp8PayloadPacketizer.h"

using namespace mediastack::rtp;

namespace {

constexpr uint8_t kVideoType = 96;
constexpr uint8_t kAudioType = 111;

// Order kept, allowing for a restart (a jump wider than the receive path's restart distance).
struct OrderCheck {
    std::optional<uint16_t> last;
    void handedOut(uint16_t number, int restartDistance)
    {
        if (last) {
            const int delta = static_cast<int16_t>(static_cast<uint16_t>(number - *last));
            FUZZ_CHECK(delta > 0 || delta < -restartDistance);
        }
        last = number;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MediaTime now = MediaTime() + std::chrono::hours(1);
    DropCounter drops;
    media::RemoteSourceLatch videoSource(std::nullopt, kVideoType);
    media::RemoteSourceLatch audioSource(std::nullopt, kAudioType);
    RtcpReporter reporter({ .localSsrc = 1, .cname = "fuzz" }, now, uint64_t { 1 } << 32);
    NackGenerator nacks;
    Vp8FrameAssembler::Config assemblerConfig;
    assemblerConfig.maxPackets = 64;
    assemblerConfig.maxBytes = 16 * 1024;
    std::optional<Vp8FrameAssembler> assembler(std::in_place, assemblerConfig);
    std::optional<Vp8PayloadPacketizer> depacketizer(std::in_place);
    AudioJitterBuffer::Config jitterConfig;
    jitterConfig.capacity = 16;
    AudioJitterBuffer jitter(jitterConfig);
    OrderCheck videoOrder;
    OrderCheck audioOrder;

    const auto handOut = [&](const std::vector<std::shared_ptr<const RTPPacket>>& packets) {
        for (const auto& held : packets) {
            videoOrder.handedOut(held->sequenceNumber, static_cast<int>(assemblerConfig.restartDistance));
            (void)depacketizer->depacketize(std::make_shared<RTPPacket>(*held));
        }
    };
    const auto checkCaps = [&] {
        FUZZ_CHECK(assembler->heldPackets() <= assemblerConfig.maxPackets);
        // One packet past the byte cap at most, before the oldest give way.
        FUZZ_CHECK(assembler->heldBytes() <= assemblerConfig.maxBytes + 65536);
        FUZZ_CHECK(jitter.size() <= jitterConfig.capacity);
        FUZZ_CHECK(nacks.missingCount() <= NackGenerator::Config {}.maxMissing);
        if (const auto rtt = reporter.roundTripTime())
            FUZZ_CHECK(*rtt <= RtcpReporter::maxRoundTrip);
    };

    std::span<const uint8_t> input(data, size);
    while (input.size() >= 4) {
        now += std::chrono::milliseconds(input[0]);
        const bool audio = input[1] & 1;
        const size_t length = std::min<size_t>(input.size() - 4, (size_t { input[2] } << 8) | input[3]);
        const auto datagram = input.subspan(4, length);
        input = input.subspan(4 + length);

        auto read = RtpReader::read(datagram, drops);
        if (read) {
            // The kind chooses the payload type, so that both streams are reached.
            read->packet.payloadType = audio ? kAudioType : kVideoType;
            auto packet = std::make_shared<const RTPPacket>(std::move(read->packet));
            auto& source = audio ? audioSource : videoSource;
            const auto match = source.match(*packet, now);
            if (match == media::RemoteSourceLatch::Match::Replaced && !audio) {
                // A new source of video: the stream starts its receive side over, as the session does.
                assembler.emplace(assemblerConfig);
                depacketizer.emplace();
                nacks = NackGenerator();
                videoOrder = OrderCheck();
            }
            if (match != media::RemoteSourceLatch::Match::No) {
                reporter.packetReceived(*packet, audio ? 48000 : 90000, now);
                if (audio) {
                    jitter.insert(packet, now, drops);
                } else {
                    const auto dropsBefore = drops.total();
                    handOut(assembler->insert(packet, now, drops));
                    if (drops.total() == dropsBefore)
                        nacks.packetReceived(packet->sequenceNumber);
                    if (const auto next = assembler->nextSequenceNumber())
                        nacks.giveUpBefore(*next);
                    (void)nacks.due(now, reporter.roundTripTime());
                    (void)nacks.takeKeyFrameRequest();
                }
            }
        }
        handOut(assembler->poll(now));
        while (auto slot = jitter.pop(now))
            audioOrder.handedOut(slot->packet->sequenceNumber, static_cast<int>(jitterConfig.restartDistance));
        if (reporter.isDue(now))
            (void)reporter.makeReport(now);
        checkCaps();
    }
    return 0;
}
