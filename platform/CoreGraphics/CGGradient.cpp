#include "CoreGraphics/CGGradient.h"

CGGradientRef CGGradientCreateWithColors(const CGColorSpaceRef& space, const std::vector<CGColorRef>& colors,
                                         const std::vector<CGFloat>& locations)
{
    if (colors.empty() || (!locations.empty() && locations.size() != colors.size()))
        return nullptr;
    std::vector<CGGradient::Stop> stops;
    for (size_t i = 0; i < colors.size(); ++i) {
        if (!colors[i])
            return nullptr;
        CGFloat location = !locations.empty() ? locations[i] : colors.size() == 1 ? 0 : CGFloat(i) / CGFloat(colors.size() - 1);
        stops.push_back({location, colors[i]});
    }
    return std::make_shared<CGGradient>(std::move(stops));
}
