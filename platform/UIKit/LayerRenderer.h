#pragma once
// How a layer's picture is put together when its tree is drawn: background and border
// (rounded), the content, clipping to the rounded bounds, the alpha mask and the blurred
// shadow. Layers that need one of the last three are composed in a bitmap of their own at
// the destination's resolution and drawn back as one picture (so their opacity fades them
// as a group); the others draw straight into the destination.
// Main thread (it draws through UIKit's current-context stack).
#include <cstddef>
#include <cstdint>
#include <functional>

#include "CoreGraphics/CGContext.h"

class CALayer;

namespace kvn {

class LayerRenderer {
public:
    // Draws what lies inside the layer (its own drawing, sublayers, subviews). `alpha` is
    // what its children multiply their own opacity with.
    using DrawContent = std::function<void(const CGContextRef& context, double alpha)>;

    // `context`'s user space is the layer's bounds coordinates (y down); `alpha` the layer's
    // opacity times its ancestors'.
    static void compose(const CGContextRef& context, const CALayer& layer, CGRect bounds, const CGColorRef& background, double alpha,
                        const DrawContent& content);
    // A free-standing layer with its sublayers; `context` is in its superlayer's coordinates.
    static void drawLayer(const CGContextRef& context, const CALayer& layer, double inheritedAlpha);

    // Blurs premultiplied 32-bit pixels in place: three box passes, close to a Gaussian of
    // `sigma` pixels. Nothing for a sigma under half a pixel.
    static void blur(uint8_t* pixels, size_t width, size_t height, size_t bytesPerRow, double sigma);
    // Adds a rectangle with corners rounded by `radius` (at most half the shorter side).
    static void addRoundedRect(const CGContextRef& context, CGRect rect, CGFloat radius);
    // Draws `image` upright into `rect` of a y-down user space.
    static void drawImageUpright(const CGContextRef& context, CGRect rect, const CGImageRef& image);
};

} // namespace kvn
