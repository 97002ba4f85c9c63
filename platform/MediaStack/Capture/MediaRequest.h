#pragma once
// A request for local media: which kinds, the camera's size and rate, and the layout scale of
// the views it makes. Submitted to UserMedia; it answers once, on a media-stack thread, with
// the running stream and its preview view, or with the failure. The request keeps its
// completion (and what that holds) until it has answered.
#include <exception>
#include <functional>
#include <memory>

#include "MediaStack/Views/VideoLayoutScale.h"

class LocalCaptureStream;
class LocalPreviewView;

class MediaRequest {
public:
    using Completion = std::function<void(std::shared_ptr<LocalCaptureStream> stream, std::shared_ptr<LocalPreviewView> preview,
                                          std::exception_ptr failure)>;

    bool audio = true;
    bool video = true;
    int width = 320;
    int height = 240;
    int frameRate = 15;
    VideoLayoutScale defaultRemoteVideoScale = VideoLayoutScaleFit;
    VideoLayoutScale defaultLocalPreviewScale = VideoLayoutScaleFit;
    Completion completion;
};

// The stack's user-media service.
class UserMedia {
public:
    static void getUserMedia(std::shared_ptr<MediaRequest> request);
};
