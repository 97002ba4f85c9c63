#pragma once
// A drawing destination: a bitmap context over a cairo image surface, in the pixel layout of
// CGImage (host-endian 0xAARRGGBB words, premultiplied; RGB24 without alpha for the layouts
// that skip alpha, which therefore start black and stay opaque).
//
// Coordinates: as on the platform, a bitmap context's user space starts with its origin at
// the bottom-left corner of the bitmap and y pointing up, one unit per pixel. CGContextDrawImage
// draws an image upright in that space (its top row at the rectangle's top, the larger y).
// Image contexts of UIKit add a flip so that their space starts at the top left; an image
// drawn there with CGContextDrawImage therefore appears upside down, as on the platform,
// while UIImage drawInRect draws it upright.
//
// CTM operations follow the platform's rule: each one applies to user coordinates before
// the current transform. Drawing honours the clip rectangles, the clip masks, the alpha and
// the blend mode of the current graphics state; CGContextSaveGState/RestoreGState keep all
// of these together with the transform, the colours and the line attributes.
//
// A context is used by one thread at a time. Every function does nothing (or answers
// nothing) for a null context.
#include <functional>
#include <memory>

#include "CoreGraphics/CGAffineTransform.h"
#include "CoreGraphics/CGColor.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGGradient.h"
#include "CoreGraphics/CGImage.h"
#include "CoreGraphics/CGPath.h"

typedef struct _cairo cairo_t;

enum CGLineCap : int { kCGLineCapButt = 0, kCGLineCapRound = 1, kCGLineCapSquare = 2 };
enum CGLineJoin : int { kCGLineJoinMiter = 0, kCGLineJoinRound = 1, kCGLineJoinBevel = 2 };
enum CGBlendMode : int { kCGBlendModeNormal = 0, kCGBlendModeClear = 16, kCGBlendModeCopy = 17 };

using CGGradientDrawingOptions = uint32_t;
inline constexpr CGGradientDrawingOptions kCGGradientDrawsBeforeStartLocation = 1;
inline constexpr CGGradientDrawingOptions kCGGradientDrawsAfterEndLocation = 2;

class CGContext {
public:
    struct State;
    explicit CGContext(std::unique_ptr<State> state);
    ~CGContext();
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;

    State& state() const { return *m_state; }
    // The cairo context under this one, for text drawing with Pango. Its transform is the
    // current CTM (in cairo's y-down device space); the clip masks and the alpha of the
    // graphics state are not applied to what is drawn through it directly.
    cairo_t* cairo() const;
    // Runs `draw` on the cairo context under the graphics state as every drawing operation
    // sees it: the CTM, the clip rectangles and masks, and the alpha applied to what `draw`
    // paints. Cairo's own state (source, font) and the path being built are kept. Does
    // nothing while the CTM cannot be inverted. Text is drawn through here.
    void drawWithCairo(const std::function<void(cairo_t* cr)>& draw);

private:
    std::unique_ptr<State> m_state;
};

using CGContextRef = std::shared_ptr<CGContext>;

// A bitmap context of `width` x `height` pixels. bitsPerComponent must be 8; bytesPerRow 0
// chooses width x 4, otherwise it must be at least that and a multiple of 4. `data` may be
// memory of the caller (height x bytesPerRow bytes, outliving the context) or nullptr for
// memory of the context's own, cleared to zero. Layouts with premultiplied alpha
// (kCGImageAlphaPremultipliedFirst/Last) give a context with alpha; the layouts that skip
// alpha (kCGImageAlphaNoneSkipFirst/Last) an opaque one. Whatever the requested byte
// order, the memory holds CGImage's layout, and CGBitmapContextGetBitmapInfo says so.
// nullptr for any other combination, an empty or too large size.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo);
// A copy of the pixels as an image (later drawing does not change it).
CGImageRef CGBitmapContextCreateImage(const CGContextRef& c);
// The pixel memory. Writes through it are seen by the next drawing operation.
void* CGBitmapContextGetData(const CGContextRef& c);
size_t CGBitmapContextGetWidth(const CGContextRef& c);
size_t CGBitmapContextGetHeight(const CGContextRef& c);
size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c);
size_t CGBitmapContextGetBitsPerComponent(const CGContextRef& c);
size_t CGBitmapContextGetBitsPerPixel(const CGContextRef& c);
CGBitmapInfo CGBitmapContextGetBitmapInfo(const CGContextRef& c);
CGColorSpaceRef CGBitmapContextGetColorSpace(const CGContextRef& c);

void CGContextSaveGState(const CGContextRef& c);
// Without a matching save, nothing happens.
void CGContextRestoreGState(const CGContextRef& c);

void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(const CGContextRef& c, CGFloat angle);
void CGContextConcatCTM(const CGContextRef& c, const CGAffineTransform& transform);
// User space to the bitmap's pixels, y up from the bottom row.
CGAffineTransform CGContextGetCTM(const CGContextRef& c);

void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color);
void CGContextSetStrokeColorWithColor(const CGContextRef& c, const CGColorRef& color);
void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetLineWidth(const CGContextRef& c, CGFloat width);
void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap);
void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join);
void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode);
// Multiplies everything drawn afterwards (0..1).
void CGContextSetAlpha(const CGContextRef& c, CGFloat alpha);

void CGContextClipToRect(const CGContextRef& c, CGRect rect);
// Limits drawing to where `mask`, drawn into `rect` as CGContextDrawImage would draw it,
// covers: by its alpha when it has alpha, else by its brightness (white lets through,
// black holds back). Outside `rect` nothing is drawn. Intersects with earlier clips.
void CGContextClipToMask(const CGContextRef& c, CGRect rect, const CGImageRef& mask);

void CGContextFillRect(const CGContextRef& c, CGRect rect);
// Draws `image` stretched into `rect` (smoothly resampled when scaled).
void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image);
// Without kCGGradientDrawsBeforeStartLocation / AfterEndLocation nothing is drawn outside
// the two circles; with either, the end colours extend beyond both ends.
void CGContextDrawRadialGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startCenter,
                                 CGFloat startRadius, CGPoint endCenter, CGFloat endRadius, CGGradientDrawingOptions options);

// Colours change along the line from `startPoint` to `endPoint` and stay the same across it;
// the options extend the end colours beyond the ends as for radial gradients.
void CGContextDrawLinearGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startPoint, CGPoint endPoint,
                                 CGGradientDrawingOptions options);

// Paths are built in user space (points pass through the CTM as they are added) and are
// consumed by the next fill or stroke.
void CGContextBeginPath(const CGContextRef& c);
void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
void CGContextAddCurveToPoint(const CGContextRef& c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x,
                              CGFloat y);
// An arc around (x, y) from startAngle to endAngle (radians); clockwise 0 goes the way of
// increasing angles (counter-clockwise with y up). A current point is joined by a line.
void CGContextAddArc(const CGContextRef& c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle,
                     int clockwise);
void CGContextAddRect(const CGContextRef& c, CGRect rect);
void CGContextClosePath(const CGContextRef& c);
// Adds every element of `path` to the path being built.
void CGContextAddPath(const CGContextRef& c, const CGPathRef& path);
void CGContextFillPath(const CGContextRef& c);
void CGContextStrokePath(const CGContextRef& c);
