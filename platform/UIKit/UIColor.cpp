#include "UIKit/UIColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

CGFloat unit(CGFloat v)
{
    if (std::isnan(v))
        return 0;
    return std::clamp(v, CGFloat(0), CGFloat(1));
}

std::shared_ptr<UIColor> gray(CGFloat white) { return std::make_shared<UIColor>(white, white, white, 1, true); }

} // namespace

UIColor::UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, bool gray)
    : m_red(unit(red))
    , m_green(unit(green))
    , m_blue(unit(blue))
    , m_alpha(unit(alpha))
    , m_gray(gray)
{
}

std::shared_ptr<UIColor> UIColor::colorWithRed_green_blue_alpha(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<UIColor>(red, green, blue, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithWhite_alpha(CGFloat white, CGFloat alpha)
{
    return std::make_shared<UIColor>(white, white, white, alpha, true);
}

std::shared_ptr<UIColor> UIColor::colorWithHue_saturation_brightness_alpha(CGFloat hue, CGFloat saturation, CGFloat brightness,
                                                                          CGFloat alpha)
{
    CGFloat h = std::isfinite(hue) ? hue - std::floor(hue) : 0;
    CGFloat s = unit(saturation), v = unit(brightness);
    CGFloat sector = h * 6;
    int i = int(std::floor(sector)) % 6;
    CGFloat f = sector - std::floor(sector);
    CGFloat p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    CGFloat r, g, b;
    switch (i) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    return std::make_shared<UIColor>(r, g, b, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithCGColor(const CGColorRef& color)
{
    if (!color)
        return nullptr;
    return std::make_shared<UIColor>(color->red(), color->green(), color->blue(), color->alpha());
}

std::shared_ptr<UIColor> UIColor::blackColor() { return gray(0); }
std::shared_ptr<UIColor> UIColor::whiteColor() { return gray(1); }
std::shared_ptr<UIColor> UIColor::clearColor() { return std::make_shared<UIColor>(0, 0, 0, 0, true); }
std::shared_ptr<UIColor> UIColor::grayColor() { return gray(0.5); }
std::shared_ptr<UIColor> UIColor::lightGrayColor() { return gray(2.0 / 3.0); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return gray(1.0 / 3.0); }
std::shared_ptr<UIColor> UIColor::redColor() { return colorWithRed_green_blue_alpha(1, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::greenColor() { return colorWithRed_green_blue_alpha(0, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::blueColor() { return colorWithRed_green_blue_alpha(0, 0, 1, 1); }

bool UIColor::getRed_green_blue_alpha(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const
{
    if (red)
        *red = m_red;
    if (green)
        *green = m_green;
    if (blue)
        *blue = m_blue;
    if (alpha)
        *alpha = m_alpha;
    return true;
}

bool UIColor::getHue_saturation_brightness_alpha(CGFloat* hue, CGFloat* saturation, CGFloat* brightness, CGFloat* alpha) const
{
    CGFloat max = std::max({m_red, m_green, m_blue});
    CGFloat min = std::min({m_red, m_green, m_blue});
    CGFloat delta = max - min;
    CGFloat h = 0;
    if (delta > 0) {
        if (max == m_red)
            h = (m_green - m_blue) / delta;
        else if (max == m_green)
            h = 2 + (m_blue - m_red) / delta;
        else
            h = 4 + (m_red - m_green) / delta;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    if (hue)
        *hue = h;
    if (saturation)
        *saturation = max > 0 ? delta / max : 0;
    if (brightness)
        *brightness = max;
    if (alpha)
        *alpha = m_alpha;
    return true;
}

bool UIColor::getWhite_alpha(CGFloat* white, CGFloat* alpha) const
{
    if (white)
        *white = m_gray ? m_red : unit(0.2126 * m_red + 0.7152 * m_green + 0.0722 * m_blue);
    if (alpha)
        *alpha = m_alpha;
    return true;
}

std::shared_ptr<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const
{
    return std::make_shared<UIColor>(m_red, m_green, m_blue, alpha, m_gray);
}

CGColorRef UIColor::CGColor() const { return CGColorCreateSRGB(m_red, m_green, m_blue, m_alpha); }

bool UIColor::isEqual(const UIColor& other) const
{
    constexpr CGFloat tolerance = 0.5 / 255;
    return std::abs(m_red - other.m_red) < tolerance && std::abs(m_green - other.m_green) < tolerance
        && std::abs(m_blue - other.m_blue) < tolerance && std::abs(m_alpha - other.m_alpha) < tolerance;
}

std::string UIColor::description() const
{
    char text[128];
    if (m_gray)
        std::snprintf(text, sizeof text, "UIExtendedGrayColorSpace %g %g", m_red, m_alpha);
    else
        std::snprintf(text, sizeof text, "UIExtendedSRGBColorSpace %g %g %g %g", m_red, m_green, m_blue, m_alpha);
    return text;
}
