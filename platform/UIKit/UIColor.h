#pragma once
// A colour: red, green, blue and alpha in 0..1 (values outside are clamped), made from RGB,
// from a white level or from hue, saturation and brightness. Immutable and shared, usable
// from any thread. Two colours are equal when every component differs by less than half of
// 1/255, i.e. when they give the same 8-bit pixel.
#include <memory>
#include <string>

#include "CoreGraphics/CGColor.h"

class UIColor {
public:
    UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, bool gray = false);

    static std::shared_ptr<UIColor> colorWithRed_green_blue_alpha(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithWhite_alpha(CGFloat white, CGFloat alpha);
    // Hue 0..1 around the colour wheel (1 is red again).
    static std::shared_ptr<UIColor> colorWithHue_saturation_brightness_alpha(CGFloat hue, CGFloat saturation,
                                                                              CGFloat brightness, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithCGColor(const CGColorRef& color);

    static std::shared_ptr<UIColor> blackColor();
    static std::shared_ptr<UIColor> whiteColor();
    static std::shared_ptr<UIColor> clearColor();
    static std::shared_ptr<UIColor> grayColor();      // white 0.5
    static std::shared_ptr<UIColor> lightGrayColor(); // white 2/3
    static std::shared_ptr<UIColor> darkGrayColor();  // white 1/3
    static std::shared_ptr<UIColor> redColor();
    static std::shared_ptr<UIColor> greenColor();
    static std::shared_ptr<UIColor> blueColor();

    // Each pointer may be null. All answer true: every colour converts.
    bool getRed_green_blue_alpha(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const;
    // Hue 0..1 (0 for greys), saturation and brightness 0..1.
    bool getHue_saturation_brightness_alpha(CGFloat* hue, CGFloat* saturation, CGFloat* brightness, CGFloat* alpha) const;
    // A grey's own level; for other colours their luminance (0.2126 R + 0.7152 G + 0.0722 B).
    bool getWhite_alpha(CGFloat* white, CGFloat* alpha) const;

    std::shared_ptr<UIColor> colorWithAlphaComponent(CGFloat alpha) const;
    CGColorRef CGColor() const;

    bool isEqual(const UIColor& other) const;
    bool operator==(const UIColor& other) const { return isEqual(other); }
    // "UIExtendedSRGBColorSpace r g b a", or "UIExtendedGrayColorSpace w a" for greys.
    std::string description() const;

    CGFloat red() const { return m_red; }
    CGFloat green() const { return m_green; }
    CGFloat blue() const { return m_blue; }
    CGFloat alpha() const { return m_alpha; }

private:
    CGFloat m_red, m_green, m_blue, m_alpha;
    bool m_gray;
};
