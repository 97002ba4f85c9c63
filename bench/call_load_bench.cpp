// What a real call costs this process: the media stack's conference against the sim's video
// server on loopback, the synthetic camera at 640x480 (15 fps) and the microphone sent, the
// server's 640x480 pictures and tone received and decoded, for a fixed wall time. Printed at
// the end: user+sys CPU seconds per wall second of the call, and the peak resident memory of
// the whole process (getrusage).
//
// The conference is driven directly, not through the call handler: the handler asks the
// camera for its fixed 320x240, and this measures the larger picture.
//
//   call_load_bench --url https://127.0.0.1:PORT --ca sim/certs/ca.pem [--seconds 30]
//                   [--width 640 --height 480]
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/NSRunLoop.h"
#include "MainLoopWait.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Conference/AudioConferenceStream.h"
#include "MediaStack/Conference/DtlsCertificateBase.h"
#include "MediaStack/Conference/MediaConference.h"
#include "MediaStack/Conference/PeerLink.h"
#include "MediaStack/Conference/SdpExchangeMessage.h"
#include "MediaStack/Conference/VideoConferenceStream.h"
#include "MediaStack/VideoStreamDescription.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"
#include "support/BlockingFetch.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool until(const std::function<bool()>& done, double seconds) { return kvn::bench::runMainLoopUntil(done, seconds); }

// What the media threads hand to the main one.
struct Shared {
    std::mutex lock;
    std::optional<SdpExchangeMessage> offer;
    std::shared_ptr<PeerLink> link;
    bool up = false;
    std::string down;
};

int fail(const std::string& why)
{
    std::fprintf(stderr, "call_load_bench: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string url, ca;
    double callSeconds = 30;
    int width = 640, height = 480;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--url" && hasValue)
            url = argv[++i];
        else if (arg == "--ca" && hasValue)
            ca = argv[++i];
        else if (arg == "--seconds" && hasValue)
            callSeconds = std::atof(argv[++i]);
        else if (arg == "--width" && hasValue)
            width = std::atoi(argv[++i]);
        else if (arg == "--height" && hasValue)
            height = std::atoi(argv[++i]);
        else
            url.clear(), i = argc;
    }
    if (url.empty() || ca.empty() || callSeconds <= 0 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: call_load_bench --url URL --ca FILE [--seconds 30] [--width 640 --height 480]\n");
        return 2;
    }

    NSRunLoop::setMainThread();
    VideoStreamDescription::registerCodec(
        "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
    AudioStreamDescription::registerCodec(
        "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);

    std::shared_ptr<LocalCaptureStream> stream;
    std::atomic<bool> started{false};
    auto request = std::make_shared<MediaRequest>();
    request->width = width;
    request->height = height;
    request->completion = [&](std::shared_ptr<LocalCaptureStream> s, std::shared_ptr<LocalPreviewView>, std::exception_ptr) {
        stream = std::move(s);
        started = true;
    };
    UserMedia::getUserMedia(request);
    if (!until([&] { return started.load(); }, 30) || !stream)
        return fail("the camera and microphone did not start");

    const std::string session = "bench-load-" + std::to_string(::getpid());
    const std::string token = "bench-load-user";
    auto shared = std::make_shared<Shared>();
    // The streams as the call handler sets them up.
    auto audio = std::make_shared<AudioStreamSpec>(stream);
    audio->setDisablePLC(false);
    audio->setDisableJitterBuffer(false);
    auto video = std::make_shared<VideoStreamSpec>(stream);
    video->setDisableFEC(true);
    video->setDisablePLI(false);
    video->setDisableNackBuffer(false);
    auto conference = MediaConference::create("127.0.0.1", 0, {audio, video});
    conference->setDtlsCertificate(DtlsCertificateBase::generate());
    conference->setCandidateMode(CandidateMode::Early);
    conference->setDeadStreamTimeout(5000);
    conference->addOnLinkOfferAnswer([shared](const LinkOfferAnswerArgs& args) {
        std::lock_guard hold(shared->lock);
        shared->offer = args.offerAnswer;
    });
    conference->addOnLinkInit([shared](const LinkInitArgs& args) {
        std::lock_guard hold(shared->lock);
        shared->link = args.link;
    });
    conference->addOnLinkUp([shared](const LinkUpArgs&) {
        std::lock_guard hold(shared->lock);
        shared->up = true;
    });
    conference->addOnLinkDown([shared](const LinkDownArgs& args) {
        std::lock_guard hold(shared->lock);
        shared->down = args.exception.message;
    });
    conference->link(token);

    auto locked = [&](auto read) {
        std::lock_guard hold(shared->lock);
        return read(*shared);
    };
    if (!until([&] { return locked([](Shared& s) { return s.offer.has_value(); }); }, 30))
        return fail("no offer");
    const auto offer = locked([](Shared& s) { return *s.offer; });
    if (offer.sdpMessage.find("a=candidate") == std::string::npos)
        return fail("the offer holds no candidate");
    const std::string base = url + "/api/v1/conferences/" + session + "/USER/" + token;
    const auto answered = blockingFetch({"POST", base + "/sendSdpOffer", offer.toJson(), "application/json", {}, ca});
    if (answered.status != 200)
        return fail("the offer was answered " + std::to_string(answered.status) + ": " + answered.body);
    const auto answer = SdpExchangeMessage::fromJson(answered.body);
    if (!answer)
        return fail("the answer is no SDP exchange message");
    if (auto refused = conference->receiveOfferAnswer(*answer, token))
        return fail("the answer was refused: " + *refused);
    if (!until([&] { return locked([](Shared& s) { return s.up || !s.down.empty(); }); }, 30) || !locked([](Shared& s) { return s.up; }))
        return fail("the link did not come up: " + locked([](Shared& s) { return s.down; }));

    const double cpuStart = cpuSeconds();
    const auto wallStart = Clock::now();
    until([&] { return !locked([](Shared& s) { return s.down; }).empty(); }, callSeconds);
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const auto down = locked([](Shared& s) { return s.down; });
    const auto link = locked([](Shared& s) { return s.link; });
    const auto ours = link ? link->statistics() : media::MediaSession::Statistics{};
    const auto record = blockingFetch({"GET", url + "/__sim/video/conference?session=" + session, "", "application/json", {}, ca});
    conference->unlinkAll();
    stream->stop();
    until([] { return false; }, 0.5);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("call of %.1f s against %s: our camera %dx%d sent, the server's pictures received\n", wall, url.c_str(), width, height);
    std::printf("here:   %llu pictures encoded, %llu decoded, %llu audio frames decoded, %llu NACKs sent\n",
                static_cast<unsigned long long>(ours.videoFramesEncoded), static_cast<unsigned long long>(ours.videoFramesDecoded),
                static_cast<unsigned long long>(ours.audioFramesDecoded), static_cast<unsigned long long>(ours.nacksSent));
    if (record.status == 200) {
        const auto r = nlohmann::json::parse(record.body, nullptr, false);
        if (r.is_object())
            std::printf("server: %d pictures decoded (sizes %s), %d audio frames\n", r["received"]["video"].value("frames", 0),
                        r["received"]["video"]["sizes"].dump().c_str(), r["received"]["audio"].value("frames", 0));
    }
    std::printf("CPU %.2f s user+sys over %.2f s: %.3f CPU seconds per wall second (%.1f %% of one core)\n", cpu, wall, cpu / wall,
                100 * cpu / wall);
    std::printf("peak resident memory %.1f MB (ru_maxrss %ld kB)\n", static_cast<double>(usage.ru_maxrss) / 1024, usage.ru_maxrss);
    if (!down.empty())
        return fail("the link went down during the call: " + down);
    return 0;
}
