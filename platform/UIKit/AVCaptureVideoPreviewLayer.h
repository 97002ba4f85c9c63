#pragma once
// The live picture of a capture session as a layer: the camera's latest picture, turned and
// mirrored as the layer's connection says (portrait by default; a front camera mirrored, as a
// selfie preview is) and fitted into the bounds by the video gravity, clipped to them. It also
// converts between the layer's points and the camera's unit square (the sensor's own
// orientation, (0, 0) top left), which a capture device takes as a point of interest and a
// still image's crop as its rectangle of interest.
// Main thread only.
#include <memory>
#include <string>

#include "AVFoundation/AVCaptureConnection.h"
#include "UIKit/CALayer.h"

class AVCaptureSession;

using AVLayerVideoGravity = std::string;
// The whole picture, bars where the aspect ratios differ.
extern const AVLayerVideoGravity AVLayerVideoGravityResizeAspect;
// The bounds filled, the picture cut where the aspect ratios differ ("cover").
extern const AVLayerVideoGravity AVLayerVideoGravityResizeAspectFill;
// The picture stretched to the bounds.
extern const AVLayerVideoGravity AVLayerVideoGravityResize;

class AVCaptureVideoPreviewLayer : public CALayer {
public:
    static std::shared_ptr<AVCaptureVideoPreviewLayer> layerWithSession(const std::shared_ptr<AVCaptureSession>& session);

    // The layer keeps its session (and so the session's inputs and outputs) alive.
    std::shared_ptr<AVCaptureSession> session() const { return m_session; }
    // A new session gets a new connection, in the session's default orientation.
    void setSession(const std::shared_ptr<AVCaptureSession>& session);
    // None without a session.
    std::shared_ptr<AVCaptureConnection> connection() const { return m_connection; }

    const AVLayerVideoGravity& videoGravity() const { return m_videoGravity; }
    // A gravity not named above is ignored.
    void setVideoGravity(const AVLayerVideoGravity& gravity);

    // Layer point -> the camera's unit square, and back. Points off the picture (bars beside
    // a fitted one) come out beyond 0..1. With nothing to show (no size, an empty layer) the
    // point is the picture's centre (0.5, 0.5), and the way back gives the layer's centre.
    CGPoint captureDevicePointOfInterestForPoint(CGPoint point) const;
    CGPoint pointForCaptureDevicePointOfInterest(CGPoint point) const;
    // The same for rectangles (corners converted, the result normalised). The layer's bounds
    // under aspect fill give the part of the camera's picture the layer shows. CGRectZero
    // with nothing to show.
    CGRect metadataOutputRectOfInterestForRect(CGRect rect) const;
    CGRect rectForMetadataOutputRectOfInterest(CGRect rect) const;

    void drawInContext(const CGContextRef& context) override;

private:
    // Where the shown picture lies in the bounds; empty with nothing to show.
    CGRect pictureRect() const;
    // Both corners through `convert`; CGRectZero with nothing to show.
    CGRect convertedRect(CGRect rect, CGPoint (AVCaptureVideoPreviewLayer::*convert)(CGPoint) const) const;
    AVCaptureVideoOrientation orientation() const;
    bool mirrored() const;

    std::shared_ptr<AVCaptureSession> m_session;
    std::shared_ptr<AVCaptureConnection> m_connection;
    AVLayerVideoGravity m_videoGravity = AVLayerVideoGravityResizeAspect;
};
