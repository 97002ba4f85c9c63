#pragma once
// A view that draws the latest picture of a video stream, fitted by its layout scale. Frames
// may come from any thread (the stack's decoder or capture); the view keeps only the latest
// and draws it when the tree is drawn. Created and drawn on the main thread.
#include <memory>
#include <mutex>
#include <optional>

#include "MediaStack/VideoFrame.h"
#include "MediaStack/Views/VideoLayoutScale.h"
#include "UIKit/UIView.h"

class VideoRenderView : public UIView {
public:
    VideoLayoutScale layoutScale() const;
    void setLayoutScale(VideoLayoutScale scale);

    // Any thread.
    void renderFrame(const std::shared_ptr<VideoFrame>& frame);
    std::shared_ptr<VideoFrame> latestFrame() const;
    uint64_t framesRendered() const;

    // Where a point of the view falls on the picture, in the unit square of the picture
    // (what a capture device takes as its point of interest); none without a picture.
    std::optional<CGPoint> picturePointForViewPoint(CGPoint point) const;

    void drawRect(CGRect rect) override;

private:
    mutable std::mutex m_lock;
    std::shared_ptr<VideoFrame> m_frame;
    uint64_t m_framesRendered = 0;
    VideoLayoutScale m_scale = VideoLayoutScaleCover;
};
