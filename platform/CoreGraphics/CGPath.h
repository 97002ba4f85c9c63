#pragma once
// An immutable outline in user space: moves, lines, cubic curves and closes, made from a
// rectangle, a rounded rectangle or an ellipse, and added to a context's path for filling
// or stroking. Shared and read-only, so usable from any thread.
#include <memory>
#include <vector>

#include "CoreGraphics/CGAffineTransform.h"
#include "CoreGraphics/CGGeometry.h"

class CGPath {
public:
    struct Element {
        enum Kind { Move, Line, Curve, Close } kind;
        CGPoint points[3]; // Move and Line use the first, Curve all three (two controls, the end)
    };

    explicit CGPath(std::vector<Element> elements) : m_elements(std::move(elements)) {}
    const std::vector<Element>& elements() const { return m_elements; }

private:
    std::vector<Element> m_elements;
};

using CGPathRef = std::shared_ptr<const CGPath>;

// Each maps its points through `transform` when one is given. nullptr for a rectangle or
// radius that is not finite.
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform);
// Corner radii are held to half the rectangle's sides.
CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight, const CGAffineTransform* transform);
// The smallest rectangle holding every point of the path, control points included;
// CGRectNull for an empty path.
CGRect CGPathGetBoundingBox(const CGPathRef& path);
