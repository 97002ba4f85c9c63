#include <gtest/gtest.h>

#include <pango/pangocairo.h>

#include "UIKit/UIFont.h"

namespace {

TEST(UIFont, NamedFontsExistOnlyWhenInstalled)
{
    struct Case {
        const char* why;
        const char* name;
        const char* fontName; // nullptr: no font
        int weight;
    } cases[] = {
        {"PostScript name of an installed face", "LiberationSans-Bold", "LiberationSans-Bold", 700},
        {"family name: its upright regular face", "Liberation Sans", "LiberationSans", 400},
        {"full name", "Liberation Serif Italic", "LiberationSerif-Italic", 400},
        {"the theme's medium fallback name is not installed here", "HelveticaNeue-Medium", nullptr, 0},
        {"nor the light one", "HelveticaNeue-Light", nullptr, 0},
        {"a family that is only an alias", "Helvetica", nullptr, 0},
        {"empty name", "", nullptr, 0},
    };
    for (const auto& c : cases) {
        auto font = UIFont::fontWithName_size(c.name, 15);
        if (!c.fontName) {
            EXPECT_EQ(font, nullptr) << c.why;
            continue;
        }
        ASSERT_TRUE(font) << c.why;
        EXPECT_EQ(font->fontName(), c.fontName) << c.why;
        EXPECT_EQ(font->weight(), c.weight) << c.why;
        EXPECT_EQ(font->pointSize(), 15.0) << c.why;
    }
}

TEST(UIFont, SystemFontIsLiberationSansInTheNearestFace)
{
    struct Case {
        const char* why;
        std::shared_ptr<UIFont> font;
        const char* fontName;
        int weight;
    } cases[] = {
        {"regular", UIFont::systemFontOfSize(17), "LiberationSans", 400},
        {"bold", UIFont::boldSystemFontOfSize(17), "LiberationSans-Bold", 700},
        {"medium asks for 500 and gets the regular face", UIFont::systemFontOfSize_weight(17, UIFontWeightMedium), "LiberationSans", 500},
        {"light asks for 300 and gets the regular face", UIFont::systemFontOfSize_weight(17, UIFontWeightLight), "LiberationSans", 300},
        {"semibold is nearer to bold", UIFont::systemFontOfSize_weight(17, UIFontWeightSemibold), "LiberationSans-Bold", 600},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.font) << c.why;
        EXPECT_EQ(c.font->familyName(), "Liberation Sans") << c.why;
        EXPECT_EQ(c.font->fontName(), c.fontName) << c.why;
        EXPECT_EQ(c.font->weight(), c.weight) << c.why;
        EXPECT_EQ(c.font->pointSize(), 17.0) << c.why;
    }
    EXPECT_EQ(UIFont::systemFontOfSize(17)->fontWithSize(11)->pointSize(), 11.0);
    EXPECT_EQ(UIFont::systemFontOfSize(-3)->pointSize(), 0.0) << "a nonsense size is not passed to Pango";
}

TEST(UIFont, PangoLoadsTheFaceTheFontNames)
{
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    for (const auto& font : {UIFont::systemFontOfSize(14), UIFont::boldSystemFontOfSize(14), UIFont::fontWithName_size("LiberationSans-Bold", 14)}) {
        ASSERT_TRUE(font);
        const auto wanted = font->newPangoFontDescription();
        EXPECT_TRUE(pango_font_description_get_size_is_absolute(wanted.get()));
        EXPECT_EQ(pango_font_description_get_size(wanted.get()), 14 * PANGO_SCALE);
        PangoFont* loaded = pango_font_map_load_font(map, context, wanted.get());
        ASSERT_TRUE(loaded);
        PangoFontDescription* got = pango_font_describe(loaded);
        EXPECT_STREQ(pango_font_description_get_family(got), "Liberation Sans") << font->description();
        EXPECT_EQ(pango_font_description_get_weight(got) >= PANGO_WEIGHT_BOLD, font->fontName() == "LiberationSans-Bold") << font->description();
        pango_font_description_free(got);
        g_object_unref(loaded);
    }
    g_object_unref(context);
}

} // namespace
