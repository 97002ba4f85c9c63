#include <gtest/gtest.h>

#include <cmath>

#include "InkFixtures.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/NSStringDrawing.h"
#include "UIKit/UILabel.h"

namespace {

// Liberation Sans: 2048 units to the em, ascender 1854, descender 434, line gap 67.
CGFloat em(double units, CGFloat size) { return units * size / 2048.0; }
CGFloat lineHeight(CGFloat size) { return em(1854 + 434 + 67, size); }

const char* const kFox = "The quick brown fox jumps over the lazy dog";

std::shared_ptr<UILabel> makeLabel(const std::optional<std::string>& text, CGRect frame = CGRectZero)
{
    auto label = std::make_shared<UILabel>();
    label->initWithFrame(frame);
    label->setText(text);
    return label;
}

TEST(UILabel, StartsAsThePlatformsLabel)
{
    auto label = makeLabel(std::nullopt);
    EXPECT_EQ(label->text(), std::nullopt);
    EXPECT_EQ(label->attributedText(), nullptr);
    EXPECT_EQ(label->font()->fontName(), "LiberationSans");
    EXPECT_EQ(label->font()->pointSize(), 17.0);
    EXPECT_EQ(*label->textColor(), *UIColor::blackColor());
    EXPECT_EQ(label->numberOfLines(), 1);
    EXPECT_EQ(label->lineBreakMode(), NSLineBreakByTruncatingTail);
    EXPECT_EQ(label->textAlignment(), NSTextAlignmentNatural);

    label->setFont(UIFont::boldSystemFontOfSize(12));
    label->setFont(nullptr);
    EXPECT_EQ(label->font()->pointSize(), 17.0) << "nil brings the default font back";
    label->setTextColor(nullptr);
    EXPECT_EQ(*label->textColor(), *UIColor::blackColor());
    label->setNumberOfLines(-3);
    EXPECT_EQ(label->numberOfLines(), 0);

    label->setText("Hello");
    auto attributed = label->attributedText();
    ASSERT_TRUE(attributed);
    EXPECT_EQ(attributed->string(), "Hello");
    auto attributes = attributed->attributesAtIndex_effectiveRange(0);
    auto font = NSDictionaryValue<std::shared_ptr<UIFont>>(attributes, NSFontAttributeName);
    ASSERT_TRUE(font) << "plain text reads back with the label's font";
    EXPECT_EQ((*font)->pointSize(), 17.0);
    label->setText(std::nullopt);
    EXPECT_EQ(label->text(), std::nullopt);
}

TEST(UILabel, SizesAreTheMeasuredTextRoundedUp)
{
    const CGFloat foxWidth = NSStringDrawing::sizeWithAttributes(kFox, {{NSFontAttributeName, UIFont::systemFontOfSize(17)}}).width;
    struct Case {
        const char* why;
        std::optional<std::string> text;
        long lines;
        CGFloat width; // the size asked about
        CGSize expected;
    } cases[] = {
        {"one line: ceil of 38.74 x 19.55", "Hello", 1, 0, CGSizeMake(39, 20)},
        {"a one-line label does not wrap at the width", "Hello World", 1, 50, CGSizeMake(std::ceil(87.554), 20)},
        {"any number of lines wraps at the width", kFox, 0, 100, CGSizeMake(std::ceil(em(11044, 17)), std::ceil(4 * lineHeight(17)))},
        {"two lines: the second cut to fit", kFox, 2, 100, CGSizeMake(100, std::ceil(2 * lineHeight(17)))},
        {"no width: one long line", kFox, 0, 0, CGSizeMake(std::ceil(foxWidth), 20)},
        {"empty text", "", 0, 100, CGSizeZero},
        {"no text", std::nullopt, 0, 100, CGSizeZero},
    };
    for (const auto& c : cases) {
        auto label = makeLabel(c.text);
        label->setNumberOfLines(c.lines);
        CGSize size = label->sizeThatFits(CGSizeMake(c.width, 1000));
        EXPECT_EQ(size.height, c.expected.height) << c.why;
        if (c.lines == 2)
            EXPECT_LE(size.width, c.expected.width) << c.why;
        else
            EXPECT_EQ(size.width, c.expected.width) << c.why;
    }
}

TEST(UILabel, IntrinsicSizeWrapsAtThePreferredWidthThenTheBounds)
{
    auto label = makeLabel(kFox, CGRectMake(0, 0, 100, 10));
    label->setNumberOfLines(0);
    EXPECT_EQ(label->intrinsicContentSize().height, std::ceil(4 * lineHeight(17))) << "the bounds' width";
    label->setPreferredMaxLayoutWidth(1000);
    EXPECT_EQ(label->intrinsicContentSize().height, 20.0) << "the preferred width wins";

    label->setFrame(CGRectMake(12, 34, 100, 10));
    label->setPreferredMaxLayoutWidth(0);
    label->sizeToFit();
    EXPECT_EQ(label->frame(), CGRectMake(12, 34, std::ceil(em(11044, 17)), std::ceil(4 * lineHeight(17))))
        << "the origin stays; the size wraps at the old width";

    // Runs of attributed text without a font take the label's.
    auto attributed = std::make_shared<NSAttributedString>("Hello", NSDictionary{{NSForegroundColorAttributeName, UIColor::redColor()}});
    label->setAttributedText(attributed);
    label->setFont(UIFont::systemFontOfSize(34));
    EXPECT_EQ(label->intrinsicContentSize(), CGSizeMake(std::ceil(em(4667, 34)), std::ceil(lineHeight(34))));
    EXPECT_EQ(label->text(), "Hello");
    EXPECT_EQ(label->attributedText(), attributed);
}

TEST(UILabel, DrawsItsTextCentredVertically)
{
    struct Case {
        const char* why;
        NSTextAlignment alignment;
        CGFloat blockX; // where the text's line starts
    } cases[] = {
        {"left", NSTextAlignmentLeft, 0},
        {"centred", NSTextAlignmentCenter, (200 - em(4667, 17)) / 2},
        {"right", NSTextAlignmentRight, 200 - em(4667, 17)},
    };
    for (const auto& c : cases) {
        auto container = std::make_shared<UIView>();
        container->initWithFrame(CGRectMake(0, 0, 240, 100));
        auto label = makeLabel("Hello", CGRectMake(20, 10, 200, 60));
        label->setTextAlignment(c.alignment);
        container->addSubview(label);
        auto image = fixtures::render(CGSizeMake(240, 100), 2, [&] { container->drawViewHierarchyInRect_afterScreenUpdates(container->bounds(), true); });
        ASSERT_TRUE(image);
        CGRect block = CGRectMake(20 + c.blockX, 10 + (60 - lineHeight(17)) / 2, em(4667, 17), lineHeight(17));
        CGRect ink = fixtures::inkBounds(*image);
        EXPECT_TRUE(fixtures::liesWithin(ink, block, 0.5)) << c.why;
        EXPECT_GT(ink.size.width, block.size.width * 0.9) << c.why;
        // "Hello" has no descenders: its ink ends on the baseline, one ascender into the block.
        EXPECT_NEAR(CGRectGetMaxY(ink), block.origin.y + em(1854, 17), 0.5) << c.why;
    }
}

TEST(UILabel, ShrinksToFitBeforeItTruncates)
{
    auto draw = [](bool adjusts) {
        auto label = makeLabel("Hello World", CGRectMake(0, 0, 60, 30));
        label->setAdjustsFontSizeToFitWidth(adjusts);
        label->setMinimumScaleFactor(0.5);
        return fixtures::inkBounds(*fixtures::render(CGSizeMake(100, 30), 2, [&] { label->drawRect(label->bounds()); }));
    };
    CGRect shrunk = draw(true), truncated = draw(false);
    EXPECT_LE(CGRectGetMaxX(shrunk), 60.5);
    EXPECT_LE(CGRectGetMaxX(truncated), 60.5);
    EXPECT_LT(shrunk.size.height, truncated.size.height) << "smaller glyphs";
    EXPECT_GT(shrunk.size.width, truncated.size.width) << "the whole text instead of \"Hello…\"";
}

TEST(UILabel, NothingToDrawDrawsNothing)
{
    for (auto frame : {CGRectMake(0, 0, 100, 30), CGRectMake(0, 0, 0, 30), CGRectMake(0, 0, -20, -5)}) {
        for (const auto& text : {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("Hello")}) {
            auto label = makeLabel(text, frame);
            auto image = fixtures::render(CGSizeMake(100, 30), 1, [&] { label->drawRect(label->bounds()); });
            bool visible = text && !text->empty() && frame.size.width > 0;
            EXPECT_EQ(!CGRectIsNull(fixtures::inkBounds(*image)), visible) << text.value_or("<nil>") << " in " << frame.size.width;
        }
    }
    makeLabel("Hello")->drawRect(CGRectMake(0, 0, 10, 10)); // no current context
}

// The label takes its style from where the attributed text starts, so plain text set after
// it (a button's title label, a label given another's font) looks the same.
TEST(UILabel, AttributedTextGivesTheLabelItsStartingStyle)
{
    auto label = makeLabel(std::nullopt);
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setAlignment(NSTextAlignmentCenter);
    auto text = std::make_shared<NSMutableAttributedString>("Link then more");
    text->addAttributes_range({{NSFontAttributeName, UIFont::systemFontOfSize(12)},
                               {NSForegroundColorAttributeName, UIColor::redColor()},
                               {NSParagraphStyleAttributeName, std::shared_ptr<NSParagraphStyle>(style)}},
                              NSMakeRange(0, 4));
    text->addAttribute_value_range(NSFontAttributeName, UIFont::boldSystemFontOfSize(20), NSMakeRange(5, 9));
    label->setAttributedText(text);
    EXPECT_EQ(label->font()->pointSize(), 12.0);
    EXPECT_EQ(*label->textColor(), *UIColor::redColor());
    EXPECT_EQ(label->textAlignment(), NSTextAlignmentCenter);

    // Text without attributes at its start, or no text at all, leaves the style as it was.
    label->setAttributedText(NSAttributedString::attributedStringWithString("plain"));
    EXPECT_EQ(label->font()->pointSize(), 12.0);
    label->setAttributedText(nullptr);
    EXPECT_EQ(label->font()->pointSize(), 12.0);
    label->setText("again");
    EXPECT_EQ(label->font()->pointSize(), 12.0);
}

} // namespace
