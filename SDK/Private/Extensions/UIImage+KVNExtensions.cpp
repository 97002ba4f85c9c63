#include "Private/Extensions/UIImage+KVNExtensions.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/vImage.h"
#include "Foundation/NSBase64.h"
#include "Foundation/NSString.h"
#include "Private/Helper/KVNLog.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIScreen.h"

namespace KVNExtensions {

namespace {

NSData base64Data(const NSData& bytes)
{
    std::string text = NSBase64Encode(bytes);
    return NSData(text.begin(), text.end());
}

// The platform console: one line on standard error.
template <class... A>
void consoleLog(const std::string& format, const A&... args)
{
    std::string line = NSString::stringWithFormat(format, args...) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool isUsableSize(CGSize size)
{
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 && size.height > 0;
}

vImage_Buffer bufferOf(const CGContextRef& context)
{
    vImage_Buffer buffer;
    buffer.data = CGBitmapContextGetData(context);
    buffer.width = CGBitmapContextGetWidth(context);
    buffer.height = CGBitmapContextGetHeight(context);
    buffer.rowBytes = CGBitmapContextGetBytesPerRow(context);
    return buffer;
}

// Flips the current image context so that CGContextDrawImage draws upright in it.
void flipVertically(const CGContextRef& context, CGFloat height)
{
    CGContextScaleCTM(context, 1.0, -1.0);
    CGContextTranslateCTM(context, 0, -height);
}

} // namespace

std::optional<NSData> encodeToJPGBase64DataWithCompressionQuality(const std::shared_ptr<UIImage>& image, CGFloat quality)
{
    auto jpeg = UIImageJPEGRepresentation(image, quality);
    if (!jpeg)
        return std::nullopt;
    return base64Data(*jpeg);
}

std::optional<NSData> encodeToPNGBase64Data(const std::shared_ptr<UIImage>& image)
{
    auto png = UIImagePNGRepresentation(image);
    if (!png)
        return std::nullopt;
    return base64Data(*png);
}

std::shared_ptr<UIImage> croppedImageWithRect_scale(const std::shared_ptr<UIImage>& image, CGRect rect, CGFloat scale)
{
    if (!image)
        return nullptr;
    CGImageRef cropped = CGImageCreateWithImageInRect(image->CGImage(), rect);
    return UIImage::imageWithCGImage_scale_orientation(cropped, scale, image->imageOrientation());
}

std::shared_ptr<UIImage> resizedImageWithSize_scale(const std::shared_ptr<UIImage>& image, CGSize size, CGFloat scale)
{
    if (!image || !isUsableSize(size))
        return nullptr;
    UIGraphicsBeginImageContextWithOptions(size, true, scale);
    image->drawInRect(CGRectMake(0, 0, size.width, size.height));
    auto resized = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return resized;
}

namespace {

// True (after the log line) when the image is to be left as it is: the dimension exceeds
// both sides and up-scaling is not allowed.
bool refusesUpScale(CGSize size, CGFloat dimension, bool allowUpScale)
{
    if (dimension > size.width && dimension > size.height && !allowUpScale) {
        KVNLogLocated(__FILE__, __LINE__, "Image not resizable because its width and height are smaller than the given dimension");
        return true;
    }
    return false;
}

} // namespace

std::shared_ptr<UIImage> resizedImageWithMaxDimension_allowUpScale_withScale(const std::shared_ptr<UIImage>& image,
                                                                             CGFloat dimension, bool allowUpScale,
                                                                             CGFloat scale)
{
    if (!image)
        return nullptr;
    CGSize size = image->size();
    if (refusesUpScale(size, dimension, allowUpScale))
        return image;
    CGSize newSize = size.width < size.height ? CGSizeMake(size.width / size.height * dimension, dimension)
                                              : CGSizeMake(dimension, size.height / size.width * dimension);
    return resizedImageWithSize_scale(image, newSize, scale);
}

std::shared_ptr<UIImage> resizedImageWithMinDimension_allowUpScale_withScale(const std::shared_ptr<UIImage>& image,
                                                                             CGFloat dimension, bool allowUpScale,
                                                                             CGFloat scale)
{
    if (!image)
        return nullptr;
    CGSize size = image->size();
    if (refusesUpScale(size, dimension, allowUpScale))
        return image;
    CGSize newSize = size.width < size.height ? CGSizeMake(dimension, size.height / size.width * dimension)
                                              : CGSizeMake(size.width / size.height * dimension, dimension);
    return resizedImageWithSize_scale(image, newSize, scale);
}

std::shared_ptr<UIImage> imageWithImageOrientationUp(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return nullptr;
    const UIImageOrientation orientation = image->imageOrientation();
    if (orientation == UIImageOrientationUp)
        return image;

    const CGSize size = image->size();
    const CGFloat width = size.width, height = size.height;
    CGAffineTransform transform = CGAffineTransformIdentity;
    switch (orientation) {
    case UIImageOrientationDown:
    case UIImageOrientationDownMirrored:
        transform = CGAffineTransformTranslate(transform, width, height);
        transform = CGAffineTransformRotate(transform, std::numbers::pi);
        break;
    case UIImageOrientationLeft:
    case UIImageOrientationLeftMirrored:
        transform = CGAffineTransformTranslate(transform, width, 0);
        transform = CGAffineTransformRotate(transform, std::numbers::pi / 2);
        break;
    case UIImageOrientationRight:
    case UIImageOrientationRightMirrored:
        transform = CGAffineTransformTranslate(transform, 0, height);
        transform = CGAffineTransformRotate(transform, -std::numbers::pi / 2);
        break;
    default:
        break;
    }
    switch (orientation) {
    case UIImageOrientationUpMirrored:
    case UIImageOrientationDownMirrored:
        transform = CGAffineTransformTranslate(transform, width, 0);
        transform = CGAffineTransformScale(transform, -1, 1);
        break;
    case UIImageOrientationLeftMirrored:
    case UIImageOrientationRightMirrored:
        transform = CGAffineTransformTranslate(transform, height, 0);
        transform = CGAffineTransformScale(transform, -1, 1);
        break;
    default:
        break;
    }

    CGImageRef bitmap = image->CGImage();
    if (!bitmap)
        return nullptr;
    CGContextRef context = CGBitmapContextCreate(nullptr, static_cast<size_t>(width), static_cast<size_t>(height),
                                                 CGImageGetBitsPerComponent(bitmap), 0, CGImageGetColorSpace(bitmap),
                                                 CGImageGetBitmapInfo(bitmap));
    if (!context)
        return nullptr;
    CGContextConcatCTM(context, transform);
    switch (orientation) {
    case UIImageOrientationLeft:
    case UIImageOrientationLeftMirrored:
    case UIImageOrientationRight:
    case UIImageOrientationRightMirrored:
        CGContextDrawImage(context, CGRectMake(0, 0, height, width), bitmap);
        break;
    default:
        CGContextDrawImage(context, CGRectMake(0, 0, width, height), bitmap);
        break;
    }
    return UIImage::imageWithCGImage(CGBitmapContextCreateImage(context));
}

std::shared_ptr<UIImage> applyLightEffect(const std::shared_ptr<UIImage>& image)
{
    auto tint = UIColor::colorWithWhite_alpha(1.0, 0.3);
    return applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(image, 10, tint, 1.0, nullptr);
}

std::shared_ptr<UIImage> applyBlurWithRadius_tintColor_saturationDeltaFactor_maskImage(
    const std::shared_ptr<UIImage>& image, CGFloat blurRadius, const std::shared_ptr<UIColor>& tintColor,
    CGFloat saturationDeltaFactor, const std::shared_ptr<UIImage>& maskImage)
{
    if (!image)
        return nullptr;
    const CGSize size = image->size();
    if (size.width < 1 || size.height < 1) {
        consoleLog("*** error: invalid size: (%.2f x %.2f). Both dimensions must be >= 1: %@", size.width, size.height,
                   image);
        return nullptr;
    }
    if (!image->CGImage()) {
        consoleLog("*** error: image must be backed by a CGImage: %@", image);
        return nullptr;
    }
    if (maskImage && !maskImage->CGImage()) {
        consoleLog("*** error: maskImage must be backed by a CGImage: %@", maskImage);
        return nullptr;
    }

    constexpr CGFloat epsilon = 1.1920928955078125e-07; // single-precision epsilon
    const CGRect imageRect = CGRectMake(0, 0, size.width, size.height);
    const CGFloat screenScale = UIScreen::mainScreen()->scale();
    const bool hasBlur = blurRadius > epsilon;
    const bool hasSaturationChange = std::fabs(saturationDeltaFactor - 1.0) > epsilon;

    std::shared_ptr<UIImage> effectImage = image;
    if (hasBlur || hasSaturationChange) {
        UIGraphicsBeginImageContextWithOptions(size, false, screenScale);
        CGContextRef effectInContext = UIGraphicsGetCurrentContext();
        flipVertically(effectInContext, size.height);
        CGContextDrawImage(effectInContext, imageRect, image->CGImage());
        vImage_Buffer effectInBuffer = bufferOf(effectInContext);

        UIGraphicsBeginImageContextWithOptions(size, false, screenScale);
        CGContextRef effectOutContext = UIGraphicsGetCurrentContext();
        vImage_Buffer effectOutBuffer = bufferOf(effectOutContext);

        if (hasBlur) {
            // Three box passes approximate a Gaussian of the radius (in pixels); the box side
            // must be odd. The cap only keeps absurd radii from overflowing the conversion.
            const CGFloat inputRadius = blurRadius * screenScale;
            double side = std::floor(inputRadius * 3.0 * std::sqrt(2 * std::numbers::pi) / 4 + 0.5);
            uint32_t radius = side >= 65535.0 ? 65535u : static_cast<uint32_t>(side);
            if (radius % 2 != 1)
                radius += 1;
            vImageBoxConvolve_ARGB8888(&effectInBuffer, &effectOutBuffer, radius, radius, kvImageEdgeExtend);
            vImageBoxConvolve_ARGB8888(&effectOutBuffer, &effectInBuffer, radius, radius, kvImageEdgeExtend);
            vImageBoxConvolve_ARGB8888(&effectInBuffer, &effectOutBuffer, radius, radius, kvImageEdgeExtend);
        }
        bool effectImageBuffersAreSwapped = false;
        if (hasSaturationChange) {
            const CGFloat s = saturationDeltaFactor;
            const CGFloat floatingPointSaturationMatrix[16] = {
                0.0722 + 0.9278 * s, 0.0722 - 0.0722 * s, 0.0722 - 0.0722 * s, 0,
                0.7152 - 0.7152 * s, 0.7152 + 0.2848 * s, 0.7152 - 0.7152 * s, 0,
                0.2126 - 0.2126 * s, 0.2126 - 0.2126 * s, 0.2126 + 0.7873 * s, 0,
                0,                   0,                   0,                   1,
            };
            const int32_t divisor = 256;
            int16_t saturationMatrix[16];
            for (int i = 0; i < 16; ++i) {
                // Keep absurd factors inside the 16-bit range rather than overflow the conversion.
                double entry = std::round(floatingPointSaturationMatrix[i] * divisor);
                saturationMatrix[i] = static_cast<int16_t>(std::isnan(entry) ? 0.0 : std::clamp(entry, -32768.0, 32767.0));
            }
            if (hasBlur) {
                vImageMatrixMultiply_ARGB8888(&effectOutBuffer, &effectInBuffer, saturationMatrix, divisor);
                effectImageBuffersAreSwapped = true;
            } else {
                vImageMatrixMultiply_ARGB8888(&effectInBuffer, &effectOutBuffer, saturationMatrix, divisor);
            }
        }
        if (!effectImageBuffersAreSwapped)
            effectImage = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        if (effectImageBuffersAreSwapped)
            effectImage = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
    }

    UIGraphicsBeginImageContextWithOptions(size, false, screenScale);
    CGContextRef outputContext = UIGraphicsGetCurrentContext();
    flipVertically(outputContext, size.height);
    CGContextDrawImage(outputContext, imageRect, image->CGImage());
    if (hasBlur && effectImage) {
        CGContextSaveGState(outputContext);
        if (maskImage)
            CGContextClipToMask(outputContext, imageRect, maskImage->CGImage());
        CGContextDrawImage(outputContext, imageRect, effectImage->CGImage());
        CGContextRestoreGState(outputContext);
    }
    if (tintColor) {
        CGContextSaveGState(outputContext);
        CGContextSetFillColorWithColor(outputContext, tintColor->CGColor());
        CGContextFillRect(outputContext, imageRect);
        CGContextRestoreGState(outputContext);
    }
    auto outputImage = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return outputImage;
}

} // namespace KVNExtensions
