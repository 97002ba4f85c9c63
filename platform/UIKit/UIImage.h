#pragma once
// An image: a bitmap (CGImage), the scale it was made for (pixels per point) and the
// orientation in which its pixels are meant to be shown. Decodes PNG and JPEG (with the
// orientation of a JPEG's EXIF data), encodes both (the pixels as shown, orientation
// applied), finds named images in the main bundle, and draws itself upright into the current
// UIKit context. Immutable and shared; usable from any thread.
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGImage.h"
#include "Foundation/NSData.h"

// How the stored pixels turn into the picture shown (EXIF orientation in brackets):
// Up [1] as stored; Down [3] a half turn; Left [8] a quarter turn counter-clockwise; Right
// [6] a quarter turn clockwise; the Mirrored ones are the same with left and right swapped.
enum UIImageOrientation : long {
    UIImageOrientationUp = 0,
    UIImageOrientationDown = 1,
    UIImageOrientationLeft = 2,
    UIImageOrientationRight = 3,
    UIImageOrientationUpMirrored = 4,
    UIImageOrientationDownMirrored = 5,
    UIImageOrientationLeftMirrored = 6,
    UIImageOrientationRightMirrored = 7,
};

// Whether image views tint the image (template: only its alpha counts).
enum UIImageRenderingMode : long {
    UIImageRenderingModeAutomatic = 0,
    UIImageRenderingModeAlwaysOriginal = 1,
    UIImageRenderingModeAlwaysTemplate = 2,
};

class UIImage {
public:
    // A scale that is not positive counts as 1.0.
    UIImage(CGImageRef image, CGFloat scale, UIImageOrientation orientation,
            UIImageRenderingMode renderingMode = UIImageRenderingModeAutomatic);

    // nullptr for a null or empty bitmap.
    static std::shared_ptr<UIImage> imageWithCGImage(const CGImageRef& image);
    static std::shared_ptr<UIImage> imageWithCGImage_scale_orientation(const CGImageRef& image, CGFloat scale,
                                                                       UIImageOrientation orientation);
    // PNG or JPEG data at scale 1.0; nullptr for anything else, damaged data included.
    static std::shared_ptr<UIImage> imageWithData(const NSData& data);
    static std::shared_ptr<UIImage> imageWithData_scale(const NSData& data, CGFloat scale);
    // A resource of the main bundle. Without an extension the name means a PNG; the variant
    // for the screen's scale ("name@2x.png") comes first, then larger ones, then smaller ones
    // ("name.png" is scale 1). A name with an extension ("help.jpg") is looked up the same way
    // with that extension. nullptr when there is none.
    static std::shared_ptr<UIImage> imageNamed(const std::string& name);

    // In points: pixels / scale, width and height swapped for the quarter-turn orientations.
    CGSize size() const;
    CGFloat scale() const { return m_scale; }
    UIImageOrientation imageOrientation() const { return m_orientation; }
    CGImageRef CGImage() const { return m_image; }
    UIImageRenderingMode renderingMode() const { return m_renderingMode; }
    std::shared_ptr<UIImage> imageWithRenderingMode(UIImageRenderingMode mode) const;

    // Draws the image as shown (orientation applied) stretched into `rect` of the current
    // UIKit context (top-left origin). Nothing without a current context.
    void drawInRect(CGRect rect) const;
    // Fills `rect` of the current UIKit context with `color` where the image, stretched into
    // it as drawInRect would draw it, has ink (by its alpha): a template image in a tint, or
    // a shade over the image itself. Nothing without a current context.
    void fillMaskInRect_withColor(CGRect rect, const CGColorRef& color) const;
    std::string description() const;

    // The bitmap with the orientation applied (the same bitmap when Up).
    CGImageRef uprightCGImage() const;

private:
    CGImageRef m_image;
    CGFloat m_scale;
    UIImageOrientation m_orientation;
    UIImageRenderingMode m_renderingMode;
};

// JPEG data of the image as shown, at `compressionQuality` 0 (smallest) ... 1 (best);
// transparent areas come out black. nullopt without an image.
std::optional<NSData> UIImageJPEGRepresentation(const std::shared_ptr<UIImage>& image, CGFloat compressionQuality);
// PNG data of the image as shown, with alpha when the bitmap has alpha. nullopt without an image.
std::optional<NSData> UIImagePNGRepresentation(const std::shared_ptr<UIImage>& image);
