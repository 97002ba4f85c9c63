#pragma once
// Two media sessions joined by a DatagramPipe on one media thread, with a synthetic camera
// and microphone at each end and the far side's pictures and sound recorded, for tests of
// a whole call. Time moves only through run(): the shared manual clock is stepped 10 ms at a
// time, the sources capture when their next frame is due (the test's thread is their capture
// thread), and each step waits until the media thread has done what fell due.
// Test thread; everything of the sessions happens on the media thread.
#include <cstdint>
#include <future>
#include <memory>
#include <vector>

#include "DatagramPipe.h"
#include "Foundation/RunLoopClock.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Session/MediaSession.h"
#include "SyntheticAudioSource.h"
#include "SyntheticVideoSource.h"

namespace media::test {

struct CallEnd {
    MediaSessionOptions options;
    mediastack::sdp::NegotiatedSession negotiated;
    std::shared_ptr<PipeEnd> transport;
    std::shared_ptr<MediaSession> session;
    std::shared_ptr<SyntheticVideoSource> camera;
    std::shared_ptr<SyntheticAudioSource> microphone;

    // The far side's media as it came out of the session; media thread, read after a sync.
    std::vector<std::shared_ptr<VideoFrame>> videoFrames;
    std::vector<std::shared_ptr<AudioFrame>> audioFrames;
    int deadStreams = 0;
};

class MediaCall {
public:
    static constexpr uint8_t vp8PayloadType = 96;
    static constexpr uint8_t opusPayloadType = 111;

    MediaCall(std::shared_ptr<ManualClock> clock, int width = 64, int height = 48)
        : thread(MediaThread::create(clock)), pipe(thread), m_clock(std::move(clock))
    {
        a.transport = pipe.a;
        b.transport = pipe.b;
        describe(a, "a", 0xA0D10A, 0x1DE0A, 0xB0D10B, 0x1DE0B);
        describe(b, "b", 0xB0D10B, 0x1DE0B, 0xA0D10A, 0x1DE0A);
        for (auto* end : {&a, &b}) {
            end->camera = std::make_shared<SyntheticVideoSource>(width, height);
            end->microphone = std::make_shared<SyntheticAudioSource>();
        }
    }

    ~MediaCall()
    {
        // Sessions live and die on the media thread.
        thread->invoke([this] {
            a.session.reset();
            b.session.reset();
        });
    }

    // Makes the sessions (after the test has changed the ends' options and negotiation) with
    // their sources and recorders. `connect`: the pipe comes up at once.
    void start(bool connect = true)
    {
        thread->invoke([&] {
            for (auto* end : {&a, &b})
                open(*end);
            if (connect)
                pipe.connect();
        });
    }

    // Replaces the end's session with a new one of its (changed) options, as a far side that
    // restarts does.
    void restart(CallEnd& end)
    {
        thread->invoke([&] {
            end.session.reset();
            open(end);
        });
    }

    // Steps the clock by `seconds`; the cameras capture at `fps`, the microphones every 20 ms.
    void run(double seconds, bool capture = true)
    {
        const int steps = static_cast<int>(seconds / kStep + 0.5);
        for (int i = 0; i < steps; ++i) {
            m_clock->advance(kStep);
            m_elapsed += kStep;
            if (capture) {
                while (m_nextVideo <= m_elapsed + 1e-9) {
                    a.camera->deliver();
                    b.camera->deliver();
                    m_nextVideo += 1.0 / fps;
                }
                while (m_nextAudio <= m_elapsed + 1e-9) {
                    a.microphone->deliver();
                    b.microphone->deliver();
                    m_nextAudio += 0.020;
                }
            }
            sync();
        }
    }

    // Returns once the media thread has done everything due now, and what that set off.
    void sync()
    {
        for (int round = 0; round < 3; ++round) {
            std::promise<void> done;
            auto finished = done.get_future();
            thread->invoke([&] { thread->scheduleAfter(0, [&done] { done.set_value(); }); });
            finished.wait();
        }
    }

    MediaSession::Statistics statistics(const CallEnd& end)
    {
        MediaSession::Statistics result;
        thread->invoke([&] { result = end.session->statistics(); });
        return result;
    }

    // Runs `work` on the media thread, where sessions and transports are touched.
    void onThread(const std::function<void()>& work) { thread->invoke(work); }

    std::shared_ptr<MediaThread> thread;
    DatagramPipe pipe;
    CallEnd a;
    CallEnd b;
    double fps = 30;

private:
    static constexpr double kStep = 0.010;

    void open(CallEnd& end)
    {
        end.session = MediaSession::create(thread, end.transport, end.negotiated, end.options);
        end.session->setVideoSource(end.camera);
        end.session->setAudioSource(end.microphone);
        end.session->onRemoteVideoFrame([&end](const std::shared_ptr<VideoFrame>& frame) { end.videoFrames.push_back(frame); });
        end.session->onRemoteAudioFrame([&end](const std::shared_ptr<AudioFrame>& frame) { end.audioFrames.push_back(frame); });
        end.session->onDeadStream([&end] { ++end.deadStreams; });
    }

    static void describe(CallEnd& end, const char* cname, uint32_t audioSsrc, uint32_t videoSsrc, uint32_t remoteAudioSsrc,
                         uint32_t remoteVideoSsrc)
    {
        end.options.cname = cname;
        end.options.localAudioSsrc = audioSsrc;
        end.options.localVideoSsrc = videoSsrc;
        mediastack::sdp::NegotiatedSession::Media video;
        video.mid = "1";
        video.codec = {vp8PayloadType, "VP8", 90000, 0, "", {"nack", "nack pli"}};
        video.remoteSsrc = remoteVideoSsrc;
        video.nack = true;
        video.pli = true;
        mediastack::sdp::NegotiatedSession::Media audio;
        audio.mid = "0";
        audio.codec = {opusPayloadType, "opus", 48000, 2, "minptime=10;useinbandfec=1", {}};
        audio.remoteSsrc = remoteAudioSsrc;
        end.negotiated.video = video;
        end.negotiated.audio = audio;
    }

    std::shared_ptr<ManualClock> m_clock;
    double m_elapsed = 0;
    double m_nextVideo = 0;
    double m_nextAudio = 0;
};

} // namespace media::test
