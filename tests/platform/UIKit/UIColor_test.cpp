#include <gtest/gtest.h>

#include <cmath>

#include "UIKit/UIColor.h"

namespace {

struct RGB {
    double r, g, b;
};

TEST(UIColor, HexComponentsSurviveAsEightBitValues)
{
    // 0xAFAFAF as the theme builds it: each byte divided by 255 in single precision.
    auto c = UIColor::colorWithRed_green_blue_alpha(175 / 255.0f, 175 / 255.0f, 175 / 255.0f, 1);
    CGFloat r, g, b, a;
    ASSERT_TRUE(c->getRed_green_blue_alpha(&r, &g, &b, &a));
    EXPECT_EQ(std::lround(r * 255), 175);
    EXPECT_EQ(std::lround(g * 255), 175);
    EXPECT_EQ(std::lround(b * 255), 175);
    EXPECT_EQ(a, 1.0);
    EXPECT_TRUE(c->isEqual(*UIColor::colorWithRed_green_blue_alpha(175 / 255.0, 175 / 255.0, 175 / 255.0, 1)))
        << "float and double division give the same colour";
    EXPECT_TRUE(c->getRed_green_blue_alpha(nullptr, nullptr, nullptr, nullptr)) << "null out-parameters are skipped";
}

TEST(UIColor, HueSaturationBrightnessFromRGB)
{
    struct Case {
        const char* why;
        RGB rgb;
        double h, s, v;
    } cases[] = {
        {"red is hue 0", {1, 0, 0}, 0, 1, 1},
        {"green a third round", {0, 1, 0}, 1.0 / 3, 1, 1},
        {"blue two thirds round", {0, 0, 1}, 2.0 / 3, 1, 1},
        {"magenta five sixths: hue stays positive", {1, 0, 1}, 5.0 / 6, 1, 1},
        {"greys have no hue and no saturation", {175 / 255.0, 175 / 255.0, 175 / 255.0}, 0, 0, 175 / 255.0},
        {"black", {0, 0, 0}, 0, 0, 0},
        {"a dark muted red", {0.5, 0.25, 0.25}, 0, 0.5, 0.5},
        {"brand orange 0xF95602", {0xF9 / 255.0, 0x56 / 255.0, 0x02 / 255.0}, (0x56 - 0x02) / double(0xF9 - 0x02) / 6,
         (0xF9 - 0x02) / double(0xF9), 0xF9 / 255.0},
    };
    for (const auto& c : cases) {
        auto color = UIColor::colorWithRed_green_blue_alpha(c.rgb.r, c.rgb.g, c.rgb.b, 0.5);
        CGFloat h, s, v, a;
        ASSERT_TRUE(color->getHue_saturation_brightness_alpha(&h, &s, &v, &a)) << c.why;
        EXPECT_NEAR(h, c.h, 1e-9) << c.why;
        EXPECT_NEAR(s, c.s, 1e-9) << c.why;
        EXPECT_NEAR(v, c.v, 1e-9) << c.why;
        EXPECT_EQ(a, 0.5) << c.why;
        // And back: the colour rebuilt from its HSB is the same colour.
        auto back = UIColor::colorWithHue_saturation_brightness_alpha(h, s, v, a);
        EXPECT_NEAR(back->red(), c.rgb.r, 1e-9) << c.why;
        EXPECT_NEAR(back->green(), c.rgb.g, 1e-9) << c.why;
        EXPECT_NEAR(back->blue(), c.rgb.b, 1e-9) << c.why;
    }
}

TEST(UIColor, ComponentsAreClampedAndHueWraps)
{
    auto bright = UIColor::colorWithHue_saturation_brightness_alpha(0, 0, 1.2, 1);
    EXPECT_TRUE(bright->isEqual(*UIColor::whiteColor())) << "brightness above 1 is 1";
    auto dark = UIColor::colorWithHue_saturation_brightness_alpha(0.3, 1, -0.1, 1);
    EXPECT_TRUE(dark->isEqual(*UIColor::blackColor())) << "brightness below 0 is 0";
    EXPECT_TRUE(UIColor::colorWithHue_saturation_brightness_alpha(1, 1, 1, 1)->isEqual(*UIColor::redColor())) << "hue 1 is red again";
    auto odd = UIColor::colorWithRed_green_blue_alpha(1.5, -1, NAN, 2);
    EXPECT_EQ(odd->red(), 1.0);
    EXPECT_EQ(odd->green(), 0.0);
    EXPECT_EQ(odd->blue(), 0.0);
    EXPECT_EQ(odd->alpha(), 1.0);
}

TEST(UIColor, WhiteLevelsAlphaAndCGColor)
{
    CGFloat w = -1, a = -1;
    UIColor::lightGrayColor()->getWhite_alpha(&w, &a);
    EXPECT_NEAR(w, 2.0 / 3, 1e-12);
    EXPECT_EQ(a, 1.0);
    UIColor::redColor()->getWhite_alpha(&w, nullptr);
    EXPECT_NEAR(w, 0.2126, 1e-12) << "colours answer their luminance";
    UIColor::clearColor()->getWhite_alpha(nullptr, &a);
    EXPECT_EQ(a, 0.0);

    auto tinted = UIColor::colorWithRed_green_blue_alpha(0.1, 0.2, 0.3, 1)->colorWithAlphaComponent(0.55);
    auto cg = tinted->CGColor();
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->red(), 0.1);
    EXPECT_EQ(cg->blue(), 0.3);
    EXPECT_EQ(cg->alpha(), 0.55);
    EXPECT_TRUE(UIColor::colorWithCGColor(cg)->isEqual(*tinted));
}

TEST(UIColor, EqualWhenTheyGiveTheSamePixel)
{
    auto base = UIColor::colorWithRed_green_blue_alpha(175 / 255.0, 0, 0, 1);
    EXPECT_TRUE(base->isEqual(*UIColor::colorWithRed_green_blue_alpha(175.3 / 255.0, 0, 0, 1)));
    EXPECT_FALSE(base->isEqual(*UIColor::colorWithRed_green_blue_alpha(176 / 255.0, 0, 0, 1))) << "one 8-bit step apart";
    EXPECT_FALSE(base->isEqual(*base->colorWithAlphaComponent(0.5)));
    EXPECT_TRUE(*UIColor::colorWithWhite_alpha(1, 1) == *UIColor::colorWithRed_green_blue_alpha(1, 1, 1, 1))
        << "a grey and the same RGB colour are equal";
}

TEST(UIColor, Description)
{
    EXPECT_EQ(UIColor::colorWithRed_green_blue_alpha(1, 0.5, 0, 1)->description(), "UIExtendedSRGBColorSpace 1 0.5 0 1");
    EXPECT_EQ(UIColor::colorWithWhite_alpha(0.5, 0.25)->description(), "UIExtendedGrayColorSpace 0.5 0.25");
}

} // namespace
