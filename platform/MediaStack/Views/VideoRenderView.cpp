#include "MediaStack/Views/VideoRenderView.h"

#include <algorithm>

#include <libyuv.h>

#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"

namespace {

bool planeHolds(const VideoFramePlane& plane, int width, int height)
{
    return plane.data && plane.stride >= width && plane.data->size() >= static_cast<size_t>(plane.stride) * height;
}

bool isDrawable(const VideoFrame& frame)
{
    if (frame.format != VideoFormatI420 || frame.width <= 0 || frame.height <= 0 || frame.planes.size() != 3)
        return false;
    const int chromaWidth = (frame.width + 1) / 2, chromaHeight = (frame.height + 1) / 2;
    return planeHolds(frame.planes[0], frame.width, frame.height) && planeHolds(frame.planes[1], chromaWidth, chromaHeight) &&
        planeHolds(frame.planes[2], chromaWidth, chromaHeight);
}

CGImageRef rgbImage(const VideoFrame& frame)
{
    const size_t bytesPerRow = static_cast<size_t>(frame.width) * 4;
    std::vector<uint8_t> pixels(bytesPerRow * frame.height);
    // libyuv's ARGB is CGImage's host-endian 0xAARRGGBB word.
    libyuv::I420ToARGB(frame.planes[0].data->data(), frame.planes[0].stride, frame.planes[1].data->data(), frame.planes[1].stride,
                       frame.planes[2].data->data(), frame.planes[2].stride, pixels.data(), static_cast<int>(bytesPerRow), frame.width,
                       frame.height);
    return std::make_shared<CGImage>(frame.width, frame.height, bytesPerRow, false, std::move(pixels));
}

} // namespace

VideoLayoutScale VideoRenderView::layoutScale() const
{
    std::lock_guard lock(m_lock);
    return m_scale;
}

void VideoRenderView::setLayoutScale(VideoLayoutScale scale)
{
    if (scale != VideoLayoutScaleStretch && scale != VideoLayoutScaleFit && scale != VideoLayoutScaleCover)
        return;
    std::lock_guard lock(m_lock);
    m_scale = scale;
}

void VideoRenderView::renderFrame(const std::shared_ptr<VideoFrame>& frame)
{
    if (!frame || !isDrawable(*frame))
        return;
    std::lock_guard lock(m_lock);
    m_frame = frame;
    ++m_framesRendered;
}

std::shared_ptr<VideoFrame> VideoRenderView::latestFrame() const
{
    std::lock_guard lock(m_lock);
    return m_frame;
}

uint64_t VideoRenderView::framesRendered() const
{
    std::lock_guard lock(m_lock);
    return m_framesRendered;
}

CGRect VideoRenderView::pictureRectForScale(VideoLayoutScale scale, CGRect bounds, CGSize pictureSize)
{
    if (scale == VideoLayoutScaleStretch || pictureSize.width <= 0 || pictureSize.height <= 0)
        return bounds;
    const CGFloat sx = bounds.size.width / pictureSize.width, sy = bounds.size.height / pictureSize.height;
    const CGFloat s = scale == VideoLayoutScaleCover ? std::max(sx, sy) : std::min(sx, sy);
    const CGFloat width = pictureSize.width * s, height = pictureSize.height * s;
    return CGRectMake(bounds.origin.x + (bounds.size.width - width) / 2, bounds.origin.y + (bounds.size.height - height) / 2, width,
                      height);
}

std::optional<CGPoint> VideoRenderView::picturePointForViewPoint(CGPoint point) const
{
    const CGRect viewBounds = bounds();
    // Edges included: a tap on the last row or column is still on the view.
    const bool onView = point.x >= CGRectGetMinX(viewBounds) && point.x <= CGRectGetMaxX(viewBounds) &&
        point.y >= CGRectGetMinY(viewBounds) && point.y <= CGRectGetMaxY(viewBounds);
    if (viewBounds.size.width <= 0 || viewBounds.size.height <= 0 || !onView)
        return std::nullopt;
    std::shared_ptr<VideoFrame> frame;
    VideoLayoutScale scale;
    {
        std::lock_guard lock(m_lock);
        frame = m_frame;
        scale = m_scale;
    }
    if (!frame)
        return std::nullopt;
    const CGRect picture = pictureRectForScale(scale, viewBounds, CGSizeMake(frame->width, frame->height));
    const CGFloat x = (point.x - picture.origin.x) / picture.size.width;
    const CGFloat y = (point.y - picture.origin.y) / picture.size.height;
    if (!(x >= 0 && x <= 1 && y >= 0 && y <= 1))
        return std::nullopt;
    return CGPointMake(x, y);
}

void VideoRenderView::drawRect(CGRect)
{
    auto frame = latestFrame();
    auto context = UIGraphicsGetCurrentContext();
    if (!frame || !context)
        return;
    const CGRect viewBounds = bounds();
    const CGRect picture = pictureRectForScale(layoutScale(), viewBounds, CGSizeMake(frame->width, frame->height));
    CGContextSaveGState(context);
    CGContextClipToRect(context, viewBounds);
    UIImage(rgbImage(*frame), 1.0, UIImageOrientationUp).drawInRect(picture);
    CGContextRestoreGState(context);
}
