#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "InkFixtures.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

namespace {

using Text::LayoutOptions;
using Text::TextLayout;
using Text::Truncation;
using Text::Wrapping;

// Liberation Sans (regular and bold) has 2048 units to the em; its horizontal header says
// ascender 1854, descender 434, line gap 67. Advances below are from its hmtx table.
CGFloat em(double units, CGFloat size) { return units * size / 2048.0; }
constexpr double kAscender = 1854, kDescender = 434, kLineGap = 67;
// Pango keeps positions in 1/1024 pt: a glyph may be off by half of that.
constexpr CGFloat kTolerance = 0.01;

std::shared_ptr<UIFont> regular(CGFloat size) { return UIFont::systemFontOfSize(size); }
std::shared_ptr<UIFont> bold(CGFloat size) { return UIFont::boldSystemFontOfSize(size); }

NSAttributedString text(const std::string& string, const std::shared_ptr<UIFont>& font = regular(17))
{
    return NSAttributedString(string, {{NSFontAttributeName, font}});
}

std::vector<std::string> lineTexts(const TextLayout& layout)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < layout.numberOfLines(); ++i)
        lines.push_back(layout.textOfLine(i));
    return lines;
}

const char* const kFox = "The quick brown fox jumps over the lazy dog";

TEST(TextLayout, OneLineMeasuresTheFacesAdvancesAndLineHeight)
{
    struct Case {
        const char* why;
        const char* string;
        std::shared_ptr<UIFont> font;
        double advanceUnits;
    } cases[] = {
        {"H e l l o", "Hello", regular(17), 1479 + 1139 + 455 + 455 + 1139},
        {"C a n c e l", "Cancel", regular(17), 1479 + 1139 + 1139 + 1024 + 1139 + 455},
        {"the bold face has its own advances", "Cancel", bold(17), 1479 + 1139 + 1251 + 1139 + 1139 + 569},
        {"tabular digits, 1139 each", "0123456789", regular(12), 10 * 1139},
        {"the ellipsis is one em", "\xE2\x80\xA6", regular(17), 2048},
        {"a trailing blank at the end of the text counts", "a b ", regular(17), 1139 + 569 + 1139 + 569},
        {"a size of its own", "Hello", regular(31.5), 1479 + 1139 + 455 + 455 + 1139},
    };
    for (const auto& c : cases) {
        TextLayout layout(text(c.string, c.font), {});
        CGFloat size = c.font->pointSize();
        ASSERT_EQ(layout.numberOfLines(), 1u) << c.why;
        EXPECT_NEAR(layout.usedRect().size.width, em(c.advanceUnits, size), kTolerance) << c.why;
        EXPECT_NEAR(layout.usedRect().size.height, em(kAscender + kDescender + kLineGap, size), kTolerance) << c.why;
        EXPECT_NEAR(layout.firstBaseline(), em(kAscender, size), kTolerance) << c.why;
        EXPECT_EQ(layout.usedRect().origin, CGPointZero) << c.why;
    }
}

TEST(TextLayout, PairsAreKernedAsTheFaceSays)
{
    // "AV" sits tighter than its two advances: the face's kerning applies, as on the platform.
    TextLayout kerned(text("AV"), {});
    EXPECT_LT(kerned.usedRect().size.width, em(1366 + 1366, 17) - 0.5);
}

TEST(TextLayout, LinesBreakAtTheWidth)
{
    struct Case {
        const char* why;
        const char* string;
        CGFloat width;
        Wrapping wrapping;
        std::vector<std::string> lines;
    } cases[] = {
        {"unbounded: one line", kFox, Text::Unbounded, Wrapping::Word, {kFox}},
        {"greedy word wrapping; the blank at a break hangs", kFox, 100, Wrapping::Word,
         {"The quick ", "brown fox ", "jumps over ", "the lazy dog"}},
        {"a word longer than the line breaks between characters", "Hello", 20, Wrapping::Word, {"H", "ell", "o"}},
        {"character wrapping fills each line", "Hello World", 40, Wrapping::Character, {"Hello ", "Worl", "d"}},
        {"line breaks start paragraphs", "One\nTwo", Text::Unbounded, Wrapping::Word, {"One", "Two"}},
        {"a final line break leaves an empty last line", "One\n", Text::Unbounded, Wrapping::Word, {"One", ""}},
        {"no wrapping: a paragraph is one line however wide", "Hello World\nx", 20, Wrapping::None, {"Hello World", "x"}},
    };
    for (const auto& c : cases) {
        LayoutOptions options;
        options.width = c.width;
        options.wrapping = c.wrapping;
        TextLayout layout(text(c.string), options);
        EXPECT_EQ(lineTexts(layout), c.lines) << c.why;
        EXPECT_NEAR(layout.usedRect().size.height, c.lines.size() * em(kAscender + kDescender + kLineGap, 17), kTolerance) << c.why;
        if (c.wrapping != Wrapping::None) {
            EXPECT_LE(layout.usedRect().size.width, c.width) << c.why;
        }
    }
}

TEST(TextLayout, WrappedWidthIsTheWidestLineWithoutItsHangingBlank)
{
    LayoutOptions options;
    options.width = 100;
    TextLayout layout(text(kFox), options);
    // "the lazy dog" is the widest of the four lines.
    EXPECT_NEAR(layout.usedRect().size.width, em(569 + 1139 + 1139 + 569 + 455 + 1139 + 1024 + 1024 + 569 + 1139 + 1139 + 1139, 17),
                kTolerance);
}

TEST(TextLayout, TruncationKeepsWhatFitsAroundAnEllipsis)
{
    struct Case {
        const char* why;
        const char* string;
        CGFloat width;
        Wrapping wrapping;
        long lines;
        CGFloat height;
        Truncation truncation;
        std::vector<std::string> shown;
        bool truncated = true;
    } cases[] = {
        {"tail: the blank before the cut goes", "Hello World", 60, Wrapping::None, 0, Text::Unbounded, Truncation::Tail, {"Hello\xE2\x80\xA6"}},
        {"head", "Hello World", 60, Wrapping::None, 0, Text::Unbounded, Truncation::Head, {"\xE2\x80\xA6orld"}},
        {"middle: as much before the cut as after, one more before", "Hello World", 60, Wrapping::None, 0, Text::Unbounded,
         Truncation::Middle, {"Hel\xE2\x80\xA6ld"}},
        {"a line that fits is left alone", "Hello", 60, Wrapping::None, 0, Text::Unbounded, Truncation::Tail, {"Hello"}, false},
        {"each paragraph is cut on its own", "Hello World\nHello World", 60, Wrapping::None, 0, Text::Unbounded, Truncation::Tail,
         {"Hello\xE2\x80\xA6", "Hello\xE2\x80\xA6"}},
        {"no truncation: the line is clipped, not cut", "Hello World", 60, Wrapping::None, 0, Text::Unbounded, Truncation::None,
         {"Hello World"}, true},
        {"a line limit cuts the last line shown, which takes the rest of the text", kFox, 100, Wrapping::Word, 2, Text::Unbounded,
         Truncation::Tail, {"The quick ", "brown fox j\xE2\x80\xA6"}},
        {"a line limit without truncation drops the rest", kFox, 100, Wrapping::Word, 2, Text::Unbounded, Truncation::None,
         {"The quick ", "brown fox "}},
        {"the height keeps two lines of 19.55", kFox, 100, Wrapping::Word, 0, 40, Truncation::Tail, {"The quick ", "brown fox j\xE2\x80\xA6"}},
        {"the first line stays however low the box", kFox, 100, Wrapping::Word, 0, 5, Truncation::Tail, {"The quick\xE2\x80\xA6"}},
        {"text left out in later paragraphs shows as an ellipsis", "One\nTwo\nThree", Text::Unbounded, Wrapping::Word, 2,
         Text::Unbounded, Truncation::Tail, {"One", "Two\xE2\x80\xA6"}},
        {"a box narrower than the ellipsis shows the ellipsis alone", "Hello", 3, Wrapping::None, 0, Text::Unbounded, Truncation::Tail,
         {"\xE2\x80\xA6"}},
    };
    for (const auto& c : cases) {
        LayoutOptions options;
        options.width = c.width;
        options.wrapping = c.wrapping;
        options.maximumNumberOfLines = c.lines;
        options.height = c.height;
        options.truncation = c.truncation;
        TextLayout layout(text(c.string), options);
        EXPECT_EQ(lineTexts(layout), c.shown) << c.why;
        EXPECT_EQ(layout.isTruncated(), c.truncated) << c.why;
        if (c.width > 10) {
            EXPECT_LE(layout.usedRect().size.width, c.width) << c.why << ": the measured width never exceeds the box";
        }
    }
}

TEST(TextLayout, ShrinksUpToTheMinimumScaleToFit)
{
    struct Case {
        const char* why;
        CGFloat width;
        CGFloat minimumScale;
        CGFloat expectedScale; // 0: between the minimum and 1, fitting tightly
        bool truncated;
    } cases[] = {
        {"fits at full size", 200, 0.5, 1, false},
        {"shrinks just enough", 70, 0.5, 0, false},
        {"not below the minimum; then truncates", 30, 0.5, 0.5, true},
        {"a minimum of 1 never shrinks", 70, 1, 1, true},
        {"a minimum of 0 never shrinks", 70, 0, 1, true},
    };
    const CGFloat natural = TextLayout(text("Hello World"), {}).usedRect().size.width;
    for (const auto& c : cases) {
        LayoutOptions options;
        options.width = c.width;
        options.wrapping = Wrapping::None;
        options.truncation = Truncation::Tail;
        options.minimumScaleFactor = c.minimumScale;
        TextLayout layout(text("Hello World"), options);
        EXPECT_EQ(layout.isTruncated(), c.truncated) << c.why;
        if (c.expectedScale > 0) {
            EXPECT_DOUBLE_EQ(layout.scaleFactor(), c.expectedScale) << c.why;
        } else {
            EXPECT_NEAR(layout.scaleFactor(), c.width / natural, 0.002) << c.why;
            EXPECT_LE(layout.usedRect().size.width, c.width) << c.why;
            EXPECT_NEAR(layout.usedRect().size.height, em(kAscender + kDescender + kLineGap, 17 * layout.scaleFactor()), kTolerance)
                << c.why << ": the line shrinks with the font";
        }
    }
}

TEST(TextLayout, ParagraphStyleSpacesIndentsAndAligns)
{
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setLineSpacing(5);
    style->setHeadIndent(20);
    NSAttributedString spaced(kFox, {{NSFontAttributeName, regular(17)}, {NSParagraphStyleAttributeName, std::shared_ptr<NSParagraphStyle>(style)}});
    LayoutOptions options;
    options.width = 130;
    TextLayout layout(spaced, options);
    // The hanging indent: lines after the first start 20 in and have 20 less room.
    EXPECT_EQ(lineTexts(TextLayout(text(kFox), options)), (std::vector<std::string>{"The quick brown ", "fox jumps over ", "the lazy dog"}));
    EXPECT_EQ(lineTexts(layout), (std::vector<std::string>{"The quick brown ", "fox jumps ", "over the lazy ", "dog"}));
    EXPECT_EQ(layout.usedRect().origin.x, 0.0);
    EXPECT_NEAR(layout.usedRect().size.height, 4 * em(kAscender + kDescender + kLineGap, 17) + 3 * 5, kTolerance)
        << "line spacing lies between lines, not after the last";

    struct Case {
        NSTextAlignment alignment;
        CGFloat x;
    } cases[] = {
        {NSTextAlignmentLeft, 0},
        {NSTextAlignmentNatural, 0},
        {NSTextAlignmentCenter, (200 - em(4667, 17)) / 2},
        {NSTextAlignmentRight, 200 - em(4667, 17)},
    };
    for (const auto& c : cases) {
        LayoutOptions aligned;
        aligned.width = 200;
        aligned.alignment = c.alignment;
        TextLayout hello(text("Hello"), aligned);
        EXPECT_NEAR(hello.usedRect().origin.x, c.x, kTolerance) << c.alignment;
    }
}

TEST(TextLayout, BadInputLaysOutSafely)
{
    struct Case {
        const char* why;
        std::string string;
        CGFloat width;
        CGFloat height;
        size_t lines;
    } cases[] = {
        {"empty text: no lines, nothing used", "", 100, Text::Unbounded, 0},
        {"ill-formed UTF-8 shows replacement characters", std::string("a\xFF\xC0z"), Text::Unbounded, Text::Unbounded, 1},
        {"a NUL byte", std::string("a\0b", 3), Text::Unbounded, Text::Unbounded, 1},
        {"zero width is unbounded", "Hello World", 0, Text::Unbounded, 1},
        {"negative width is unbounded", "Hello World", -50, Text::Unbounded, 1},
        {"NaN width is unbounded", "Hello World", NAN, Text::Unbounded, 1},
        {"a huge width", "Hello World", 1e30, 1e30, 1},
        {"the largest float as height", "Hello World", 100, FLT_MAX, 1},
        {"negative height is unbounded", "Hello World", 40, -1, 3},
    };
    for (const auto& c : cases) {
        LayoutOptions options;
        options.width = c.width;
        options.height = c.height;
        options.truncation = Truncation::Tail;
        TextLayout layout(text(c.string), options);
        EXPECT_EQ(layout.numberOfLines(), c.lines) << c.why;
        EXPECT_TRUE(std::isfinite(layout.usedRect().size.width) && std::isfinite(layout.usedRect().size.height)) << c.why;
        auto image = fixtures::render(CGSizeMake(50, 30), 1, [&] { layout.drawAtPoint(UIGraphicsGetCurrentContext(), CGPointMake(0, 0)); });
        EXPECT_TRUE(image) << c.why;
    }
    TextLayout empty(text(""), {});
    EXPECT_EQ(empty.usedRect(), CGRectZero);
    EXPECT_EQ(empty.firstBaseline(), 0.0);

    // A font of no size and one of an absurd size neither crash nor give endless numbers.
    for (CGFloat size : {0.0, 1e9}) {
        TextLayout layout(text("Hello", regular(size)), {});
        EXPECT_TRUE(std::isfinite(layout.usedRect().size.width)) << size;
    }
    // A layout drawn into no context does nothing.
    TextLayout hello(text("Hello"), {});
    hello.drawAtPoint(nullptr, CGPointZero);
}

TEST(TextLayout, InkLiesWithinTheMeasuredRectangle)
{
    struct Case {
        const char* why;
        const char* string;
        CGFloat width;
        Truncation truncation;
        long lines;
        NSTextAlignment alignment;
    } cases[] = {
        {"one line", "Hello, World", Text::Unbounded, Truncation::None, 0, NSTextAlignmentLeft},
        {"wrapped lines", kFox, 100, Truncation::None, 0, NSTextAlignmentLeft},
        {"centred lines", kFox, 150, Truncation::None, 0, NSTextAlignmentCenter},
        {"right-aligned lines", kFox, 150, Truncation::None, 0, NSTextAlignmentRight},
        {"descenders and a truncated last line", "jumpy quirky gypsy jigs", 90, Truncation::Tail, 2, NSTextAlignmentLeft},
    };
    const CGPoint origin = CGPointMake(7, 5);
    for (const auto& c : cases) {
        LayoutOptions options;
        options.width = c.width;
        options.truncation = c.truncation;
        options.maximumNumberOfLines = c.lines;
        options.alignment = c.alignment;
        TextLayout layout(text(c.string), options);
        auto image = fixtures::render(CGSizeMake(220, 120), 2, [&] { layout.drawAtPoint(UIGraphicsGetCurrentContext(), origin); });
        ASSERT_TRUE(image);
        CGRect ink = fixtures::inkBounds(*image);
        CGRect measured = layout.usedRect();
        measured.origin.x += origin.x;
        measured.origin.y += origin.y;
        ASSERT_FALSE(CGRectIsNull(ink)) << c.why;
        // Anti-aliasing may touch the pixel next to an edge: half a point of slack.
        EXPECT_TRUE(fixtures::liesWithin(ink, measured, 0.5))
            << c.why << ": ink " << ink.origin.x << "," << ink.origin.y << " " << ink.size.width << "x" << ink.size.height << " measured "
            << measured.origin.x << "," << measured.origin.y << " " << measured.size.width << "x" << measured.size.height;
        EXPECT_GT(ink.size.width, measured.size.width * 0.9) << c.why << ": the measure is not just generous";
        EXPECT_GT(ink.size.height, measured.size.height * 0.6) << c.why;
    }
}

TEST(TextLayout, DrawsInTheRunsColoursWithTheirUnderlines)
{
    NSMutableAttributedString mixed("Red Blue", {{NSFontAttributeName, regular(20)}});
    mixed.addAttribute_value_range(NSForegroundColorAttributeName, UIColor::redColor(), NSMakeRange(0, 3));
    mixed.addAttribute_value_range(NSForegroundColorAttributeName, UIColor::blueColor(), NSMakeRange(4, 4));
    mixed.addAttribute_value_range(NSUnderlineStyleAttributeName, long(NSUnderlineStyleSingle), NSMakeRange(4, 4));
    TextLayout layout(mixed, {});
    auto image = fixtures::render(CGSizeMake(100, 30), 1, [&] { layout.drawAtPoint(UIGraphicsGetCurrentContext(), CGPointZero); });
    ASSERT_TRUE(image);
    auto cg = image->CGImage();
    int red = 0, blue = 0, other = 0;
    size_t baselineRow = size_t(std::lround(layout.firstBaseline()));
    size_t underlined = 0, underlinedRed = 0;
    for (size_t y = 0; y < cg->height(); ++y)
        for (size_t x = 0; x < cg->width(); ++x) {
            uint32_t p = cg->pixelAt(x, y);
            if ((p >> 24) != 0xFF)
                continue;
            uint32_t r = (p >> 16) & 0xFF, b = p & 0xFF;
            (r > 0xF0 && b < 0x10 ? red : b > 0xF0 && r < 0x10 ? blue : other)++;
            // Just below the baseline, where "Red" and "Blue" have no descenders: only underline.
            if (y > baselineRow && y <= baselineRow + 2)
                (r > 0xF0 ? underlinedRed : underlined)++;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 20);
    EXPECT_EQ(other, 0) << "solid pixels are in one of the two colours";
    EXPECT_GT(underlined, 25u) << "\"Blue\" is underlined across its width";
    EXPECT_EQ(underlinedRed, 0u) << "\"Red\" is not";
}

} // namespace
