#pragma once
// The current drawing context of UIKit: a per-thread stack. Image contexts are bitmaps of a
// size in points at a scale, whose user space has its origin at the top left, y down, one
// unit per point; UIImage drawInRect and view drawing draw there. An opaque image context
// has no alpha: it starts black and whatever is left transparent stays black. Pushed
// contexts (UIGraphicsPushContext) make any CGContext current for drawing code.
// Each thread has its own stack; a context is used on the thread that made it.
#include <memory>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"

class UIImage;

// `scale` 0 takes the main screen's scale. The bitmap is size x scale pixels, rounded up.
// A size without area (or too large) leaves no usable context: the current context is
// nullptr until the matching UIGraphicsEndImageContext.
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale);
// Not opaque, scale 1.0.
void UIGraphicsBeginImageContext(CGSize size);
CGContextRef UIGraphicsGetCurrentContext();
// The current image context's pixels as an image of its scale; nullptr when the current
// context is not an image context.
std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext();
// Ends the current image context; a pushed context on top is left alone.
void UIGraphicsEndImageContext();
void UIGraphicsPushContext(const CGContextRef& context);
// Pops a pushed context; an image context on top is left alone.
void UIGraphicsPopContext();
