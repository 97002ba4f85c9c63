// A peer's flood on our receive path: 100 000 RTP packets (after decryption) over many SSRCs
// and spread sequence numbers and timestamps, VP8- and Opus-typed, into one media session of
// our stack with the real codecs, with no time passing and then with time passing. Prints the
// peak resident memory before and after and the heap in use, so that the receive path's caps
// show as a bound, and the cost per packet.
//
//   receive_flood_bench [packets]      (default: 100000)
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "../tests/platform/MediaStack/support/MediaCall.h"
#include "RealCodecCall.h"
#include "MediaStack/Rtp/RtpWriter.h"

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double heapMb() { return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0); }

} // namespace

int main(int argc, char** argv)
{
    const int packets = argc > 1 ? std::atoi(argv[1]) : 100000;
    const auto clock = bench::setUpRealCodecCall();

    media::test::MediaCall call(clock, 320, 240);
    call.start();
    call.run(1.0);
    std::printf("%-34s %10s %10s %10s\n", "", "peak MB", "heap MB", "us/packet");
    std::printf("%-34s %10.1f %10.1f %10s\n", "after 1 s of call", peakKb() / 1024.0, heapMb(), "");

    std::mt19937 random(7);
    for (const bool timePasses : {false, true}) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < packets; ++i) {
            RTPPacket packet;
            const bool video = random() % 4 != 0;
            packet.payloadType = video ? 96 : 111;
            // Half on the far side's own sources, half on many others.
            const uint32_t own = video ? call.b.options.localVideoSsrc : call.b.options.localAudioSsrc;
            packet.ssrc = random() % 2 ? own : static_cast<uint32_t>(random() % 64);
            packet.sequenceNumber = static_cast<uint16_t>(random()); // spread numbers
            packet.timestamp = static_cast<uint32_t>(random() % 1000) * 3000;
            packet.marker = random() % 3 == 0;
            packet.payload.resize(100 + random() % 1100);
            if (video) {
                packet.payload[0] = random() % 2 ? 0x10 : 0x00; // S bit
                packet.payload[1] = random() % 8 == 0 ? 0x00 : 0x01; // key frame or not
            }
            const auto datagram = mediastack::rtp::RtpWriter::write(packet);
            call.onThread([&] { call.pipe.a->receive(datagram); });
            if (timePasses && i % 100 == 0)
                call.run(0.010, false);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-34s %10.1f %10.1f %10.2f\n", timePasses ? "after the flood, time passing" : "after the flood, no time passing",
                    peakKb() / 1024.0, heapMb(), 1e6 * seconds / packets);
    }
    const auto statistics = call.statistics(call.a);
    std::printf("received video %llu, audio %llu, dropped %llu, NACKs %llu, PLIs %llu\n",
                static_cast<unsigned long long>(statistics.videoPacketsReceived),
                static_cast<unsigned long long>(statistics.audioPacketsReceived),
                static_cast<unsigned long long>(statistics.packetsDropped), static_cast<unsigned long long>(statistics.nacksSent),
                static_cast<unsigned long long>(statistics.plisSent));
    return 0;
}
