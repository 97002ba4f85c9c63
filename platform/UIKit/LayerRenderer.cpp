#include "UIKit/LayerRenderer.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "CoreGraphics/vImage.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIGraphics.h"

namespace kvn {

namespace {

// Beyond this many pixels a composition bitmap is not made; the layer is drawn directly.
constexpr double kMaxOffscreenPixels = 4096.0 * 4096.0;

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

bool hasShadow(const CALayer& layer) { return layer.shadowOpacity() > 0 && layer.shadowColor() && layer.shadowColor()->alpha() > 0; }

void paintBackground(const CGContextRef& context, const CALayer& layer, CGRect bounds, const CGColorRef& background)
{
    if (!background || background->alpha() <= 0)
        return;
    CGContextSetFillColorWithColor(context, background);
    if (layer.cornerRadius() > 0) {
        CGContextBeginPath(context);
        LayerRenderer::addRoundedRect(context, bounds, layer.cornerRadius());
        CGContextFillPath(context);
    } else {
        CGContextFillRect(context, bounds);
    }
}

void paintBorder(const CGContextRef& context, const CALayer& layer, CGRect bounds)
{
    CGFloat width = std::min({layer.borderWidth(), bounds.size.width / 2, bounds.size.height / 2});
    if (width <= 0 || !layer.borderColor() || layer.borderColor()->alpha() <= 0)
        return;
    CGRect inner =
        CGRectMake(bounds.origin.x + width / 2, bounds.origin.y + width / 2, bounds.size.width - width, bounds.size.height - width);
    CGContextSetStrokeColorWithColor(context, layer.borderColor());
    CGContextSetLineWidth(context, width);
    CGContextBeginPath(context);
    LayerRenderer::addRoundedRect(context, inner, std::max<CGFloat>(0, layer.cornerRadius() - width / 2));
    CGContextStrokePath(context);
}

void composeDirect(const CGContextRef& context, const CALayer& layer, CGRect bounds, const CGColorRef& background, double alpha,
                   const LayerRenderer::DrawContent& content)
{
    CGContextSaveGState(context);
    CGContextSetAlpha(context, alpha);
    CGContextSaveGState(context);
    if (layer.masksToBounds())
        CGContextClipToRect(context, bounds);
    paintBackground(context, layer, bounds, background);
    content(context, alpha);
    CGContextRestoreGState(context);
    paintBorder(context, layer, bounds);
    CGContextRestoreGState(context);
}

// A transparent bitmap of `pixelWidth` x `pixelHeight` whose user space is `area` (y down)
// at `scale` pixels per point.
CGContextRef makeCanvas(size_t pixelWidth, size_t pixelHeight, CGRect area, double scale)
{
    auto canvas = CGBitmapContextCreate(nullptr, pixelWidth, pixelHeight, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
    if (!canvas)
        return nullptr;
    CGContextTranslateCTM(canvas, 0, double(pixelHeight));
    CGContextScaleCTM(canvas, scale, -scale);
    CGContextTranslateCTM(canvas, -area.origin.x, -area.origin.y);
    return canvas;
}

Surface surfaceOver(const CGContextRef& canvas)
{
    return Surface(cairo_image_surface_create_for_data(static_cast<unsigned char*>(CGBitmapContextGetData(canvas)), CAIRO_FORMAT_ARGB32,
                                                       int(CGBitmapContextGetWidth(canvas)), int(CGBitmapContextGetHeight(canvas)),
                                                       int(CGBitmapContextGetBytesPerRow(canvas))));
}

// Keeps of `canvas` only what lies inside the rounded bounds.
void clipToRoundedBounds(const CGContextRef& canvas, CGRect bounds, CGFloat radius)
{
    cairo_t* cr = canvas->cairo();
    cairo_save(cr);
    cairo_new_path(cr);
    CGContextBeginPath(canvas);
    LayerRenderer::addRoundedRect(canvas, bounds, radius);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Multiplies `canvas` by the alpha of `mask` drawn into a canvas of the same geometry.
void applyMask(const CGContextRef& canvas, const CALayer& mask, CGRect area, double scale)
{
    auto maskCanvas = makeCanvas(CGBitmapContextGetWidth(canvas), CGBitmapContextGetHeight(canvas), area, scale);
    if (!maskCanvas)
        return;
    UIGraphicsPushContext(maskCanvas);
    LayerRenderer::drawLayer(maskCanvas, mask, 1.0);
    UIGraphicsPopContext();
    Surface maskSurface = surfaceOver(maskCanvas);
    cairo_t* cr = canvas->cairo();
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_reset_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_surface(cr, maskSurface.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_finish(maskSurface.get());
}

// The shape of `image` (its alpha) in the shadow's colour and opacity, blurred.
CGImageRef makeShadow(const CGImage& image, const CALayer& layer, double sigma)
{
    const auto& color = *layer.shadowColor();
    double strength = color.alpha() * layer.shadowOpacity();
    size_t width = image.width(), height = image.height(), stride = width * 4;
    std::vector<uint8_t> pixels(stride * height);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            double a = double(image.pixelAt(x, y) >> 24) / 255.0 * strength;
            auto channel = [&](double c) { return uint32_t(std::lround(c * a * 255.0)); };
            uint32_t word = (uint32_t(std::lround(a * 255.0)) << 24) | (channel(color.red()) << 16) | (channel(color.green()) << 8) |
                channel(color.blue());
            std::memcpy(&pixels[y * stride + x * 4], &word, 4);
        }
    }
    LayerRenderer::blur(pixels.data(), width, height, stride, sigma);
    return std::make_shared<CGImage>(width, height, stride, true, std::move(pixels));
}

// The path filled opaque on a canvas of the composition's geometry.
CGImageRef pathShape(const CGPathRef& path, size_t pixelWidth, size_t pixelHeight, CGRect area, double scale)
{
    auto canvas = makeCanvas(pixelWidth, pixelHeight, area, scale);
    if (!canvas)
        return nullptr;
    CGContextSetRGBFillColor(canvas, 0, 0, 0, 1);
    CGContextBeginPath(canvas);
    CGContextAddPath(canvas, path);
    CGContextFillPath(canvas);
    return CGBitmapContextCreateImage(canvas);
}

bool composeOffscreen(const CGContextRef& context, const CALayer& layer, CGRect bounds, const CGColorRef& background, double alpha,
                      const LayerRenderer::DrawContent& content)
{
    CGAffineTransform ctm = CGContextGetCTM(context);
    double scale = std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
    if (!std::isfinite(scale) || scale <= 0)
        return false;
    bool shadow = hasShadow(layer) && !layer.masksToBounds();
    CGFloat pad = 0;
    if (shadow)
        pad =
            std::ceil(layer.shadowRadius() * 2 + std::max(std::fabs(layer.shadowOffset().width), std::fabs(layer.shadowOffset().height))) +
            1;
    CGRect reach = bounds;
    if (shadow && layer.shadowPath()) {
        // The shadow may stand where the layer draws nothing.
        CGRect box = CGPathGetBoundingBox(layer.shadowPath());
        if (!CGRectIsNull(box)) {
            CGFloat x0 = std::min(CGRectGetMinX(reach), CGRectGetMinX(box)), y0 = std::min(CGRectGetMinY(reach), CGRectGetMinY(box));
            CGFloat x1 = std::max(CGRectGetMaxX(reach), CGRectGetMaxX(box)), y1 = std::max(CGRectGetMaxY(reach), CGRectGetMaxY(box));
            reach = CGRectMake(x0, y0, x1 - x0, y1 - y0);
        }
    }
    CGRect area = CGRectMake(reach.origin.x - pad, reach.origin.y - pad, reach.size.width + 2 * pad, reach.size.height + 2 * pad);
    double pixelWidth = std::ceil(area.size.width * scale), pixelHeight = std::ceil(area.size.height * scale);
    if (!(pixelWidth >= 1 && pixelHeight >= 1))
        return true; // nothing to see
    if (pixelWidth * pixelHeight > kMaxOffscreenPixels)
        return false;
    auto canvas = makeCanvas(size_t(pixelWidth), size_t(pixelHeight), area, scale);
    if (!canvas)
        return false;

    UIGraphicsPushContext(canvas);
    paintBackground(canvas, layer, bounds, background);
    CGContextSaveGState(canvas);
    content(canvas, 1.0);
    CGContextRestoreGState(canvas);
    if (layer.masksToBounds())
        clipToRoundedBounds(canvas, bounds, layer.cornerRadius());
    paintBorder(canvas, layer, bounds);
    UIGraphicsPopContext();
    if (auto mask = layer.mask())
        applyMask(canvas, *mask, area, scale);
    auto picture = CGBitmapContextCreateImage(canvas);
    if (!picture)
        return true;

    CGContextSaveGState(context);
    CGContextSetAlpha(context, alpha);
    if (shadow) {
        CGRect shadowArea = area;
        shadowArea.origin.x += layer.shadowOffset().width;
        shadowArea.origin.y += layer.shadowOffset().height;
        // A shadow radius spreads about twice as far as the Gaussian's sigma.
        auto shape = layer.shadowPath() ? pathShape(layer.shadowPath(), size_t(pixelWidth), size_t(pixelHeight), area, scale) : picture;
        if (shape)
            LayerRenderer::drawImageUpright(context, shadowArea, makeShadow(*shape, layer, layer.shadowRadius() * scale / 2));
    }
    LayerRenderer::drawImageUpright(context, area, picture);
    CGContextRestoreGState(context);
    return true;
}

} // namespace

void LayerRenderer::compose(const CGContextRef& context, const CALayer& layer, CGRect bounds, const CGColorRef& background, double alpha,
                            const DrawContent& content)
{
    if (!context || alpha <= 0)
        return;
    bool offscreen = layer.mask() || (hasShadow(layer) && !layer.masksToBounds()) || (layer.masksToBounds() && layer.cornerRadius() > 0);
    if (offscreen && composeOffscreen(context, layer, bounds, background, alpha, content))
        return;
    composeDirect(context, layer, bounds, background, alpha, content);
}

void LayerRenderer::drawLayer(const CGContextRef& context, const CALayer& layer, double inheritedAlpha)
{
    double alpha = inheritedAlpha * layer.opacity();
    if (layer.isHidden() || alpha <= 0)
        return;
    CGRect frame = layer.frame(), bounds = layer.bounds();
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, frame.origin.x - bounds.origin.x, frame.origin.y - bounds.origin.y);
    compose(context, layer, bounds, layer.backgroundColor(), alpha, [&](const CGContextRef& target, double childAlpha) {
        CGContextSaveGState(target);
        const_cast<CALayer&>(layer).drawInContext(target);
        CGContextRestoreGState(target);
        for (const auto& sublayer : layer.sublayers())
            drawLayer(target, *sublayer, childAlpha);
    });
    CGContextRestoreGState(context);
}

void LayerRenderer::blur(uint8_t* pixels, size_t width, size_t height, size_t bytesPerRow, double sigma)
{
    if (!pixels || width == 0 || height == 0 || !std::isfinite(sigma) || sigma < 0.5)
        return;
    // Three boxes of side k have the variance of a Gaussian of sigma when k^2 = 4 sigma^2 + 1.
    auto side = uint32_t(std::sqrt(4 * sigma * sigma + 1));
    side = std::min<uint32_t>(side | 1, 2 * uint32_t(std::max(width, height)) + 1);
    if (side < 3)
        return;
    std::vector<uint8_t> scratch(bytesPerRow * height);
    vImage_Buffer a{pixels, height, width, bytesPerRow};
    vImage_Buffer b{scratch.data(), height, width, bytesPerRow};
    vImageBoxConvolve_ARGB8888(&a, &b, side, side, kvImageEdgeExtend);
    vImageBoxConvolve_ARGB8888(&b, &a, side, side, kvImageEdgeExtend);
    vImageBoxConvolve_ARGB8888(&a, &b, side, side, kvImageEdgeExtend);
    std::memcpy(pixels, scratch.data(), scratch.size());
}

void LayerRenderer::addRoundedRect(const CGContextRef& context, CGRect rect, CGFloat radius)
{
    rect = CGRectStandardize(rect);
    CGFloat r = std::clamp<CGFloat>(radius, 0, std::min(rect.size.width, rect.size.height) / 2);
    if (r <= 0) {
        CGContextAddRect(context, rect);
        return;
    }
    CGFloat x0 = rect.origin.x, y0 = rect.origin.y, x1 = x0 + rect.size.width, y1 = y0 + rect.size.height;
    CGContextMoveToPoint(context, x0 + r, y0);
    CGContextAddArc(context, x1 - r, y0 + r, r, -M_PI / 2, 0, 0);
    CGContextAddArc(context, x1 - r, y1 - r, r, 0, M_PI / 2, 0);
    CGContextAddArc(context, x0 + r, y1 - r, r, M_PI / 2, M_PI, 0);
    CGContextAddArc(context, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2, 0);
    CGContextClosePath(context);
}

void LayerRenderer::drawImageUpright(const CGContextRef& context, CGRect rect, const CGImageRef& image)
{
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, rect.origin.x, rect.origin.y + rect.size.height);
    CGContextScaleCTM(context, 1, -1);
    CGContextDrawImage(context, CGRectMake(0, 0, rect.size.width, rect.size.height), image);
    CGContextRestoreGState(context);
}

} // namespace kvn
