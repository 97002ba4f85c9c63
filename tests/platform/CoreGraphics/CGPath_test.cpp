#include <gtest/gtest.h>

#include <cmath>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGPath.h"

namespace {

// Fills `path` opaque in a 40 x 40 bitmap (y up, as bitmap contexts are) and answers the
// alpha at pixel (x, y) counted from the top row.
int filledAlphaAt(const CGPathRef& path, size_t x, size_t y)
{
    auto context = CGBitmapContextCreate(nullptr, 40, 40, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                         kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
    CGContextSetRGBFillColor(context, 0, 0, 0, 1);
    CGContextBeginPath(context);
    CGContextAddPath(context, path);
    CGContextFillPath(context);
    return int(CGBitmapContextCreateImage(context)->pixelAt(x, y) >> 24);
}

} // namespace

TEST(CGPathTest, ShapesCoverWhatTheyShould)
{
    struct Case {
        const char* why;
        CGPathRef path;
        size_t x, y; // from the top row
        bool covered;
    };
    const CGAffineTransform shift = CGAffineTransformMakeTranslation(10, 0);
    const Case cases[] = {
        {"inside a rectangle", CGPathCreateWithRect(CGRectMake(0, 0, 20, 20), nullptr), 10, 30, true},
        {"outside it", CGPathCreateWithRect(CGRectMake(0, 0, 20, 20), nullptr), 30, 10, false},
        {"a rounded corner leaves its tip", CGPathCreateWithRoundedRect(CGRectMake(0, 0, 40, 40), 10, 10, nullptr), 0, 0, false},
        {"an oval leaves the box's corners", CGPathCreateWithEllipseInRect(CGRectMake(0, 0, 40, 40), nullptr), 2, 2, false},
        {"and fills its middle", CGPathCreateWithEllipseInRect(CGRectMake(0, 0, 40, 40), nullptr), 20, 20, true},
        {"the transform moves the points", CGPathCreateWithRect(CGRectMake(0, 0, 20, 20), &shift), 25, 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_NE(c.path, nullptr);
        EXPECT_EQ(filledAlphaAt(c.path, c.x, c.y) > 128, c.covered);
    }
}

TEST(CGPathTest, BoundsAndBadInput)
{
    EXPECT_EQ(CGPathGetBoundingBox(CGPathCreateWithRoundedRect(CGRectMake(5, 5, 10, 20), 50, 50, nullptr)), CGRectMake(5, 5, 10, 20))
        << "radii held to half the sides";
    EXPECT_EQ(CGPathCreateWithRect(CGRectMake(NAN, 0, 1, 1), nullptr), nullptr);
    EXPECT_EQ(CGPathCreateWithRoundedRect(CGRectMake(0, 0, 1, 1), INFINITY, 0, nullptr), nullptr);
    EXPECT_TRUE(CGRectIsNull(CGPathGetBoundingBox(nullptr)));
}
