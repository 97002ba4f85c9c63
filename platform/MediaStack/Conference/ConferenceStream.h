#pragma once
// What a conference sends and receives in one kind of stream: the local capture stream whose
// source it sends from, and the repairs it runs. AudioStreamSpec and VideoStreamSpec add their
// own switches. Main thread while the conference is built; read-only afterwards.
#include <memory>

class LocalCaptureStream;

class ConferenceStream {
public:
    enum class Kind { Audio, Video };

    virtual ~ConferenceStream() = default;
    virtual Kind kind() const = 0;

    // May be none: the stream then sends nothing and still receives.
    const std::shared_ptr<LocalCaptureStream>& localStream() const { return m_localStream; }

protected:
    explicit ConferenceStream(std::shared_ptr<LocalCaptureStream> localStream) : m_localStream(std::move(localStream)) {}

private:
    std::shared_ptr<LocalCaptureStream> m_localStream;
};
