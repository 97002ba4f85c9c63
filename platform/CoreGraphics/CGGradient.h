#pragma once
// A colour gradient: colours at locations 0..1, drawn by CGContextDrawLinearGradient and
// CGContextDrawRadialGradient.
// Immutable, shared, usable from any thread.
#include <memory>
#include <vector>

#include "CoreGraphics/CGColor.h"

class CGGradient {
public:
    struct Stop {
        CGFloat location;
        CGColorRef color;
    };
    explicit CGGradient(std::vector<Stop> stops) : m_stops(std::move(stops)) {}
    const std::vector<Stop>& stops() const { return m_stops; }

private:
    std::vector<Stop> m_stops;
};

using CGGradientRef = std::shared_ptr<CGGradient>;

// `locations` empty: the colours spread evenly from 0 to 1. nullptr when there are no
// colours, a colour is null, or the two lists differ in length.
CGGradientRef CGGradientCreateWithColors(const CGColorSpaceRef& space, const std::vector<CGColorRef>& colors,
                                         const std::vector<CGFloat>& locations = {});
