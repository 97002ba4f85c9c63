#pragma once
// The video stream of a conference, sent from a local capture stream's camera, with the
// repairs both sides run. Main thread while the conference is built; read-only afterwards.
#include "MediaStack/Conference/ConferenceStream.h"

class VideoStreamSpec : public ConferenceStream {
public:
    explicit VideoStreamSpec(std::shared_ptr<LocalCaptureStream> localStream) : ConferenceStream(std::move(localStream)) {}
    Kind kind() const override { return Kind::Video; }

    bool disableFEC() const { return m_disableFEC; }
    void setDisableFEC(bool disable) { m_disableFEC = disable; }
    bool disablePLI() const { return m_disablePLI; }
    void setDisablePLI(bool disable) { m_disablePLI = disable; }
    bool disableNackBuffer() const { return m_disableNackBuffer; }
    void setDisableNackBuffer(bool disable) { m_disableNackBuffer = disable; }

private:
    bool m_disableFEC = false;
    bool m_disablePLI = false;
    bool m_disableNackBuffer = false;
};
