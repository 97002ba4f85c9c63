#pragma once
// A layer that fills its bounds with a linear gradient: colours at locations (0..1, spread
// evenly when none are given) along the line from startPoint to endPoint, both in unit
// coordinates of the bounds ((0, 0) top left, (1, 1) bottom right). The end colours extend
// beyond both ends. Used as a backdrop and, through its alpha, as a fading mask.
// Main thread only.
#include <vector>

#include "UIKit/CALayer.h"

class CAGradientLayer : public CALayer {
public:
    static std::shared_ptr<CAGradientLayer> layer() { return std::make_shared<CAGradientLayer>(); }

    const std::vector<CGColorRef>& colors() const { return m_colors; }
    // Null colours are dropped.
    void setColors(std::vector<CGColorRef> colors);
    const std::vector<CGFloat>& locations() const { return m_locations; }
    // Ignored in drawing unless there is one per colour.
    void setLocations(std::vector<CGFloat> locations) { m_locations = std::move(locations); }
    CGPoint startPoint() const { return m_startPoint; }
    void setStartPoint(CGPoint point) { m_startPoint = point; }
    CGPoint endPoint() const { return m_endPoint; }
    void setEndPoint(CGPoint point) { m_endPoint = point; }

    void drawInContext(const CGContextRef& context) override;

private:
    std::vector<CGColorRef> m_colors;
    std::vector<CGFloat> m_locations;
    CGPoint m_startPoint = CGPointMake(0.5, 0);
    CGPoint m_endPoint = CGPointMake(0.5, 1);
};
