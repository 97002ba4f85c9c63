#include <gtest/gtest.h>

#include "Private/Extensions/UIColor+KVNExtensions.h"

using namespace KVNExtensions;

TEST(UIColorKVNExtensions, RGBHexComponents)
{
    struct Case {
        uint32_t hex;
        float red, green, blue;
    };
    const Case cases[] = {
        {0xAFAFAF, 175 / 255.0f, 175 / 255.0f, 175 / 255.0f},
        {0xF95602, 249 / 255.0f, 86 / 255.0f, 2 / 255.0f},
        {0x000000, 0, 0, 0},
        {0xFFFFFF, 1, 1, 1},
        {0xFF123456, 0x12 / 255.0f, 0x34 / 255.0f, 0x56 / 255.0f}, // bits above 23 are ignored
    };
    for (const auto& c : cases) {
        auto color = colorWithRGBHex(c.hex);
        EXPECT_DOUBLE_EQ(color->red(), c.red) << std::hex << c.hex;
        EXPECT_DOUBLE_EQ(color->green(), c.green) << std::hex << c.hex;
        EXPECT_DOUBLE_EQ(color->blue(), c.blue) << std::hex << c.hex;
        EXPECT_EQ(color->alpha(), 1.0);
    }
}

TEST(UIColorKVNExtensions, BrightnessOffsetIsClamped)
{
    struct Case {
        CGFloat brightness;
        double offset;
        CGFloat expected;
    };
    const Case cases[] = {
        {0.9, 0.2, 1.0},
        {0.1, -0.2, 0.0},
        {0.5, -0.02, 0.48},
        {0.5, 0.0, 0.5},
    };
    for (const auto& c : cases) {
        auto color = UIColor::colorWithHue_saturation_brightness_alpha(0.25, 0.6, c.brightness, 0.7);
        auto adjusted = colorByAdjustingBrightnessWithOffset(color, c.offset);
        CGFloat h, s, b, a;
        adjusted->getHue_saturation_brightness_alpha(&h, &s, &b, &a);
        EXPECT_NEAR(b, c.expected, 1e-9) << c.brightness << " + " << c.offset;
        if (c.expected > 0) { // black has no hue or saturation of its own
            EXPECT_NEAR(h, 0.25, 1e-9) << "hue kept";
            EXPECT_NEAR(s, 0.6, 1e-9) << "saturation kept";
        }
        EXPECT_NEAR(a, 0.7, 1e-9) << "alpha kept";
    }
    // White made darker keeps its greyness: the panel shade of the upload screen.
    auto shade = colorByAdjustingBrightnessWithOffset(UIColor::whiteColor(), -0.02);
    EXPECT_NEAR(shade->red(), 0.98, 1e-9);
    EXPECT_NEAR(shade->blue(), 0.98, 1e-9);
    EXPECT_EQ(colorByAdjustingBrightnessWithOffset(nullptr, 0.1), nullptr);
}
