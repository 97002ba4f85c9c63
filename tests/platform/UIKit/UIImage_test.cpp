#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "../CoreGraphics/PixelFixtures.h"
#include "support/KvnTestBundle.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIScreen.h"

using namespace fixtures;

namespace {

// Sets the main screen's scale for one test and puts the default back.
class ScreenScale {
public:
    explicit ScreenScale(CGFloat scale) { UIScreen::mainScreen()->setScale(scale); }
    ~ScreenScale() { UIScreen::mainScreen()->setScale(2.0); }
};

// A 3 x 2 bitmap whose pixels all differ (opaque, so that every codec keeps them apart).
CGImageRef stored3x2()
{
    return image(3, 2, {0xFF100000, 0xFF200000, 0xFF300000, 0xFF001000, 0xFF002000, 0xFF003000});
}

bool quarterTurn(UIImageOrientation o) { return o == 2 || o == 3 || o == 6 || o == 7; }

// Where displayed pixel (x, y) comes from in a stored bitmap of W x H, per orientation
// (see UIImageOrientation: Left [8] shows stored row 0 as the left column read upward, ...).
std::pair<size_t, size_t> storedPixel(UIImageOrientation o, size_t x, size_t y, size_t W, size_t H)
{
    switch (o) {
    case UIImageOrientationUp: return {x, y};
    case UIImageOrientationDown: return {W - 1 - x, H - 1 - y};
    case UIImageOrientationLeft: return {W - 1 - y, x};
    case UIImageOrientationRight: return {y, H - 1 - x};
    case UIImageOrientationUpMirrored: return {W - 1 - x, y};
    case UIImageOrientationDownMirrored: return {x, H - 1 - y};
    case UIImageOrientationLeftMirrored: return {y, x};
    case UIImageOrientationRightMirrored: return {W - 1 - y, H - 1 - x};
    }
    return {0, 0};
}

void expectShownUpright(const CGImageRef& shown, const CGImageRef& stored, UIImageOrientation o, const std::string& why)
{
    ASSERT_TRUE(shown) << why;
    ASSERT_EQ(shown->width(), quarterTurn(o) ? stored->height() : stored->width()) << why;
    ASSERT_EQ(shown->height(), quarterTurn(o) ? stored->width() : stored->height()) << why;
    for (size_t y = 0; y < shown->height(); ++y)
        for (size_t x = 0; x < shown->width(); ++x) {
            auto [u, v] = storedPixel(o, x, y, stored->width(), stored->height());
            EXPECT_EQ(shown->pixelAt(x, y), stored->pixelAt(u, v)) << why << ", orientation " << o << " at " << x << "," << y;
        }
}

NSData jpegOf(const CGImageRef& bitmap, CGFloat quality = 0.9)
{
    auto data = UIImageJPEGRepresentation(UIImage::imageWithCGImage(bitmap), quality);
    EXPECT_TRUE(data);
    return data.value_or(NSData{});
}

// The JPEG with an EXIF block holding only the orientation tag, in either byte order.
NSData withExifOrientation(NSData jpeg, uint16_t tag, bool bigEndian)
{
    NSData tiff = bigEndian ? NSData{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, uint8_t(tag), 0, 0, 0, 0, 0, 0}
                            : NSData{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(tag), 0, 0, 0, 0, 0, 0, 0};
    NSData app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    size_t length = app1.size() - 2;
    app1[2] = uint8_t(length >> 8);
    app1[3] = uint8_t(length);
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

TEST(UIImage, SizeIsInPointsAndFollowsTheOrientation)
{
    struct Case {
        UIImageOrientation orientation;
        CGFloat scale;
        CGSize size;
    } cases[] = {
        {UIImageOrientationUp, 1, {3, 2}},
        {UIImageOrientationUp, 2, {1.5, 1}},
        {UIImageOrientationDown, 1, {3, 2}},
        {UIImageOrientationLeft, 1, {2, 3}},
        {UIImageOrientationRightMirrored, 2, {1, 1.5}},
        {UIImageOrientationUpMirrored, 0, {3, 2}}, // a scale of 0 counts as 1
    };
    for (const auto& c : cases) {
        auto img = UIImage::imageWithCGImage_scale_orientation(stored3x2(), c.scale, c.orientation);
        ASSERT_TRUE(img);
        EXPECT_EQ(img->size(), c.size) << "orientation " << c.orientation << ", scale " << c.scale;
    }
    EXPECT_EQ(UIImage::imageWithCGImage(nullptr), nullptr);
    auto tinted = UIImage::imageWithCGImage(stored3x2())->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate);
    EXPECT_EQ(tinted->renderingMode(), UIImageRenderingModeAlwaysTemplate);
}

TEST(UIImage, DrawInRectAndEncodingsShowEveryOrientationUpright)
{
    auto stored = stored3x2();
    for (int o = 0; o < 8; ++o) {
        auto orientation = UIImageOrientation(o);
        auto img = UIImage::imageWithCGImage_scale_orientation(stored, 1, orientation);

        UIGraphicsBeginImageContextWithOptions(img->size(), false, 1);
        img->drawInRect(CGRectMake(0, 0, img->size().width, img->size().height));
        auto drawn = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        ASSERT_TRUE(drawn);
        expectShownUpright(drawn->CGImage(), stored, orientation, "drawInRect");

        expectShownUpright(img->uprightCGImage(), stored, orientation, "upright bitmap");

        auto png = UIImagePNGRepresentation(img);
        ASSERT_TRUE(png);
        auto decoded = UIImage::imageWithData(*png);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->imageOrientation(), UIImageOrientationUp) << "PNG data holds the picture as shown";
        expectShownUpright(decoded->CGImage(), stored, orientation, "PNG");
    }
}

TEST(UIImage, DrawInRectPlacesTheImageInTopLeftCoordinates)
{
    auto dot = UIImage::imageWithCGImage(image(1, 1, {kRed}));
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(2, 2), false, 2);
    dot->drawInRect(CGRectMake(1, 0, 1, 1));
    auto out = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(out);
    EXPECT_EQ(words(out->CGImage()), (std::vector<uint32_t>{kClear, kClear, kRed, kRed, //
                                                           kClear, kClear, kRed, kRed, //
                                                           kClear, kClear, kClear, kClear, //
                                                           kClear, kClear, kClear, kClear}))
        << "the top-right point, two pixels a side";

    dot->drawInRect(CGRectMake(0, 0, 1, 1)); // no current context: nothing happens
}

TEST(UIGraphics, ImageContextsHaveScaleOpacityAndNest)
{
    ScreenScale screen(3);
    struct Case {
        const char* why;
        CGSize size;
        bool opaque;
        CGFloat scale;
        size_t pixelWidth, pixelHeight;
        CGFloat imageScale;
        uint32_t fresh;
    } cases[] = {
        {"scale 2", {2, 1.5}, false, 2, 4, 3, 2, kClear},
        {"scale 0 takes the screen's", {2, 1}, false, 0, 6, 3, 3, kClear},
        {"fractional pixels round up", {80, 40.0000000001}, false, 1, 80, 40, 1, kClear},
        {"70 x 93.33 points at 2x", {70, 70 * 4 / 3.0}, false, 2, 140, 187, 2, kClear},
        {"opaque starts black", {1, 1}, true, 1, 1, 1, 1, kBlack},
    };
    for (const auto& c : cases) {
        UIGraphicsBeginImageContextWithOptions(c.size, c.opaque, c.scale);
        ASSERT_TRUE(UIGraphicsGetCurrentContext()) << c.why;
        auto img = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        ASSERT_TRUE(img) << c.why;
        EXPECT_EQ(img->CGImage()->width(), c.pixelWidth) << c.why;
        EXPECT_EQ(img->CGImage()->height(), c.pixelHeight) << c.why;
        EXPECT_EQ(img->scale(), c.imageScale) << c.why;
        EXPECT_EQ(img->CGImage()->hasAlpha(), !c.opaque) << c.why;
        EXPECT_EQ(img->CGImage()->pixelAt(0, 0), c.fresh) << c.why;
    }
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);

    UIGraphicsBeginImageContextWithOptions(CGSizeMake(1, 1), false, 1);
    auto outer = UIGraphicsGetCurrentContext();
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(2, 2), false, 1);
    EXPECT_NE(UIGraphicsGetCurrentContext(), outer);
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetCurrentContext(), outer) << "ending the inner context brings the outer one back";
    auto pushed = context(1, 1);
    UIGraphicsPushContext(pushed);
    EXPECT_EQ(UIGraphicsGetCurrentContext(), pushed);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr) << "a pushed context is not an image context";
    UIGraphicsEndImageContext(); // refused: the top is a pushed context
    EXPECT_EQ(UIGraphicsGetCurrentContext(), pushed);
    UIGraphicsPopContext();
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);

    UIGraphicsBeginImageContextWithOptions(CGSizeMake(0, 10), false, 1);
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr) << "no area, no context";
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(NAN, 10), false, 1);
    UIGraphicsEndImageContext();
    UIGraphicsEndImageContext();
    UIGraphicsEndImageContext(); // nothing left: ignored
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
}

TEST(UIGraphics, TransparencyBecomesBlackInOpaqueContexts)
{
    // A half-transparent white pixel and a clear one, stretched into an opaque context.
    auto img = UIImage::imageWithCGImage(image(2, 1, {0x80808080, kClear}));
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(2, 1), true, 1);
    img->drawInRect(CGRectMake(0, 0, 2, 1));
    auto out = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->CGImage()->pixelAt(0, 0), 0xFF808080u);
    EXPECT_EQ(out->CGImage()->pixelAt(1, 0), kBlack);
    auto decoded = UIImage::imageWithData(*UIImagePNGRepresentation(out));
    EXPECT_FALSE(decoded->CGImage()->hasAlpha()) << "an opaque image makes a PNG without alpha";
}

TEST(UIImageCodecs, PNGRoundTripIsExact)
{
    // Opaque, partly transparent (premultiplied) and clear pixels.
    auto bitmap = image(4, 1, {kRed, 0x80400020, 0x01010101, kClear});
    auto data = UIImagePNGRepresentation(UIImage::imageWithCGImage(bitmap));
    ASSERT_TRUE(data);
    auto back = UIImage::imageWithData(*data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->scale(), 1.0);
    EXPECT_TRUE(back->CGImage()->hasAlpha());
    EXPECT_EQ(words(back->CGImage()), words(bitmap));

    // A PNG written by other code: 0x11223344 (RGBA, not premultiplied) -> premultiplied word.
    auto foreign = UIImage::imageWithData(KvnTestBundle::solidPNG(2, 3, 0x11223344));
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->size(), CGSizeMake(2, 3));
    EXPECT_EQ(foreign->CGImage()->pixelAt(1, 2), 0x4405090Eu);
}

TEST(UIImageCodecs, JPEGRoundTripIsClose)
{
    // 16 x 16 in four 8 x 8 quarters: red, green, blue, white.
    std::vector<uint32_t> w;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            w.push_back(y < 8 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kWhite));
    auto bitmap = image(16, 16, w, false);
    auto data = jpegOf(bitmap, 0.9);
    auto back = UIImage::imageWithData(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), CGSizeMake(16, 16));
    EXPECT_FALSE(back->CGImage()->hasAlpha());
    for (auto [x, y] : {std::pair{3, 3}, {12, 3}, {3, 12}, {12, 12}}) {
        uint32_t got = back->CGImage()->pixelAt(x, y), want = bitmap->pixelAt(x, y);
        for (int shift : {0, 8, 16, 24})
            EXPECT_NEAR(double((got >> shift) & 0xFF), double((want >> shift) & 0xFF), 12) << x << "," << y;
    }

    // Noise compresses visibly worse at low quality.
    std::vector<uint32_t> noise;
    uint32_t seed = 12345;
    for (int i = 0; i < 32 * 32; ++i) {
        seed = seed * 1103515245 + 12345;
        noise.push_back(0xFF000000 | (seed >> 8));
    }
    auto noisy = image(32, 32, noise, false);
    EXPECT_LT(jpegOf(noisy, 0.1).size(), jpegOf(noisy, 1.0).size());

    auto clear = UIImage::imageWithData(jpegOf(image(8, 8, std::vector<uint32_t>(64, kClear))));
    ASSERT_TRUE(clear);
    EXPECT_LT(clear->CGImage()->pixelAt(4, 4) & 0xFFFFFF, 0x080808u) << "transparent areas come out black";
}

TEST(UIImageCodecs, JPEGOrientationComesFromEXIF)
{
    const NSData plain = jpegOf(stored3x2());
    struct Case {
        uint16_t tag;
        UIImageOrientation orientation;
    } cases[] = {
        {1, UIImageOrientationUp}, {2, UIImageOrientationUpMirrored}, {3, UIImageOrientationDown},
        {4, UIImageOrientationDownMirrored}, {5, UIImageOrientationLeftMirrored}, {6, UIImageOrientationRight},
        {7, UIImageOrientationRightMirrored}, {8, UIImageOrientationLeft}, {0, UIImageOrientationUp}, {9, UIImageOrientationUp},
    };
    for (const auto& c : cases) {
        for (bool bigEndian : {false, true}) {
            auto img = UIImage::imageWithData(withExifOrientation(plain, c.tag, bigEndian));
            ASSERT_TRUE(img) << "tag " << c.tag;
            EXPECT_EQ(img->imageOrientation(), c.orientation) << "tag " << c.tag << (bigEndian ? " MM" : " II");
            EXPECT_EQ(img->CGImage()->width(), 3u) << "the bitmap stays as stored";
        }
    }
    auto right = UIImage::imageWithData(withExifOrientation(plain, 6, false));
    EXPECT_EQ(right->size(), CGSizeMake(2, 3));

    // EXIF whose directory points outside its block is ignored, not followed.
    NSData bogus = withExifOrientation(plain, 6, false);
    bogus[4 + 6 + 6] = 0xF0; // the directory offset's low byte
    auto img = UIImage::imageWithData(bogus);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->imageOrientation(), UIImageOrientationUp);
}

TEST(UIImageCodecs, BadDataGivesNoImage)
{
    const NSData png = *UIImagePNGRepresentation(UIImage::imageWithCGImage(stored3x2()));
    const NSData jpeg = jpegOf(stored3x2());
    NSData huge = jpeg;
    for (size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) { // start of frame: precision, height, width
            huge[i + 5] = 0xEA, huge[i + 6] = 0x60, huge[i + 7] = 0xEA, huge[i + 8] = 0x60;
            break;
        }
    }
    struct Case {
        const char* why;
        NSData data;
    } cases[] = {
        {"nothing", {}},
        {"text", NSDataFromString("not an image")},
        {"PNG signature only", NSData(png.begin(), png.begin() + 8)},
        {"PNG cut in half", NSData(png.begin(), png.begin() + long(png.size() / 2))},
        {"JPEG start only", {0xFF, 0xD8, 0xFF}},
        {"JPEG cut in half", NSData(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2))},
        {"JPEG claiming 60000 x 60000 pixels", huge},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UIImage::imageWithData(c.data), nullptr) << c.why;
    EXPECT_EQ(UIImageJPEGRepresentation(nullptr, 0.9), std::nullopt);
    EXPECT_EQ(UIImagePNGRepresentation(nullptr), std::nullopt);
}

TEST(UIImage, ImageNamedPrefersTheScreenScale)
{
    KvnTestBundle bundle;
    bundle.addImage("icon", 1, 1);
    bundle.addImage("icon@2x", 2, 2);
    bundle.addImage("icon@3x", 3, 3);
    bundle.addImage("solo@3x", 3, 3);
    bundle.writeFile("broken.png", "not a PNG");
    auto jpeg = jpegOf(image(4, 2, std::vector<uint32_t>(8, kGreen), false));
    bundle.writeFile("photo.jpg", NSStringFromData(jpeg));

    struct Case {
        const char* why;
        CGFloat screenScale;
        const char* name;
        size_t pixels; // width in pixels; 0: no image
        CGFloat scale;
    } cases[] = {
        {"the screen's own scale first", 2, "icon", 2, 2},
        {"on a 3x screen", 3, "icon", 3, 3},
        {"on a 1x screen the plain file", 1, "icon", 1, 1},
        {"an explicit png extension", 2, "icon.png", 2, 2},
        {"a larger variant before a smaller one", 1, "solo", 3, 3},
        {"an explicit jpg extension", 2, "photo.jpg", 4, 1},
        {"without an extension only PNG counts", 2, "photo", 0, 0},
        {"missing", 2, "missing", 0, 0},
        {"undecodable", 2, "broken", 0, 0},
        {"empty", 2, "", 0, 0},
    };
    for (const auto& c : cases) {
        ScreenScale screen(c.screenScale);
        auto img = UIImage::imageNamed(c.name);
        if (!c.pixels) {
            EXPECT_EQ(img, nullptr) << c.why;
            continue;
        }
        ASSERT_TRUE(img) << c.why;
        EXPECT_EQ(img->CGImage()->width(), c.pixels) << c.why;
        EXPECT_EQ(img->scale(), c.scale) << c.why;
    }
}

TEST(UIImage, ImageNamedDecodesAFileOnceUntilItChanges)
{
    KvnTestBundle bundle;
    ScreenScale screen(1);
    bundle.addImage("badge", 2, 2, 0xFF0000FF);
    auto first = UIImage::imageNamed("badge");
    ASSERT_TRUE(first);
    EXPECT_EQ(UIImage::imageNamed("badge"), first) << "the same file again: the image decoded before";

    struct Case {
        const char* why;
        int width;
        uint32_t rgba;
    } cases[] = {
        {"a file replaced by one of another size", 3, 0x00FF00FF},
        {"a file replaced by one of the same size", 3, 0x0000FFFF},
    };
    auto previous = first;
    for (const auto& c : cases) {
        // A new time of change even where the file system counts time coarsely.
        const auto path = bundle.path() + "/badge.png";
        const auto earlier = std::filesystem::last_write_time(path);
        bundle.addImage("badge", c.width, 2, c.rgba);
        std::filesystem::last_write_time(path, earlier + std::chrono::seconds(1));
        auto now = UIImage::imageNamed("badge");
        ASSERT_TRUE(now) << c.why;
        EXPECT_NE(now, previous) << c.why;
        EXPECT_EQ(now->CGImage()->width(), size_t(c.width)) << c.why;
        EXPECT_EQ(now->CGImage()->pixelAt(0, 0), UIImage::imageWithData(KvnTestBundle::solidPNG(1, 1, c.rgba))->CGImage()->pixelAt(0, 0))
            << c.why;
        previous = now;
    }
}

} // namespace
