#pragma once
// The running local camera and microphone of a media request: the sources the conference's
// streams send from, the camera provider with its capture session (where a still-image
// output attaches), and the choice of camera. Devices are numbered by the stack; the rear
// and the front camera each have one.
// Main thread for the calls; the sources deliver on their capture threads.
#include <memory>

namespace media {
class AudioSource;
class VideoSource;
}
class CameraCaptureProvider;

class LocalCaptureStream {
public:
    virtual ~LocalCaptureStream() = default;

    virtual std::shared_ptr<media::VideoSource> videoSource() const = 0;
    virtual std::shared_ptr<media::AudioSource> audioSource() const = 0;
    // None once stopped.
    virtual std::shared_ptr<CameraCaptureProvider> cameraProvider() const = 0;

    virtual int videoDeviceNumber() const = 0;
    virtual int rearVideoDeviceNumber() const = 0;
    virtual int frontVideoDeviceNumber() const = 0;
    virtual void switchVideoDevice(int deviceNumber) = 0;

    // Stops camera and microphone; the sources deliver nothing more.
    virtual void stop() = 0;
};
