// What a call costs: two media sessions joined by the in-memory pipe, each sending a
// synthetic camera (30 fps) and microphone (20 ms frames) through the real VP8 and Opus
// codecs to the other, which decodes them. The call's time is stepped as fast as the
// machine goes, so the figures are CPU time per second of call, not a real-time pace.
//
//   media_session_bench [seconds] [width] [height]      (defaults: 10 640 480)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "../tests/platform/MediaStack/support/MediaCall.h"
#include "RealCodecCall.h"

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int width = argc > 2 ? std::atoi(argv[2]) : 640;
    const int height = argc > 3 ? std::atoi(argv[3]) : 480;
    if (seconds <= 0 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: media_session_bench [seconds] [width] [height]\n");
        return 2;
    }

    const auto clock = bench::setUpRealCodecCall();

    media::MediaSession::Statistics a, b;
    double cpu = 0, wall = 0;
    {
        media::test::MediaCall call(clock, width, height);
        call.start();
        const double cpuStart = cpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        call.run(seconds);
        cpu = cpuSeconds() - cpuStart;
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        a = call.statistics(call.a);
        b = call.statistics(call.b);
    }

    std::printf("call of %.1f s at %dx%d, both ways\n", seconds, width, height);
    std::printf("%-4s %8s %8s %8s %8s %8s\n", "end", "encoded", "decoded", "audio", "nacks", "dropped");
    for (const auto& [name, s] : {std::pair{"a", a}, std::pair{"b", b}})
        std::printf("%-4s %8llu %8llu %8llu %8llu %8llu\n", name, static_cast<unsigned long long>(s.videoFramesEncoded),
                    static_cast<unsigned long long>(s.videoFramesDecoded), static_cast<unsigned long long>(s.audioFramesDecoded),
                    static_cast<unsigned long long>(s.nacksSent), static_cast<unsigned long long>(s.packetsDropped));
    std::printf("CPU %.2f s (%.1f %% of one core per second of call), wall %.2f s\n", cpu, 100.0 * cpu / seconds, wall);
    const auto pictures = a.videoFramesEncoded + b.videoFramesEncoded;
    if (pictures > 0)
        std::printf("%.2f ms CPU per picture encoded, sent, received and decoded\n", 1000.0 * cpu / static_cast<double>(pictures));
    return 0;
}
