#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CoreGraphics/CGAffineTransform.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct PointCase {
    const char* why;
    CGAffineTransform transform;
    CGPoint in;
    CGPoint out;
};

TEST(CGAffineTransform, MapsPointsInBuildOrder)
{
    const PointCase cases[] = {
        {"translation adds", CGAffineTransformMakeTranslation(10, 20), {1, 2}, {11, 22}},
        {"scale multiplies, a negative factor mirrors", CGAffineTransformMakeScale(2, -1), {3, 4}, {6, -4}},
        {"positive angles turn x toward y", CGAffineTransformMakeRotation(kPi / 2), {1, 0}, {0, 1}},
        {"a builder's own step comes first: rotate, then translate",
         CGAffineTransformRotate(CGAffineTransformMakeTranslation(10, 0), kPi / 2), {1, 0}, {10, 1}},
        {"translate, then scale", CGAffineTransformTranslate(CGAffineTransformMakeScale(2, 2), 1, 0), {1, 1}, {4, 2}},
        {"concat applies the first transform first",
         CGAffineTransformConcat(CGAffineTransformMakeScale(2, 2), CGAffineTransformMakeTranslation(1, 1)), {1, 1}, {3, 3}},
        {"the flip of a top-left image context",
         CGAffineTransformScale(CGAffineTransformMakeTranslation(0, 100), 2, -2), {10, 5}, {20, 90}},
    };
    for (const auto& c : cases) {
        CGPoint p = CGPointApplyAffineTransform(c.in, c.transform);
        EXPECT_NEAR(p.x, c.out.x, 1e-9) << c.why;
        EXPECT_NEAR(p.y, c.out.y, 1e-9) << c.why;
    }
}

TEST(CGAffineTransform, InvertUndoesAndLeavesSingularAlone)
{
    CGAffineTransform t = CGAffineTransformRotate(CGAffineTransformMakeTranslation(7, -3), 0.3);
    t = CGAffineTransformScale(t, 2, 0.5);
    CGPoint p = CGPointApplyAffineTransform(CGPointApplyAffineTransform({4, 9}, t), CGAffineTransformInvert(t));
    EXPECT_NEAR(p.x, 4, 1e-9);
    EXPECT_NEAR(p.y, 9, 1e-9);

    CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
    EXPECT_EQ(CGAffineTransformInvert(singular), singular);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGAffineTransformInvert(CGAffineTransformIdentity)));
}

TEST(CGAffineTransform, RectBecomesBoundingBox)
{
    CGRect r = CGRectApplyAffineTransform(CGRectMake(0, 0, 4, 2), CGAffineTransformMakeRotation(kPi / 2));
    EXPECT_NEAR(r.origin.x, -2, 1e-9);
    EXPECT_NEAR(r.origin.y, 0, 1e-9);
    EXPECT_NEAR(r.size.width, 2, 1e-9);
    EXPECT_NEAR(r.size.height, 4, 1e-9);
}

TEST(CGGeometry, IntersectionAndIntegral)
{
    struct Case {
        const char* why;
        CGRect a, b, expected;
    } cases[] = {
        {"overlap", CGRectMake(0, 0, 10, 10), CGRectMake(5, 5, 10, 10), CGRectMake(5, 5, 5, 5)},
        {"negative size is standardised", CGRectMake(10, 10, -10, -10), CGRectMake(5, 0, 10, 2), CGRectMake(5, 0, 5, 2)},
        {"touching edges give an empty rectangle", CGRectMake(0, 0, 5, 5), CGRectMake(5, 0, 5, 5), CGRectMake(5, 0, 0, 5)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGRectIntersection(c.a, c.b), c.expected) << c.why;
    EXPECT_TRUE(CGRectIsNull(CGRectIntersection(CGRectMake(0, 0, 1, 1), CGRectMake(3, 3, 1, 1))));
    EXPECT_TRUE(CGRectIsEmpty(CGRectNull));
    EXPECT_EQ(CGRectIntegral(CGRectMake(0.5, 1.2, 1, 1)), CGRectMake(0, 1, 2, 2));
    EXPECT_EQ(CGRectIntegral(CGRectMake(-0.5, 2, 1, 3)), CGRectMake(-1, 2, 2, 3));
}

} // namespace
