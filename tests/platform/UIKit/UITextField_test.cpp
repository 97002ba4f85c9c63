#include <gtest/gtest.h>

#include "InkFixtures.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UITextField.h"

namespace {

// A field whose text sits 10 points in from the left and right, as the chat field's does.
class InsetField : public UITextField {
public:
    CGRect textRectForBounds(CGRect bounds) const override
    {
        return CGRectMake(bounds.origin.x + 10, bounds.origin.y, bounds.size.width - 20, bounds.size.height);
    }
};

// Ink of the field drawn alone, and the colour of its darkest pixel (0xAARRGGBB).
struct FieldInk {
    CGRect bounds;
    uint32_t darkest = 0;
};

FieldInk drawField(const std::shared_ptr<UITextField>& field)
{
    auto image = fixtures::render(CGSizeMake(200, 40), 2, [&] { field->drawRect(field->bounds()); });
    FieldInk ink{fixtures::inkBounds(*image)};
    int best = 1 << 30;
    auto cg = image->CGImage();
    for (size_t y = 0; y < cg->height(); ++y)
        for (size_t x = 0; x < cg->width(); ++x) {
            uint32_t p = cg->pixelAt(x, y);
            int alpha = int(p >> 24), sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
            if (alpha == 0xFF && sum < best) {
                best = sum;
                ink.darkest = p;
            }
        }
    return ink;
}

template <class Field = UITextField>
std::shared_ptr<Field> makeField()
{
    auto field = std::make_shared<Field>();
    field->initWithFrame(CGRectMake(0, 0, 200, 40));
    return field;
}

TEST(UITextField, PlaceholdersPlainAndAttributedReplaceEachOther)
{
    auto field = makeField();
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(field->font()->pointSize(), 17.0);
    field->setPlaceholder("Code");
    ASSERT_TRUE(field->attributedPlaceholder());
    EXPECT_EQ(field->attributedPlaceholder()->string(), "Code");
    field->setAttributedPlaceholder(std::make_shared<NSAttributedString>("E-mail"));
    EXPECT_EQ(field->placeholder(), "E-mail");
    field->setPlaceholder(std::nullopt);
    EXPECT_EQ(field->attributedPlaceholder(), nullptr);
    field->setFont(nullptr);
    EXPECT_EQ(field->font()->pointSize(), 17.0);
}

TEST(UITextField, DrawsTheTextOrElseThePlaceholder)
{
    struct Case {
        const char* why;
        std::optional<std::string> text;
        std::optional<std::string> placeholder;
        std::shared_ptr<UIColor> placeholderColor; // attributed placeholder in this colour
        uint32_t darkest;                          // 0: nothing drawn
    } cases[] = {
        {"the text in the text colour", "12345", "Code", nullptr, 0xFF000000},
        {"an empty field shows the placeholder in grey", "", "Code", nullptr, 0xFFB3B3B3},
        {"an attributed placeholder keeps its colour", "", std::nullopt, UIColor::redColor(), 0xFFFF0000},
        {"nothing to show", "", std::nullopt, nullptr, 0},
    };
    for (const auto& c : cases) {
        auto field = makeField();
        field->setText(c.text);
        field->setPlaceholder(c.placeholder);
        if (c.placeholderColor)
            field->setAttributedPlaceholder(std::make_shared<NSAttributedString>(
                "Phone", NSDictionary{{NSForegroundColorAttributeName, c.placeholderColor}}));
        FieldInk ink = drawField(field);
        if (!c.darkest) {
            EXPECT_TRUE(CGRectIsNull(ink.bounds)) << c.why;
            continue;
        }
        EXPECT_EQ(ink.darkest, c.darkest) << c.why;
        EXPECT_NEAR(CGRectGetMidY(ink.bounds), 20, 4) << c.why << ": centred vertically";
    }
}

TEST(UITextField, TextStaysInItsRectangle)
{
    auto field = makeField<InsetField>();
    field->setText("A text much longer than the field is wide, clipped at its edge");
    CGRect ink = drawField(field).bounds;
    EXPECT_GE(ink.origin.x, 10.0);
    EXPECT_LE(CGRectGetMaxX(ink), 190.5);
    EXPECT_GT(CGRectGetMaxX(ink), 185.0) << "clipped, not cut short";

    field->setTextAlignment(NSTextAlignmentRight);
    field->setText("42");
    EXPECT_NEAR(CGRectGetMaxX(drawField(field).bounds), 190, 1.5);
}

} // namespace
