// RTCP from a hostile peer after decryption: compound packets (SR, RR, SDES, PLI, NACK and
// kinds we step over, report blocks) through the reader, our reporter (the round trip from the
// blocks about us) and the writer. Properties beside the sanitizers: what was read writes out
// and reads back as the same packets, no round trip past the cap is taken, and a NACK lists no
// more numbers than the reader's cap.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "MediaStack/RTCPReportPacket.h"
#include "MediaStack/Rtp/RtcpNackPacket.h"
#include "MediaStack/Rtp/RtcpReader.h"
#include "MediaStack/Rtp/RtcpReporter.h"
#include "MediaStack/Rtp/RtcpWriter.h"

using namespace mediastack::rtp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const MediaTime start = MediaTime() + std::chrono::hours(1);
    // The first byte is when the compound arrives after our last report, in tens of ms.
    const MediaTime arrival = start + std::chrono::milliseconds(10 * data[0]);
    DropCounter drops;
    const auto packets = RtcpReader::read(std::span<const uint8_t>(data + 1, size - 1), drops);
    for (const auto& packet : packets) {
        FUZZ_CHECK(packet != nullptr);
        if (const auto* nack = dynamic_cast<const RtcpNackPacket*>(packet.get()))
            FUZZ_CHECK(nack->lostSequenceNumbers.size() <= RtcpReader::maxNackedSequenceNumbers);
    }

    // The report blocks name whatever SSRC the fuzzer chose: take the first block's as ours.
    uint32_t ours = 1;
    for (const auto& packet : packets)
        if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get()); report && !report->reportBlocks.empty()) {
            ours = report->reportBlocks.front().ssrc;
            break;
        }
    RtcpReporter reporter({ .localSsrc = ours, .cname = "fuzz" }, start, uint64_t { 3900000000u } << 32);
    reporter.rtcpReceived(packets, arrival);
    if (const auto rtt = reporter.roundTripTime())
        FUZZ_CHECK(*rtt >= MediaDuration::zero() && *rtt <= RtcpReporter::maxRoundTrip);

    if (packets.empty())
        return 0;
    const auto written = RtcpWriter::write(packets);
    DropCounter again;
    const auto reread = RtcpReader::read(written, again);
    FUZZ_CHECK(again.total() == 0);
    const auto rewritten = RtcpWriter::write(reread);
    FUZZ_CHECK(rewritten == written);
    return 0;
}
