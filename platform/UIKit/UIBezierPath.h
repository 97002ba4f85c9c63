#pragma once
// An outline for drawing and shadows, made from a rectangle, a rounded rectangle or an oval;
// its CGPath is what layers take. Immutable once made; any thread.
#include <memory>

#include "CoreGraphics/CGPath.h"

class UIBezierPath {
public:
    explicit UIBezierPath(CGPathRef path) : m_path(std::move(path)) {}

    static std::shared_ptr<UIBezierPath> bezierPathWithRect(CGRect rect);
    static std::shared_ptr<UIBezierPath> bezierPathWithRoundedRect_cornerRadius(CGRect rect, CGFloat cornerRadius);
    static std::shared_ptr<UIBezierPath> bezierPathWithOvalInRect(CGRect rect);

    // nullptr when the path was made of values that are not finite.
    CGPathRef CGPath() const { return m_path; }
    CGRect bounds() const { return CGPathGetBoundingBox(m_path); }

private:
    CGPathRef m_path;
};
