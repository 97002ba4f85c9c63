#include "CoreGraphics/CGPath.h"

#include <algorithm>
#include <cmath>

namespace {

// How far along the tangent the control points of a quarter ellipse stand.
constexpr CGFloat kKappa = 0.5522847498;

bool finite(CGRect r, CGFloat a = 0, CGFloat b = 0)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) && std::isfinite(r.size.height) &&
        std::isfinite(a) && std::isfinite(b);
}

class Builder {
public:
    explicit Builder(const CGAffineTransform* transform) : m_transform(transform ? *transform : CGAffineTransformIdentity) {}
    void move(CGFloat x, CGFloat y) { add(CGPath::Element::Move, {{x, y}}); }
    void line(CGFloat x, CGFloat y) { add(CGPath::Element::Line, {{x, y}}); }
    void curve(CGPoint c1, CGPoint c2, CGPoint end) { add(CGPath::Element::Curve, {c1, c2, end}); }
    void close() { m_elements.push_back({CGPath::Element::Close, {}}); }
    CGPathRef build() { return std::make_shared<CGPath>(std::move(m_elements)); }

    // A quarter ellipse from the current corner's start to its end, bulging away from `corner`'s opposite.
    void quarter(CGPoint from, CGPoint to, CGPoint corner)
    {
        curve(CGPointMake(from.x + (corner.x - from.x) * kKappa, from.y + (corner.y - from.y) * kKappa),
              CGPointMake(to.x + (corner.x - to.x) * kKappa, to.y + (corner.y - to.y) * kKappa), to);
    }

private:
    void add(CGPath::Element::Kind kind, std::initializer_list<CGPoint> points)
    {
        CGPath::Element element{kind, {}};
        size_t i = 0;
        for (const auto& p : points)
            element.points[i++] = CGPointApplyAffineTransform(p, m_transform);
        m_elements.push_back(element);
    }

    CGAffineTransform m_transform;
    std::vector<CGPath::Element> m_elements;
};

} // namespace

CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform)
{
    return CGPathCreateWithRoundedRect(rect, 0, 0, transform);
}

CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight, const CGAffineTransform* transform)
{
    if (!finite(rect, cornerWidth, cornerHeight) || CGRectIsNull(rect))
        return nullptr;
    rect = CGRectStandardize(rect);
    CGFloat rx = std::clamp<CGFloat>(cornerWidth, 0, rect.size.width / 2), ry = std::clamp<CGFloat>(cornerHeight, 0, rect.size.height / 2);
    CGFloat x0 = rect.origin.x, y0 = rect.origin.y, x1 = x0 + rect.size.width, y1 = y0 + rect.size.height;
    Builder b(transform);
    b.move(x0 + rx, y0);
    b.line(x1 - rx, y0);
    if (rx > 0 && ry > 0)
        b.quarter({x1 - rx, y0}, {x1, y0 + ry}, {x1, y0});
    b.line(x1, y1 - ry);
    if (rx > 0 && ry > 0)
        b.quarter({x1, y1 - ry}, {x1 - rx, y1}, {x1, y1});
    b.line(x0 + rx, y1);
    if (rx > 0 && ry > 0)
        b.quarter({x0 + rx, y1}, {x0, y1 - ry}, {x0, y1});
    b.line(x0, y0 + ry);
    if (rx > 0 && ry > 0)
        b.quarter({x0, y0 + ry}, {x0 + rx, y0}, {x0, y0});
    b.close();
    return b.build();
}

CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform)
{
    if (!finite(rect) || CGRectIsNull(rect))
        return nullptr;
    rect = CGRectStandardize(rect);
    return CGPathCreateWithRoundedRect(rect, rect.size.width / 2, rect.size.height / 2, transform);
}

CGRect CGPathGetBoundingBox(const CGPathRef& path)
{
    if (!path)
        return CGRectNull;
    bool any = false;
    CGFloat x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const auto& element : path->elements()) {
        int count = element.kind == CGPath::Element::Curve ? 3 : element.kind == CGPath::Element::Close ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            CGPoint p = element.points[i];
            x0 = any ? std::min(x0, p.x) : p.x;
            y0 = any ? std::min(y0, p.y) : p.y;
            x1 = any ? std::max(x1, p.x) : p.x;
            y1 = any ? std::max(y1, p.y) : p.y;
            any = true;
        }
    }
    return any ? CGRectMake(x0, y0, x1 - x0, y1 - y0) : CGRectNull;
}
