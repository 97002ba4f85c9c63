#pragma once
// The audio stream of a conference, sent from a local capture stream's microphone, with its
// receive-side repairs. Main thread while the conference is built; read-only afterwards.
#include "MediaStack/Conference/ConferenceStream.h"

class AudioStreamSpec : public ConferenceStream {
public:
    explicit AudioStreamSpec(std::shared_ptr<LocalCaptureStream> localStream) : ConferenceStream(std::move(localStream)) {}
    Kind kind() const override { return Kind::Audio; }

    bool disablePLC() const { return m_disablePLC; }
    void setDisablePLC(bool disable) { m_disablePLC = disable; }
    bool disableJitterBuffer() const { return m_disableJitterBuffer; }
    void setDisableJitterBuffer(bool disable) { m_disableJitterBuffer = disable; }

private:
    bool m_disablePLC = false;
    bool m_disableJitterBuffer = false;
};
