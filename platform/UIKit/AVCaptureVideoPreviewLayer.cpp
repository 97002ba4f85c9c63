#include "UIKit/AVCaptureVideoPreviewLayer.h"

#include <algorithm>
#include <cmath>

#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/CaptureGeometry.h"
#include "Foundation/MainThreadChecker.h"
#include "UIKit/LayerRenderer.h"

const AVLayerVideoGravity AVLayerVideoGravityResizeAspect = "AVLayerVideoGravityResizeAspect";
const AVLayerVideoGravity AVLayerVideoGravityResizeAspectFill = "AVLayerVideoGravityResizeAspectFill";
const AVLayerVideoGravity AVLayerVideoGravityResize = "AVLayerVideoGravityResize";

namespace {

// The preview draws at most this many pixels per point: a screen's scale, no more.
constexpr CGFloat kPreviewPixelsPerPoint = 2;

bool usable(CGRect rect)
{
    return rect.size.width > 0 && rect.size.height > 0 && std::isfinite(rect.size.width) && std::isfinite(rect.size.height)
        && std::isfinite(rect.origin.x) && std::isfinite(rect.origin.y);
}

CGRect normalised(CGPoint a, CGPoint b)
{
    return CGRectMake(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x), std::abs(a.y - b.y));
}

} // namespace

std::shared_ptr<AVCaptureVideoPreviewLayer> AVCaptureVideoPreviewLayer::layerWithSession(const std::shared_ptr<AVCaptureSession>& session)
{
    auto layer = std::make_shared<AVCaptureVideoPreviewLayer>();
    layer->setSession(session);
    return layer;
}

void AVCaptureVideoPreviewLayer::setSession(const std::shared_ptr<AVCaptureSession>& session)
{
    KVN_ASSERT_MAIN_THREAD();
    if (session == m_session)
        return;
    m_session = session;
    m_connection.reset();
    if (m_session) {
        m_connection = std::make_shared<AVCaptureConnection>(std::weak_ptr<AVCaptureOutput>{}, m_session, AVMediaTypeVideo);
        m_connection->setAutomaticallyAdjustsVideoMirroring(true);
    }
}

void AVCaptureVideoPreviewLayer::setVideoGravity(const AVLayerVideoGravity& gravity)
{
    KVN_ASSERT_MAIN_THREAD();
    if (gravity == AVLayerVideoGravityResizeAspect || gravity == AVLayerVideoGravityResizeAspectFill || gravity == AVLayerVideoGravityResize)
        m_videoGravity = gravity;
}

AVCaptureVideoOrientation AVCaptureVideoPreviewLayer::orientation() const
{
    return m_connection ? m_connection->videoOrientation() : AVCaptureVideoOrientationPortrait;
}

bool AVCaptureVideoPreviewLayer::mirrored() const { return m_connection && m_connection->isVideoMirrored(); }

CGRect AVCaptureVideoPreviewLayer::pictureRect() const
{
    const CGRect b = bounds();
    if (!m_session || !usable(b))
        return CGRectZero;
    const auto sensor = m_session->presetDimensions();
    const CGSize shown = kvn::CaptureGeometry::displayedSize(CGSizeMake(sensor.width, sensor.height), orientation());
    if (shown.width <= 0 || shown.height <= 0)
        return CGRectZero;
    if (m_videoGravity == AVLayerVideoGravityResize)
        return b;
    const CGFloat sx = b.size.width / shown.width, sy = b.size.height / shown.height;
    const CGFloat scale = m_videoGravity == AVLayerVideoGravityResizeAspectFill ? std::max(sx, sy) : std::min(sx, sy);
    const CGFloat w = shown.width * scale, h = shown.height * scale;
    return CGRectMake(b.origin.x + (b.size.width - w) / 2, b.origin.y + (b.size.height - h) / 2, w, h);
}

CGPoint AVCaptureVideoPreviewLayer::captureDevicePointOfInterestForPoint(CGPoint point) const
{
    KVN_ASSERT_MAIN_THREAD();
    const CGRect r = pictureRect();
    if (!usable(r) || !std::isfinite(point.x) || !std::isfinite(point.y))
        return CGPointMake(0.5, 0.5);
    const CGPoint shown = CGPointMake((point.x - r.origin.x) / r.size.width, (point.y - r.origin.y) / r.size.height);
    return kvn::CaptureGeometry::sensorPointForDisplayedPoint(shown, orientation(), mirrored());
}

CGPoint AVCaptureVideoPreviewLayer::pointForCaptureDevicePointOfInterest(CGPoint point) const
{
    KVN_ASSERT_MAIN_THREAD();
    const CGRect r = pictureRect();
    if (!usable(r) || !std::isfinite(point.x) || !std::isfinite(point.y)) {
        const CGRect b = bounds();
        return CGPointMake(b.origin.x + b.size.width / 2, b.origin.y + b.size.height / 2);
    }
    const CGPoint shown = kvn::CaptureGeometry::displayedPointForSensorPoint(point, orientation(), mirrored());
    return CGPointMake(r.origin.x + shown.x * r.size.width, r.origin.y + shown.y * r.size.height);
}

CGRect AVCaptureVideoPreviewLayer::metadataOutputRectOfInterestForRect(CGRect rect) const
{
    KVN_ASSERT_MAIN_THREAD();
    return convertedRect(rect, &AVCaptureVideoPreviewLayer::captureDevicePointOfInterestForPoint);
}

CGRect AVCaptureVideoPreviewLayer::rectForMetadataOutputRectOfInterest(CGRect rect) const
{
    KVN_ASSERT_MAIN_THREAD();
    return convertedRect(rect, &AVCaptureVideoPreviewLayer::pointForCaptureDevicePointOfInterest);
}

CGRect AVCaptureVideoPreviewLayer::convertedRect(CGRect rect, CGPoint (AVCaptureVideoPreviewLayer::*convert)(CGPoint) const) const
{
    if (!usable(pictureRect()) || !std::isfinite(rect.size.width) || !std::isfinite(rect.size.height))
        return CGRectZero;
    const CGRect n = CGRectStandardize(rect);
    return normalised((this->*convert)(n.origin), (this->*convert)(CGPointMake(n.origin.x + n.size.width, n.origin.y + n.size.height)));
}

void AVCaptureVideoPreviewLayer::drawInContext(const CGContextRef& context)
{
    KVN_ASSERT_MAIN_THREAD();
    const CGRect r = pictureRect();
    if (!context || !m_session || !m_session->isRunning() || !usable(r))
        return;
    const int longestSide = static_cast<int>(std::ceil(std::max(r.size.width, r.size.height) * kPreviewPixelsPerPoint));
    auto picture = kvn::CaptureGeometry::displayedPicture(m_session->currentPicture(longestSide), orientation(), mirrored());
    if (!picture)
        return;
    CGContextSaveGState(context);
    CGContextClipToRect(context, bounds());
    kvn::LayerRenderer::drawImageUpright(context, r, picture);
    CGContextRestoreGState(context);
}
