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

// The stack's user-media service. It asks the user for what the request needs and is not yet
// decided, and answers on its own thread (never the caller's): with the running stream and
// a preview of the request's scale, or with a media::UserMediaException. Any thread; a null
// request is ignored.
class UserMedia {
public:
    static void getUserMedia(std::shared_ptr<MediaRequest> request);
    // The layout scale remote video views start with: the latest request's, else fit.
    static VideoLayoutScale defaultRemoteVideoScale();
};
