#pragma once
// Image work of the library: base64 encodings for uploads, cropping and scaling of captured
// photos, repairing a photo's orientation, and the light blur behind document images.
// A null image gives null (or nothing) throughout. Any thread: the library runs these on
// global queues; the blur reads the main screen's scale.
#include <memory>
#include <optional>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSData.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"

namespace KVNExtensions {

// Base64 text (one line) of the image's JPEG data at `quality` 0..1, as bytes.
std::optional<NSData> encodeToJPGBase64DataWithCompressionQuality(const std::shared_ptr<UIImage>& image, CGFloat quality);
// Base64 text (one line) of the image's PNG data, as bytes.
std::optional<NSData> encodeToPNGBase64Data(const std::shared_ptr<UIImage>& image);

// The bitmap's pixels inside `rect` (bitmap pixel coordinates, top left origin) at `scale`,
// keeping the image's orientation.
std::shared_ptr<UIImage> croppedImageWithRect_scale(const std::shared_ptr<UIImage>& image, CGRect rect, CGFloat scale);
// Scales so that the longer side becomes `dimension` points. An image smaller than the
// dimension on both sides comes back as it is unless `allowUpScale`.
std::shared_ptr<UIImage> resizedImageWithMaxDimension_allowUpScale_withScale(const std::shared_ptr<UIImage>& image,
                                                                             CGFloat dimension, bool allowUpScale,
                                                                             CGFloat scale);
// Scales so that the shorter side becomes `dimension` points; the same up-scaling test.
std::shared_ptr<UIImage> resizedImageWithMinDimension_allowUpScale_withScale(const std::shared_ptr<UIImage>& image,
                                                                             CGFloat dimension, bool allowUpScale,
                                                                             CGFloat scale);
// The image stretched into an opaque bitmap of `size` points at `scale` (0: the screen's).
// Transparent areas become black.
std::shared_ptr<UIImage> resizedImageWithSize_scale(const std::shared_ptr<UIImage>& image, CGSize size, CGFloat scale);
// The picture as shown, redrawn into a bitmap whose orientation is Up (scale 1, one pixel
// per point of the image's size). An image that is Up already comes back itself.
std::shared_ptr<UIImage> imageWithImageOrientationUp(const std::shared_ptr<UIImage>& image);

// The blur of the document cells: radius 10, white tint of alpha 0.3, no saturation change.
std::shared_ptr<UIImage> applyLightEffect(const std::shared_ptr<UIImage>& image);
// A blurred (and/or saturation-changed) copy of the image at the screen's scale, drawn over
// the image, limited to `maskImage` when given, then covered with `tintColor` when given.
// Nothing (with a console line) for an image smaller than 1 x 1, an image or mask without a
// bitmap.
std::shared_ptr<UIImage> applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(
    const std::shared_ptr<UIImage>& image, CGFloat blurRadius, const std::shared_ptr<UIColor>& tintColor,
    CGFloat saturationDeltaFactor, const std::shared_ptr<UIImage>& maskImage);

} // namespace KVNExtensions
