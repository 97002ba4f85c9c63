#pragma once
// A 2-D affine transform: a point (x, y) maps to (a x + c y + tx, b x + d y + ty). Every
// builder that takes a transform t puts its own step before t: CGAffineTransformTranslate(t,
// ...) translates the point first, then applies t, as contexts do with their CTM. Plain
// values, usable from any thread.
#include <cmath>

#include "CoreGraphics/CGGeometry.h"

struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool operator==(const CGAffineTransform&) const = default;
};

inline constexpr CGAffineTransform CGAffineTransformIdentity{};

inline constexpr CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx, CGFloat ty)
{
    return {a, b, c, d, tx, ty};
}
inline constexpr CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) { return {1, 0, 0, 1, tx, ty}; }
inline constexpr CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) { return {sx, 0, 0, sy, 0, 0}; }
inline CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle)
{
    CGFloat s = std::sin(angle), c = std::cos(angle);
    return {c, s, -s, c, 0, 0};
}

// t1 then t2.
inline constexpr CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1, const CGAffineTransform& t2)
{
    return {t1.a * t2.a + t1.b * t2.c,
            t1.a * t2.b + t1.b * t2.d,
            t1.c * t2.a + t1.d * t2.c,
            t1.c * t2.b + t1.d * t2.d,
            t1.tx * t2.a + t1.ty * t2.c + t2.tx,
            t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
inline constexpr CGAffineTransform CGAffineTransformTranslate(const CGAffineTransform& t, CGFloat tx, CGFloat ty)
{
    return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t);
}
inline constexpr CGAffineTransform CGAffineTransformScale(const CGAffineTransform& t, CGFloat sx, CGFloat sy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}
inline CGAffineTransform CGAffineTransformRotate(const CGAffineTransform& t, CGFloat angle)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
}
// A transform that cannot be inverted comes back unchanged.
inline CGAffineTransform CGAffineTransformInvert(const CGAffineTransform& t)
{
    CGFloat det = t.a * t.d - t.b * t.c;
    if (det == 0 || !std::isfinite(det))
        return t;
    return {t.d / det, -t.b / det, -t.c / det, t.a / det, (t.c * t.ty - t.d * t.tx) / det, (t.b * t.tx - t.a * t.ty) / det};
}
inline constexpr bool CGAffineTransformIsIdentity(const CGAffineTransform& t) { return t == CGAffineTransformIdentity; }
inline constexpr bool CGAffineTransformEqualToTransform(const CGAffineTransform& t1, const CGAffineTransform& t2) { return t1 == t2; }

inline constexpr CGPoint CGPointApplyAffineTransform(const CGPoint& p, const CGAffineTransform& t)
{
    return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
inline constexpr CGSize CGSizeApplyAffineTransform(const CGSize& s, const CGAffineTransform& t)
{
    return {t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height};
}
namespace kvn {

// The smallest rectangle holding the four corners of `r`, each moved by `map`.
template <typename Map>
CGRect boxAroundMappedCorners(const CGRect& r, const Map& map)
{
    CGPoint p[4] = {map(CGPoint{CGRectGetMinX(r), CGRectGetMinY(r)}), map(CGPoint{CGRectGetMaxX(r), CGRectGetMinY(r)}),
                    map(CGPoint{CGRectGetMinX(r), CGRectGetMaxY(r)}), map(CGPoint{CGRectGetMaxX(r), CGRectGetMaxY(r)})};
    CGFloat x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const auto& q : p) {
        x0 = std::min(x0, q.x);
        x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y);
        y1 = std::max(y1, q.y);
    }
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

} // namespace kvn

// The bounding box of the transformed corners.
inline CGRect CGRectApplyAffineTransform(const CGRect& r, const CGAffineTransform& t)
{
    if (CGRectIsNull(r))
        return r;
    return kvn::boxAroundMappedCorners(r, [&](CGPoint p) { return CGPointApplyAffineTransform(p, t); });
}
