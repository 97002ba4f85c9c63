#pragma once
// Points, sizes and rectangles in points (or pixels where a bitmap says so). Plain values,
// usable from any thread.
#include <algorithm>
#include <cmath>
#include <limits>

using CGFloat = double;

struct CGPoint {
    CGFloat x = 0, y = 0;
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    CGFloat width = 0, height = 0;
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
};

inline constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return {x, y}; }
inline constexpr CGSize CGSizeMake(CGFloat w, CGFloat h) { return {w, h}; }
inline constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return {{x, y}, {w, h}}; }
inline constexpr CGPoint CGPointZero{};
inline constexpr CGSize CGSizeZero{};
inline constexpr CGRect CGRectZero{};

inline CGFloat CGRectGetMinX(const CGRect& r) { return std::min(r.origin.x, r.origin.x + r.size.width); }
inline CGFloat CGRectGetMinY(const CGRect& r) { return std::min(r.origin.y, r.origin.y + r.size.height); }
inline CGFloat CGRectGetMaxX(const CGRect& r) { return std::max(r.origin.x, r.origin.x + r.size.width); }
inline CGFloat CGRectGetMaxY(const CGRect& r) { return std::max(r.origin.y, r.origin.y + r.size.height); }
inline CGFloat CGRectGetWidth(const CGRect& r) { return r.size.width < 0 ? -r.size.width : r.size.width; }
inline CGFloat CGRectGetHeight(const CGRect& r) { return r.size.height < 0 ? -r.size.height : r.size.height; }
inline CGFloat CGRectGetMidX(const CGRect& r) { return r.origin.x + r.size.width / 2; }
inline CGFloat CGRectGetMidY(const CGRect& r) { return r.origin.y + r.size.height / 2; }
inline bool CGRectContainsPoint(const CGRect& r, const CGPoint& p)
{
    return p.x >= CGRectGetMinX(r) && p.x < CGRectGetMaxX(r) && p.y >= CGRectGetMinY(r) && p.y < CGRectGetMaxY(r);
}

// The null rectangle: what an intersection of disjoint rectangles answers.
inline constexpr CGRect CGRectNull{{std::numeric_limits<CGFloat>::infinity(), std::numeric_limits<CGFloat>::infinity()}, {0, 0}};
inline bool CGRectIsNull(const CGRect& r) { return std::isinf(r.origin.x) || std::isinf(r.origin.y); }
inline bool CGRectIsEmpty(const CGRect& r) { return CGRectIsNull(r) || r.size.width == 0 || r.size.height == 0; }
// The same rectangle with a non-negative width and height.
inline CGRect CGRectStandardize(const CGRect& r)
{
    if (CGRectIsNull(r))
        return r;
    return CGRectMake(CGRectGetMinX(r), CGRectGetMinY(r), CGRectGetWidth(r), CGRectGetHeight(r));
}
inline CGRect CGRectIntersection(const CGRect& a, const CGRect& b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b))
        return CGRectNull;
    CGFloat x0 = std::max(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat y0 = std::max(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat x1 = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat y1 = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
    if (x1 < x0 || y1 < y0)
        return CGRectNull;
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
// The smallest rectangle with whole-number edges that contains r.
inline CGRect CGRectIntegral(const CGRect& r)
{
    if (CGRectIsNull(r))
        return r;
    CGFloat x0 = std::floor(CGRectGetMinX(r)), y0 = std::floor(CGRectGetMinY(r));
    CGFloat x1 = std::ceil(CGRectGetMaxX(r)), y1 = std::ceil(CGRectGetMaxY(r));
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
