#pragma once
// Points, sizes and rectangles in points (or pixels where a bitmap says so). Plain values,
// usable from any thread.
#include <algorithm>

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
