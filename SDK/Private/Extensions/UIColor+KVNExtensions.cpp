#include "Private/Extensions/UIColor+KVNExtensions.h"

#include <algorithm>

namespace KVNExtensions {

std::shared_ptr<UIColor> colorWithRGBHex(uint32_t hex)
{
    // The components are single-precision on purpose: colours compare against values made
    // the same way elsewhere.
    float red = static_cast<float>((hex >> 16) & 0xFF) / 255.0f;
    float green = static_cast<float>((hex >> 8) & 0xFF) / 255.0f;
    float blue = static_cast<float>(hex & 0xFF) / 255.0f;
    return UIColor::colorWithRed_green_blue_alpha(red, green, blue, 1.0);
}

std::shared_ptr<UIColor> colorByAdjustingBrightnessWithOffset(const std::shared_ptr<UIColor>& color, double offset)
{
    if (!color)
        return nullptr;
    CGFloat hue = 0, saturation = 0, brightness = 0, alpha = 0;
    color->getHue_saturation_brightness_alpha(&hue, &saturation, &brightness, &alpha);
    brightness = std::clamp<CGFloat>(brightness + offset, 0.0, 1.0);
    return UIColor::colorWithHue_saturation_brightness_alpha(hue, saturation, brightness, alpha);
}

} // namespace KVNExtensions
