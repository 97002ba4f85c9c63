// The call on a bad network: two media sessions of our stack with the real VP8 and Opus
// codecs (a synthetic camera at 30 fps and a microphone each way), joined by a link that
// loses, delays, caps and cuts datagrams per direction, stepped on the shared manual clock
// (10 ms steps), so a 30 s call takes seconds and every run gives the same figures.
// "a" is our app, "b" the far side; "down" is b to a (the agent's video reaching us).
//
//   bad_network_bench [seconds] [width] [height]      (defaults: 30 320 240)
//
// Per scenario: frames encoded and decoded each way, freezes (no new picture for 500 ms or
// more, counted once each), NACKs, retransmissions, PLIs, the round trip the reports
// measured, the REMB estimates, and whether the 5 s dead-stream watch fired.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "../tests/platform/MediaStack/support/MediaCall.h"
#include "RealCodecCall.h"
#include "MediaStack/Rtp/AbsSendTime.h"

namespace {

struct Direction {
    double loss = 0; // probability per datagram
    double delay = 0.020; // seconds, one way
    double rate = 0; // bit/s; 0: not capped
    double queue = 0.25; // seconds of data the capped link holds before it drops
};

struct Scenario {
    std::string name;
    Direction up; // a to b
    Direction down; // b to a
    std::optional<std::pair<double, double>> outage; // from, to (seconds), both ways
    bool feedback = true; // REMB and abs-send-time agreed
};

// One direction of the link: the filter of the sending pipe end takes every datagram and
// delivers it (or not) to the other end later on the media thread.
class Link {
public:
    Link(Direction direction, std::optional<std::pair<double, double>> outage, uint32_t seed)
        : m_direction(direction), m_outage(outage), m_random(seed)
    {
    }

    void attach(media::test::MediaCall& call, const std::shared_ptr<media::test::PipeEnd>& from,
                const std::shared_ptr<media::test::PipeEnd>& to)
    {
        std::weak_ptr<media::test::PipeEnd> peer = to;
        auto thread = call.thread;
        call.onThread([&, thread, peer, from] {
            from->lose = [this, thread, peer](std::span<const uint8_t> datagram) {
                const double now = thread->now();
                if (!m_start)
                    m_start = now;
                const double t = now - *m_start;
                if (m_outage && t >= m_outage->first && t < m_outage->second)
                    return true;
                if (std::uniform_real_distribution<double>(0, 1)(m_random) < m_direction.loss)
                    return true;
                double departure = now;
                if (m_direction.rate > 0) {
                    departure = std::max(now, m_linkFree) + 8.0 * static_cast<double>(datagram.size() + 28) / m_direction.rate;
                    if (departure - now > m_direction.queue)
                        return true; // the bottleneck's queue is full: dropped at its tail
                    m_linkFree = departure;
                }
                thread->scheduleAfter(departure - now + m_direction.delay,
                                      [peer, bytes = std::vector<uint8_t>(datagram.begin(), datagram.end())] {
                                          if (auto end = peer.lock())
                                              end->receive(bytes);
                                      });
                return true;
            };
        });
    }

private:
    Direction m_direction;
    std::optional<std::pair<double, double>> m_outage;
    std::mt19937 m_random;
    double m_linkFree = 0;
    std::optional<double> m_start;
};

struct Outcome {
    media::MediaSession::Statistics a, b;
    int freezesAtA = 0, freezesAtB = 0;
    double longestFreezeAtA = 0, longestFreezeAtB = 0;
    int deadAtA = 0, deadAtB = 0;
};

Outcome runScenario(const Scenario& scenario, double seconds, int width, int height, const std::shared_ptr<ManualClock>& clock)
{
    Outcome outcome;
    media::test::MediaCall call(clock, width, height);
    for (auto* end : {&call.a, &call.b}) {
        end->options.deadStreamTimeout = 5.0;
        end->negotiated.video->remb = scenario.feedback;
        if (scenario.feedback)
            end->negotiated.video->headerExtensions.push_back({3, mediastack::rtp::AbsSendTime::uri});
    }
    Link up(scenario.up, scenario.outage, 1);
    Link down(scenario.down, scenario.outage, 2);
    call.start();
    up.attach(call, call.pipe.a, call.pipe.b);
    down.attach(call, call.pipe.b, call.pipe.a);

    struct Watch {
        size_t frames = 0;
        double lastFrame = 0;
        bool frozen = false;
        int freezes = 0;
        double longest = 0;
    } atA, atB;
    const double step = 0.010;
    for (double t = 0; t < seconds; t += step) {
        call.run(step);
        call.onThread([&] {
            for (auto [end, watch] : {std::pair{&call.a, &atA}, std::pair{&call.b, &atB}}) {
                if (!end->videoFrames.empty()) {
                    watch->longest = std::max(watch->longest, t - watch->lastFrame);
                    watch->lastFrame = t;
                    watch->frozen = false;
                    watch->frames += end->videoFrames.size();
                    end->videoFrames.clear();
                    end->audioFrames.clear();
                } else if (!watch->frozen && t - watch->lastFrame >= 0.5 && watch->frames > 0) {
                    watch->frozen = true;
                    watch->freezes++;
                }
            }
        });
    }
    outcome.a = call.statistics(call.a);
    outcome.b = call.statistics(call.b);
    outcome.freezesAtA = atA.freezes;
    outcome.freezesAtB = atB.freezes;
    outcome.longestFreezeAtA = atA.longest;
    outcome.longestFreezeAtB = atB.longest;
    outcome.deadAtA = call.a.deadStreams;
    outcome.deadAtB = call.b.deadStreams;
    return outcome;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const int width = argc > 2 ? std::atoi(argv[2]) : 320;
    const int height = argc > 3 ? std::atoi(argv[3]) : 240;
    if (seconds <= 0 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: bad_network_bench [seconds] [width] [height]\n");
        return 2;
    }
    const auto clock = bench::setUpRealCodecCall();

    const auto both = [](double loss, double delay) { return Direction{loss, delay}; };
    const Direction capped{0.0, 0.030, 250000};
    const std::vector<Scenario> scenarios = {
        {"clean, 20 ms", both(0, 0.020), both(0, 0.020), std::nullopt},
        {"1 % loss, 20 ms", both(0.01, 0.020), both(0.01, 0.020), std::nullopt},
        {"5 % loss, 35 ms", both(0.05, 0.035), both(0.05, 0.035), std::nullopt},
        {"15 % loss, 50 ms", both(0.15, 0.050), both(0.15, 0.050), std::nullopt},
        {"down 250 kbit/s, 30 ms", both(0, 0.030), capped, std::nullopt},
        {"down 250 kbit/s, no REMB", both(0, 0.030), capped, std::nullopt, false},
        {"4 s outage at 10 s, 20 ms", both(0, 0.020), both(0, 0.020), std::pair{10.0, 14.0}},
        {"4 s outage, 5 % loss, 35 ms", both(0.05, 0.035), both(0.05, 0.035), std::pair{10.0, 14.0}},
    };

    std::printf("call of %.0f s at %dx%d each way, our stack both ends; a = app, b = far side, down = b to a\n", seconds, width, height);
    std::printf("| scenario | frames sent a→b / b→a | decoded at b / at a | freezes at b / at a (longest s) | NACKs a / b | "
                "resent a / b | PLIs a / b | RTT ms a / b | REMB sent by a / by b (kbit/s) | skipped a / b | dead-stream |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto& scenario : scenarios) {
        const auto o = runScenario(scenario, seconds, width, height, clock);
        const auto u = [](uint64_t v) { return static_cast<unsigned long long>(v); };
        std::printf("| %s | %llu / %llu | %llu / %llu | %d / %d (%.1f / %.1f) | %llu / %llu | %llu / %llu | %llu / %llu | %.0f / %.0f | "
                    "%llu / %llu | %llu / %llu | %s |\n",
                    scenario.name.c_str(), u(o.a.videoFramesEncoded), u(o.b.videoFramesEncoded), u(o.b.videoFramesDecoded),
                    u(o.a.videoFramesDecoded), o.freezesAtB, o.freezesAtA, o.longestFreezeAtB, o.longestFreezeAtA, u(o.a.nacksSent),
                    u(o.b.nacksSent), u(o.a.retransmissionsSent), u(o.b.retransmissionsSent), u(o.a.plisSent), u(o.b.plisSent),
                    o.a.roundTripMs, o.b.roundTripMs, u(o.a.receiveEstimate / 1000), u(o.b.receiveEstimate / 1000),
                    u(o.a.videoFramesSkipped), u(o.b.videoFramesSkipped),
                    o.deadAtA + o.deadAtB == 0 ? "survived" : "fired (re-link)");
        std::fflush(stdout);
    }
    return 0;
}
