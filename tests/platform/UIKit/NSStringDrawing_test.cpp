#include <gtest/gtest.h>

#include <cfloat>

#include "InkFixtures.h"
#include "UIKit/NSStringDrawing.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

namespace {

// Liberation Sans: 2048 units to the em, ascender 1854, descender 434, line gap 67.
CGFloat em(double units, CGFloat size) { return units * size / 2048.0; }
CGFloat lineHeight(CGFloat size) { return em(1854 + 434 + 67, size); }

const char* const kFox = "The quick brown fox jumps over the lazy dog";

NSDictionary attributes(CGFloat size, NSLineBreakMode mode = NSLineBreakByWordWrapping)
{
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setLineBreakMode(mode);
    return {{NSFontAttributeName, UIFont::systemFontOfSize(size)}, {NSParagraphStyleAttributeName, std::shared_ptr<NSParagraphStyle>(style)}};
}

TEST(NSStringDrawing, BoundingRectFollowsTheOptionsAndTheLineBreakMode)
{
    const CGFloat helloWidth = em(1479 + 1139 + 455 + 455 + 1139, 17);
    struct Case {
        const char* why;
        const char* text;
        CGSize size;
        NSStringDrawingOptions options;
        NSLineBreakMode mode;
        CGRect expected;
    } cases[] = {
        {"line fragments: the box's top left", "Hello", CGSizeMake(300, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin,
         NSLineBreakByWordWrapping, CGRectMake(0, 0, helloWidth, lineHeight(17))},
        {"without: one line around its baseline", "Hello\nHello", CGSizeMake(10, 10), 0, NSLineBreakByWordWrapping,
         CGRectMake(0, -em(1854, 17), helloWidth, lineHeight(17))},
        {"wrapping at the width, unlimited height", kFox, CGSizeMake(100, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin,
         NSLineBreakByWordWrapping, CGRectMake(0, 0, em(11044, 17), 4 * lineHeight(17))},
        {"the height limits nothing without truncating the last line", kFox, CGSizeMake(100, 20), NSStringDrawingUsesLineFragmentOrigin,
         NSLineBreakByWordWrapping, CGRectMake(0, 0, em(11044, 17), 4 * lineHeight(17))},
        {"with it, only the lines that fit", kFox, CGSizeMake(100, 40),
         NSStringDrawingUsesLineFragmentOrigin | NSStringDrawingTruncatesLastVisibleLine, NSLineBreakByWordWrapping,
         CGRectMake(0, 0, 0, 2 * lineHeight(17))},
        {"a truncating mode keeps each paragraph on one line", kFox, CGSizeMake(100, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin,
         NSLineBreakByTruncatingTail, CGRectMake(0, 0, 0, lineHeight(17))},
        {"so does clipping", "Hello World\nHello", CGSizeMake(50, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin, NSLineBreakByClipping,
         CGRectMake(0, 0, 50, 2 * lineHeight(17))},
    };
    for (const auto& c : cases) {
        CGRect rect = NSStringDrawing::boundingRectWithSize_options_attributes_context(c.text, c.size, c.options, attributes(17, c.mode), nullptr);
        EXPECT_NEAR(rect.origin.x, c.expected.origin.x, 0.01) << c.why;
        EXPECT_NEAR(rect.origin.y, c.expected.origin.y, 0.01) << c.why;
        if (c.expected.size.width > 0)
            EXPECT_NEAR(rect.size.width, c.expected.size.width, 0.01) << c.why;
        else
            EXPECT_LE(rect.size.width, c.size.width) << c.why;
        EXPECT_NEAR(rect.size.height, c.expected.size.height, 0.01) << c.why;
    }
}

TEST(NSStringDrawing, AttributedAndPlainTextMeasureAlike)
{
    NSAttributedString attributed(kFox, attributes(12));
    CGRect plain = NSStringDrawing::boundingRectWithSize_options_attributes_context(kFox, CGSizeMake(120, FLT_MAX),
                                                                                    NSStringDrawingUsesLineFragmentOrigin, attributes(12), nullptr);
    EXPECT_EQ(NSStringDrawing::boundingRectWithSize_options_context(attributed, CGSizeMake(120, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin,
                                                                  nullptr),
              plain);
    // Without a font, text is in the system font at 12.
    EXPECT_EQ(NSStringDrawing::boundingRectWithSize_options_attributes_context(kFox, CGSizeMake(120, FLT_MAX),
                                                                               NSStringDrawingUsesLineFragmentOrigin, {}, nullptr),
              plain);
    CGSize hello = NSStringDrawing::sizeWithAttributes("Hello", attributes(17));
    EXPECT_NEAR(hello.width, em(4667, 17), 0.01);
    EXPECT_NEAR(hello.height, lineHeight(17), 0.01);
    EXPECT_EQ(NSStringDrawing::size(NSAttributedString("Hello", attributes(17))), NSStringDrawing::sizeWithAttributes("Hello", attributes(17)));
    EXPECT_EQ(NSStringDrawing::sizeWithAttributes("", attributes(17)), CGSizeZero);
}

TEST(NSStringDrawing, ContextAsksForShrinkingAndReportsTheScale)
{
    auto context = std::make_shared<NSStringDrawingContext>();
    context->setMinimumScaleFactor(0.5);
    CGRect rect = NSStringDrawing::boundingRectWithSize_options_attributes_context(
        "Hello World", CGSizeMake(60, 30), NSStringDrawingUsesLineFragmentOrigin | NSStringDrawingTruncatesLastVisibleLine,
        attributes(17, NSLineBreakByTruncatingTail), context);
    EXPECT_LT(context->actualScaleFactor(), 1.0);
    EXPECT_GE(context->actualScaleFactor(), 0.5);
    EXPECT_LE(rect.size.width, 60);
    EXPECT_EQ(context->totalBounds(), rect);
}

TEST(NSStringDrawing, DrawingCoversWhatWasMeasured)
{
    struct Case {
        const char* why;
        CGRect rect;
        NSStringDrawingOptions options;
    } cases[] = {
        {"line fragments, wrapped", CGRectMake(10, 8, 120, FLT_MAX), NSStringDrawingUsesLineFragmentOrigin},
        {"baseline origin, one line", CGRectMake(10, 30, 120, 0), 0},
        {"lines limited by the height", CGRectMake(4, 4, 120, 45), NSStringDrawingUsesLineFragmentOrigin | NSStringDrawingTruncatesLastVisibleLine},
    };
    for (const auto& c : cases) {
        auto context = std::make_shared<NSStringDrawingContext>();
        auto image = fixtures::render(CGSizeMake(300, 120), 2, [&] {
            NSStringDrawing::drawWithRect_options_attributes_context(kFox, c.rect, c.options, attributes(15), context);
        });
        ASSERT_TRUE(image);
        CGRect measured = NSStringDrawing::boundingRectWithSize_options_attributes_context(kFox, c.rect.size, c.options, attributes(15), nullptr);
        measured.origin.x += c.rect.origin.x;
        measured.origin.y += c.rect.origin.y;
        EXPECT_EQ(context->totalBounds(), measured) << c.why;
        CGRect ink = fixtures::inkBounds(*image);
        ASSERT_FALSE(CGRectIsNull(ink)) << c.why;
        EXPECT_TRUE(fixtures::liesWithin(ink, measured, 0.5)) << c.why;
        EXPECT_GT(ink.size.width, measured.size.width * 0.9) << c.why;
    }
    // Nothing to draw into: nothing happens.
    NSStringDrawing::drawInRect_withAttributes("Hello", CGRectMake(0, 0, 100, 20), attributes(12));
}

} // namespace
