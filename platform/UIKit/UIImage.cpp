#include "UIKit/UIImage.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <optional>

#include "Foundation/NSBundle.h"
#include "Foundation/NSCache.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIScreen.h"

namespace {

struct TurboJPEGDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TurboJPEGBytesDeleter {
    void operator()(unsigned char* bytes) const { tjFree(bytes); }
};
using TurboJPEG = std::unique_ptr<void, TurboJPEGDeleter>;
using TurboJPEGBytes = std::unique_ptr<unsigned char, TurboJPEGBytesDeleter>;

// A libpng simplified-API image; libpng's working state behind it is freed with it, whichever
// way reading or writing ends (freeing after libpng freed it itself is harmless).
struct PNGImage {
    png_image image;

    PNGImage()
    {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~PNGImage() { png_image_free(&image); }
    PNGImage(const PNGImage&) = delete;
    PNGImage& operator=(const PNGImage&) = delete;
};

// Decoded images larger than this are refused rather than allocated: a few bytes of header
// must not be able to ask for gigabytes. Cameras give well under this.
constexpr size_t kMaxPixels = size_t(1) << 25;
constexpr size_t kMaxSide = 32767;
// Image files of the bundle are read whole; none is anywhere near this.
constexpr std::streamsize kMaxFileBytes = 64 << 20;

bool quarterTurn(UIImageOrientation o)
{
    return o == UIImageOrientationLeft || o == UIImageOrientationRight || o == UIImageOrientationLeftMirrored
        || o == UIImageOrientationRightMirrored;
}

// In a y-up space where the picture shown fills (0, 0, width, height): the transform that
// puts the stored bitmap there, and the rectangle to draw the bitmap into.
CGRect applyOrientation(const CGContextRef& ctx, UIImageOrientation o, CGFloat width, CGFloat height)
{
    constexpr double pi = std::numbers::pi;
    CGAffineTransform t = CGAffineTransformIdentity;
    switch (o) {
    case UIImageOrientationDown:
    case UIImageOrientationDownMirrored:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, width, height), pi);
        break;
    case UIImageOrientationLeft:
    case UIImageOrientationLeftMirrored:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, width, 0), pi / 2);
        break;
    case UIImageOrientationRight:
    case UIImageOrientationRightMirrored:
        t = CGAffineTransformRotate(CGAffineTransformTranslate(t, 0, height), -pi / 2);
        break;
    default:
        break;
    }
    switch (o) {
    case UIImageOrientationUpMirrored:
    case UIImageOrientationDownMirrored:
        t = CGAffineTransformScale(CGAffineTransformTranslate(t, width, 0), -1, 1);
        break;
    case UIImageOrientationLeftMirrored:
    case UIImageOrientationRightMirrored:
        t = CGAffineTransformScale(CGAffineTransformTranslate(t, height, 0), -1, 1);
        break;
    default:
        break;
    }
    CGContextConcatCTM(ctx, t);
    return quarterTurn(o) ? CGRectMake(0, 0, height, width) : CGRectMake(0, 0, width, height);
}

uint8_t premultiply(uint32_t c, uint32_t a) { return uint8_t((c * a + 127) / 255); }

uint8_t unpremultiply(uint32_t c, uint32_t a)
{
    if (a == 0)
        return 0;
    return uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
}

bool acceptableSize(size_t width, size_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

CGImageRef decodePNG(const uint8_t* data, size_t size)
{
    PNGImage owner;
    png_image& png = owner.image;
    if (!png_image_begin_read_from_memory(&png, data, size))
        return nullptr;
    if (!acceptableSize(png.width, png.height))
        return nullptr;
    const bool hasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(size_t(png.width) * png.height * 4);
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr))
        return nullptr;
    const size_t count = size_t(png.width) * png.height;
    std::vector<uint8_t> pixels(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &rgba[i * 4];
        uint32_t a = hasAlpha ? p[3] : 255;
        uint32_t word = (a << 24) | (uint32_t(premultiply(p[0], a)) << 16) | (uint32_t(premultiply(p[1], a)) << 8) | premultiply(p[2], a);
        std::memcpy(&pixels[i * 4], &word, 4);
    }
    return std::make_shared<::CGImage>(png.width, png.height, size_t(png.width) * 4, hasAlpha, std::move(pixels));
}

// The pixel format of CGImage's words, as turbojpeg names byte orders.
constexpr TJPF kWordFormat = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;

CGImageRef decodeJPEG(const uint8_t* data, size_t size)
{
    const TurboJPEG tj(tjInitDecompress());
    if (!tj)
        return nullptr;
    CGImageRef result;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.get(), data, (unsigned long)size, &width, &height, &subsampling, &colorspace) == 0
        && acceptableSize(size_t(width), size_t(height))) {
        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
        // Warnings count as failures too: a damaged photo is not passed on as if whole.
        if (tjDecompress2(tj.get(), data, (unsigned long)size, pixels.data(), width, width * 4, height, kWordFormat, 0) == 0)
            result = std::make_shared<::CGImage>(size_t(width), size_t(height), size_t(width) * 4, false, std::move(pixels));
    }
    return result;
}

// The orientation tag (1..8) of a JPEG's EXIF data, 0 when there is none.
int exifOrientation(const uint8_t* d, size_t n)
{
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return 0;
    size_t pos = 2;
    while (pos + 4 <= n) {
        if (d[pos] != 0xFF)
            return 0;
        uint8_t marker = d[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return 0;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        size_t length = size_t(d[pos + 2]) << 8 | d[pos + 3];
        if (length < 2 || pos + 2 + length > n)
            return 0;
        const uint8_t* segment = d + pos + 4;
        size_t segmentLength = length - 2;
        if (marker == 0xE1 && segmentLength >= 14 && std::memcmp(segment, "Exif\0\0", 6) == 0) {
            const uint8_t* t = segment + 6;
            size_t tn = segmentLength - 6;
            bool little = t[0] == 'I' && t[1] == 'I';
            if (!little && !(t[0] == 'M' && t[1] == 'M'))
                return 0;
            auto u16 = [&](size_t at) -> uint32_t { return little ? (t[at] | t[at + 1] << 8) : (t[at] << 8 | t[at + 1]); };
            auto u32 = [&](size_t at) -> uint32_t {
                return little ? (u16(at) | u16(at + 2) << 16) : (u16(at) << 16 | u16(at + 2));
            };
            if (u16(2) != 42)
                return 0;
            size_t ifd = u32(4);
            if (ifd + 2 > tn)
                return 0;
            size_t count = u16(ifd);
            for (size_t i = 0; i < count; ++i) {
                size_t entry = ifd + 2 + i * 12;
                if (entry + 12 > tn)
                    return 0;
                if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
                    uint32_t value = u16(entry + 8);
                    return value >= 1 && value <= 8 ? int(value) : 0;
                }
            }
            return 0;
        }
        pos += 2 + length;
    }
    return 0;
}

UIImageOrientation orientationFromExif(int tag)
{
    switch (tag) {
    case 2: return UIImageOrientationUpMirrored;
    case 3: return UIImageOrientationDown;
    case 4: return UIImageOrientationDownMirrored;
    case 5: return UIImageOrientationLeftMirrored;
    case 6: return UIImageOrientationRight;
    case 7: return UIImageOrientationRightMirrored;
    case 8: return UIImageOrientationLeft;
    default: return UIImageOrientationUp;
    }
}

std::optional<NSData> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::streamsize size = in.tellg();
    if (size < 0 || size > kMaxFileBytes)
        return std::nullopt;
    NSData data(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(data.data()), size))
        return std::nullopt;
    return data;
}

} // namespace

UIImage::UIImage(CGImageRef image, CGFloat scale, UIImageOrientation orientation, UIImageRenderingMode renderingMode)
    : m_image(std::move(image))
    , m_scale(scale > 0 && std::isfinite(scale) ? scale : 1.0)
    , m_orientation(orientation >= UIImageOrientationUp && orientation <= UIImageOrientationRightMirrored ? orientation : UIImageOrientationUp)
    , m_renderingMode(renderingMode)
{
}

std::shared_ptr<UIImage> UIImage::imageWithCGImage(const CGImageRef& image)
{
    return imageWithCGImage_scale_orientation(image, 1.0, UIImageOrientationUp);
}

std::shared_ptr<UIImage> UIImage::imageWithCGImage_scale_orientation(const CGImageRef& image, CGFloat scale,
                                                                     UIImageOrientation orientation)
{
    if (!image || image->width() == 0 || image->height() == 0)
        return nullptr;
    return std::make_shared<UIImage>(image, scale, orientation);
}

std::shared_ptr<UIImage> UIImage::imageWithData(const NSData& data) { return imageWithData_scale(data, 1.0); }

std::shared_ptr<UIImage> UIImage::imageWithData_scale(const NSData& data, CGFloat scale)
{
    static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 8 && std::memcmp(data.data(), pngSignature, 8) == 0)
        return imageWithCGImage_scale_orientation(decodePNG(data.data(), data.size()), scale, UIImageOrientationUp);
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        UIImageOrientation orientation = orientationFromExif(exifOrientation(data.data(), data.size()));
        return imageWithCGImage_scale_orientation(decodeJPEG(data.data(), data.size()), scale, orientation);
    }
    return nullptr;
}

namespace {

// Named images decoded before, by file, with the file's size and time of change when it was
// read: a screen built again (or an image on many screens) is not decoded again, and a file
// replaced since is. Images never change once made, so one may be handed out many times.
struct KeptNamedImage {
    std::uintmax_t size;
    std::filesystem::file_time_type changed;
    std::shared_ptr<UIImage> image;
};

NSCache<KeptNamedImage>& namedImages()
{
    static NSCache<KeptNamedImage>* cache = [] {
        auto* made = new NSCache<KeptNamedImage>();
        made->setCountLimit(64);
        return made;
    }();
    return *cache;
}

std::optional<std::pair<std::uintmax_t, std::filesystem::file_time_type>> fileStamp(const std::string& path)
{
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    auto changed = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return std::make_pair(size, changed);
}

std::shared_ptr<UIImage> keptNamedImage(const std::string& path)
{
    auto kept = namedImages().objectForKey(path);
    if (!kept)
        return nullptr;
    auto stamp = fileStamp(path);
    if (!stamp || stamp->first != kept->size || stamp->second != kept->changed) {
        namedImages().removeObjectForKey(path);
        return nullptr;
    }
    return kept->image;
}

void keepNamedImage(const std::string& path, const std::shared_ptr<UIImage>& image)
{
    if (auto stamp = fileStamp(path))
        namedImages().setObject_forKey(std::make_shared<KeptNamedImage>(KeptNamedImage{stamp->first, stamp->second, image}), path);
}

} // namespace

std::shared_ptr<UIImage> UIImage::imageNamed(const std::string& name)
{
    if (name.empty())
        return nullptr;
    auto bundle = NSBundle::mainBundle();
    if (!bundle)
        return nullptr;
    std::string base = name, extension = "png";
    size_t dot = name.rfind('.');
    size_t slash = name.rfind('/');
    if (dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1) && dot + 1 < name.size()) {
        base = name.substr(0, dot);
        extension = name.substr(dot + 1);
    }
    const int screenScale = std::clamp(int(std::lround(UIScreen::mainScreen()->scale())), 1, 3);
    std::vector<int> scales{screenScale};
    for (int s = screenScale + 1; s <= 3; ++s)
        scales.push_back(s);
    for (int s = screenScale - 1; s >= 1; --s)
        scales.push_back(s);
    for (int s : scales) {
        std::string resource = s == 1 ? base : base + "@" + std::to_string(s) + "x";
        auto path = bundle->pathForResource_ofType(resource, extension);
        if (!path)
            continue;
        if (auto kept = keptNamedImage(*path))
            return kept;
        auto data = readFile(*path);
        if (!data)
            continue;
        if (auto image = imageWithData_scale(*data, CGFloat(s))) {
            keepNamedImage(*path, image);
            return image;
        }
    }
    return nullptr;
}

CGSize UIImage::size() const
{
    if (!m_image)
        return CGSizeZero;
    CGFloat w = CGFloat(m_image->width()) / m_scale, h = CGFloat(m_image->height()) / m_scale;
    return quarterTurn(m_orientation) ? CGSizeMake(h, w) : CGSizeMake(w, h);
}

std::shared_ptr<UIImage> UIImage::imageWithRenderingMode(UIImageRenderingMode mode) const
{
    return std::make_shared<UIImage>(m_image, m_scale, m_orientation, mode);
}

void UIImage::drawInRect(CGRect rect) const
{
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    rect = CGRectStandardize(rect);
    if (!ctx || CGRectIsEmpty(rect))
        return;
    CGContextSaveGState(ctx);
    // The UIKit context is y-down; the orientation transforms work y-up, like the bitmap.
    CGContextTranslateCTM(ctx, rect.origin.x, rect.origin.y + rect.size.height);
    CGContextScaleCTM(ctx, 1, -1);
    CGRect target = applyOrientation(ctx, m_orientation, rect.size.width, rect.size.height);
    CGContextDrawImage(ctx, target, m_image);
    CGContextRestoreGState(ctx);
}

void UIImage::fillMaskInRect_withColor(CGRect rect, const CGColorRef& color) const
{
    CGContextRef ctx = UIGraphicsGetCurrentContext();
    rect = CGRectStandardize(rect);
    auto upright = uprightCGImage();
    if (!ctx || CGRectIsEmpty(rect) || !upright)
        return;
    CGContextSaveGState(ctx);
    // The mask is placed as images are drawn (y up); the fill goes back to the UIKit space.
    CGContextTranslateCTM(ctx, rect.origin.x, rect.origin.y + rect.size.height);
    CGContextScaleCTM(ctx, 1, -1);
    CGContextClipToMask(ctx, CGRectMake(0, 0, rect.size.width, rect.size.height), upright);
    CGContextSetFillColorWithColor(ctx, color);
    CGContextFillRect(ctx, CGRectMake(0, 0, rect.size.width, rect.size.height));
    CGContextRestoreGState(ctx);
}

CGImageRef UIImage::uprightCGImage() const
{
    if (m_orientation == UIImageOrientationUp)
        return m_image;
    const bool quarter = quarterTurn(m_orientation);
    const size_t width = quarter ? m_image->height() : m_image->width();
    const size_t height = quarter ? m_image->width() : m_image->height();
    auto ctx = CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(), m_image->bitmapInfo());
    if (!ctx)
        return nullptr;
    CGRect target = applyOrientation(ctx, m_orientation, CGFloat(width), CGFloat(height));
    CGContextDrawImage(ctx, target, m_image);
    return CGBitmapContextCreateImage(ctx);
}

std::string UIImage::description() const
{
    CGSize s = size();
    char text[128];
    std::snprintf(text, sizeof text, "<UIImage: size {%g, %g} orientation %ld scale %g>", s.width, s.height, long(m_orientation), m_scale);
    return text;
}

std::optional<NSData> UIImageJPEGRepresentation(const std::shared_ptr<UIImage>& image, CGFloat compressionQuality)
{
    if (!image)
        return std::nullopt;
    CGImageRef bitmap = image->uprightCGImage();
    if (!bitmap)
        return std::nullopt;
    CGFloat q = std::isnan(compressionQuality) ? 1 : std::clamp(compressionQuality, CGFloat(0), CGFloat(1));
    int quality = std::max(1, int(std::lround(q * 100)));
    const TurboJPEG tj(tjInitCompress());
    if (!tj)
        return std::nullopt;
    unsigned char* outBytes = nullptr;
    unsigned long outSize = 0;
    // Premultiplied words with their alpha ignored: transparent areas come out black.
    constexpr TJPF format = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
    const int status = tjCompress2(tj.get(), bitmap->data(), int(bitmap->width()), int(bitmap->bytesPerRow()), int(bitmap->height()),
                                   format, &outBytes, &outSize, TJSAMP_420, quality, 0);
    const TurboJPEGBytes out(outBytes);
    if (status != 0)
        return std::nullopt;
    return NSData(out.get(), out.get() + outSize);
}

std::optional<NSData> UIImagePNGRepresentation(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return std::nullopt;
    CGImageRef bitmap = image->uprightCGImage();
    if (!bitmap)
        return std::nullopt;
    const bool hasAlpha = bitmap->hasAlpha();
    const size_t channels = hasAlpha ? 4 : 3;
    const size_t width = bitmap->width(), height = bitmap->height();
    std::vector<uint8_t> plain(width * height * channels);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            uint32_t p = bitmap->pixelAt(x, y);
            uint32_t a = hasAlpha ? p >> 24 : 255;
            uint8_t* out = &plain[(y * width + x) * channels];
            out[0] = unpremultiply((p >> 16) & 0xFF, a);
            out[1] = unpremultiply((p >> 8) & 0xFF, a);
            out[2] = unpremultiply(p & 0xFF, a);
            if (hasAlpha)
                out[3] = uint8_t(a);
        }
    }
    PNGImage owner;
    png_image& png = owner.image;
    png.width = png_uint_32(width);
    png.height = png_uint_32(height);
    png.format = hasAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, plain.data(), 0, nullptr))
        return std::nullopt;
    NSData data(size);
    if (!png_image_write_to_memory(&png, data.data(), &size, 0, plain.data(), 0, nullptr))
        return std::nullopt;
    data.resize(size);
    return data;
}
