#pragma once
// A view that draws the latest picture of a video stream, fitted by its layout scale. Frames
// may come from any thread (the stack's decoder or capture); the view keeps only the latest
// and draws it, converted to RGB, when the tree is drawn. A frame whose planes do not hold
// its picture is dropped. Created and drawn on the main thread; the layout scale and the
// frame are guarded by the view's lock, so they may be read and set from any thread.
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

    // Any thread. A null or malformed frame is ignored.
    void renderFrame(const std::shared_ptr<VideoFrame>& frame);
    std::shared_ptr<VideoFrame> latestFrame() const;
    uint64_t framesRendered() const;

    // Where a point of the view falls on the picture, in the unit square of the picture
    // (what a capture device takes as its point of interest); none without a picture, and for
    // a point outside the view or on the bars beside a fitted picture.
    std::optional<CGPoint> picturePointForViewPoint(CGPoint point) const;
    // Where the picture lies in the view's bounds for this layout scale; cover overhangs the
    // bounds (the view clips it), fit leaves bars.
    static CGRect pictureRectForScale(VideoLayoutScale scale, CGRect bounds, CGSize pictureSize);

    void drawRect(CGRect rect) override;

private:
    mutable std::mutex m_lock;
    std::shared_ptr<VideoFrame> m_frame;
    uint64_t m_framesRendered = 0;
    VideoLayoutScale m_scale = VideoLayoutScaleCover;
};
