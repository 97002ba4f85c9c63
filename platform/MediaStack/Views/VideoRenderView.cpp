// Placeholder until the local media branch lands: keeps the latest picture and maps view
// points through the layout scale; draws nothing.
#include "MediaStack/Views/VideoRenderView.h"

#include <algorithm>

VideoLayoutScale VideoRenderView::layoutScale() const
{
    std::lock_guard hold(m_lock);
    return m_scale;
}

void VideoRenderView::setLayoutScale(VideoLayoutScale scale)
{
    std::lock_guard hold(m_lock);
    m_scale = scale;
}

void VideoRenderView::renderFrame(const std::shared_ptr<VideoFrame>& frame)
{
    std::lock_guard hold(m_lock);
    m_frame = frame;
    ++m_framesRendered;
}

std::shared_ptr<VideoFrame> VideoRenderView::latestFrame() const
{
    std::lock_guard hold(m_lock);
    return m_frame;
}

uint64_t VideoRenderView::framesRendered() const
{
    std::lock_guard hold(m_lock);
    return m_framesRendered;
}

std::optional<CGPoint> VideoRenderView::picturePointForViewPoint(CGPoint point) const
{
    auto frame = latestFrame();
    const auto size = bounds().size;
    if (!frame || frame->width <= 0 || frame->height <= 0 || size.width <= 0 || size.height <= 0)
        return std::nullopt;
    const double scaleX = size.width / frame->width;
    const double scaleY = size.height / frame->height;
    double drawnWidth = size.width;
    double drawnHeight = size.height;
    switch (layoutScale()) {
    case VideoLayoutScaleCover:
        drawnWidth = frame->width * std::max(scaleX, scaleY);
        drawnHeight = frame->height * std::max(scaleX, scaleY);
        break;
    case VideoLayoutScaleFit:
        drawnWidth = frame->width * std::min(scaleX, scaleY);
        drawnHeight = frame->height * std::min(scaleX, scaleY);
        break;
    case VideoLayoutScaleStretch:
        break;
    }
    const double left = (size.width - drawnWidth) / 2;
    const double top = (size.height - drawnHeight) / 2;
    const double x = std::clamp((point.x - left) / drawnWidth, 0.0, 1.0);
    const double y = std::clamp((point.y - top) / drawnHeight, 0.0, 1.0);
    return CGPoint{x, y};
}

void VideoRenderView::drawRect(CGRect rect) { UIView::drawRect(rect); }
