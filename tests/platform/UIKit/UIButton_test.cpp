#include "UIKitTestFixture.h"

#include "Foundation/NSAttributedString.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"

namespace {

std::shared_ptr<UIImage> solidImage(CGSize size, const std::shared_ptr<UIColor>& color)
{
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), color->CGColor());
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, size.width, size.height));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

// The view drawn on white, through a PNG and back, as a person would see the screen.
std::shared_ptr<UIImage> snapshot(const std::shared_ptr<UIView>& view)
{
    CGSize size = view->bounds().size;
    UIGraphicsBeginImageContextWithOptions(size, true, 1);
    CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), UIColor::whiteColor()->CGColor());
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, size.width, size.height));
    view->drawViewHierarchyInRect_afterScreenUpdates(CGRectMake(0, 0, size.width, size.height), true);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    auto png = UIImagePNGRepresentation(image);
    return png ? UIImage::imageWithData(*png) : nullptr;
}

uint32_t pixel(const std::shared_ptr<UIImage>& image, size_t x, size_t y) { return image->CGImage()->pixelAt(x, y); }

// Whether the rectangle holds a pixel of about the colour (each channel within 24).
bool hasPixelNear(const std::shared_ptr<UIImage>& image, CGRect rect, uint32_t rgb)
{
    for (size_t y = size_t(rect.origin.y); y < size_t(CGRectGetMaxY(rect)); ++y)
        for (size_t x = size_t(rect.origin.x); x < size_t(CGRectGetMaxX(rect)); ++x) {
            uint32_t p = pixel(image, x, y);
            bool near = true;
            for (int shift : {0, 8, 16})
                near = near && std::abs(int((p >> shift) & 0xFF) - int((rgb >> shift) & 0xFF)) <= 24;
            if (near)
                return true;
        }
    return false;
}

} // namespace

class UIButtonTest : public UIKitTest {};

TEST_F(UIButtonTest, EachStateDrawsItsOwnLook)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(0, 0, 120, 40));
    button->setBackgroundImage_forState(solidImage(CGSizeMake(4, 4), UIColor::redColor()), UIControlStateNormal);
    button->setBackgroundImage_forState(solidImage(CGSizeMake(4, 4), UIColor::blueColor()), UIControlStateSelected);
    button->setTitle_forState("Go", UIControlStateNormal);
    button->setTitleColor_forState(UIColor::blackColor(), UIControlStateNormal);
    button->setTitleColor_forState(UIColor::greenColor(), UIControlStateHighlighted);
    button->titleLabel()->setFont(UIFont::boldSystemFontOfSize(24));

    struct Case {
        const char* why;
        bool highlighted, enabled, selected;
        uint32_t corner; // the background at a corner
        uint32_t titleInk; // a colour found where the title is drawn
    };
    const Case cases[] = {
        {"normal", false, true, false, 0xFFFF0000, 0x000000},
        {"pressed: the background darkens, the title takes its own colour", true, true, false, 0xFFB30000, 0x00FF00},
        {"disabled: the background lightens", false, false, false, 0xFFFF8080, 0x000000},
        {"selected: its own background, shown as it is", false, true, true, 0xFF0000FF, 0x000000},
    };
    for (const auto& c : cases) {
        button->setEnabled(c.enabled);
        button->setSelected(c.selected);
        button->setHighlighted(c.highlighted);
        auto image = snapshot(button);
        ASSERT_TRUE(image) << c.why;
        EXPECT_EQ(pixel(image, 1, 1), c.corner) << c.why;
        EXPECT_EQ(pixel(image, 118, 38), c.corner) << c.why;
        CGRect title = button->titleLabel()->frame();
        EXPECT_TRUE(hasPixelNear(image, title, c.titleInk)) << c.why;
        EXPECT_FALSE(hasPixelNear(image, CGRectMake(0, 0, 20, 40), c.titleInk)) << c.why << ": the title stays centred";
    }
}

TEST_F(UIButtonTest, ValuesFallBackToTheNormalState)
{
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setTitle_forState("Send", UIControlStateNormal);
    button->setTitle_forState("Sending", UIControlStateDisabled);
    EXPECT_EQ(button->titleForState(UIControlStateHighlighted), "Send");
    button->setEnabled(false);
    EXPECT_EQ(button->currentTitle(), "Sending");
    EXPECT_EQ(button->titleLabel()->text(), "Sending");
    EXPECT_EQ(*button->currentTitleColor(), *UIColor::colorWithWhite_alpha(0.55, 1)) << "a system button greys when disabled";
    EXPECT_EQ(button->accessibilityLabel(), "Sending") << "assistive technology reads what is shown";
    EXPECT_EQ(button->accessibilityTraits(), UIAccessibilityTraitButton | UIAccessibilityTraitNotEnabled);
    EXPECT_TRUE(button->isAccessibilityElement());
    button->setEnabled(true);
    EXPECT_EQ(*button->currentTitleColor(), *button->tintColor());
    button->setTintColor(UIColor::redColor());
    EXPECT_EQ(*button->titleLabel()->textColor(), *UIColor::redColor()) << "the title follows the tint";

    // An attributed title wins over the plain one and keeps its own colours.
    auto attributed = std::make_shared<NSAttributedString>("Link", NSDictionary{{NSForegroundColorAttributeName, UIColor::greenColor()}});
    button->setAttributedTitle_forState(attributed, UIControlStateNormal);
    EXPECT_EQ(button->currentTitle(), "Link");
    EXPECT_EQ(button->titleLabel()->attributedText(), attributed);
    button->setAttributedTitle_forState(nullptr, UIControlStateNormal);
    EXPECT_EQ(button->currentTitle(), "Send");
}

TEST_F(UIButtonTest, NaturalSizeAndPlacementFollowTheTextLayoutAndInsets)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setTitle_forState("Continue", UIControlStateNormal);
    auto font = UIFont::systemFontOfSize(17);
    button->titleLabel()->setFont(font);
    button->setImage_forState(solidImage(CGSizeMake(20, 10), UIColor::blackColor()), UIControlStateNormal);
    button->setContentEdgeInsets(UIEdgeInsetsMake(10, 15, 10, 15));

    Text::LayoutOptions options;
    options.defaultFont = font;
    CGRect text = Text::TextLayout(NSAttributedString("Continue"), options).usedRect();
    CGSize size = button->intrinsicContentSize();
    EXPECT_EQ(size.width, std::ceil(30 + 20 + std::ceil(text.size.width)));
    EXPECT_EQ(size.height, std::ceil(20 + std::ceil(text.size.height)));

    // Laid out at its natural size, image and title sit side by side inside the insets;
    // their own insets shift them apart without changing the natural size.
    button->setImageEdgeInsets(UIEdgeInsetsMake(0, -4, 0, 4));
    button->setTitleEdgeInsets(UIEdgeInsetsMake(0, 4, 0, -4));
    EXPECT_EQ(button->intrinsicContentSize(), size);
    button->setFrame(CGRectMake(0, 0, size.width + 100, size.height));
    button->layoutIfNeeded();
    CGRect image = button->imageView()->frame();
    CGRect title = button->titleLabel()->frame();
    EXPECT_NEAR(image.origin.x, 15 + 50 - 4, 0.5) << "centred in the extra 100 points, shifted left by 4";
    EXPECT_NEAR(CGRectGetMinX(title) - CGRectGetMaxX(image), 8, 1e-9);
    EXPECT_NEAR(CGRectGetMidY(image), size.height / 2, 1e-9);

    button->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    button->setContentVerticalAlignment(UIControlContentVerticalAlignmentTop);
    button->layoutIfNeeded();
    EXPECT_EQ(button->imageView()->frame().origin, CGPointMake(15 - 4, 10));

    // Too narrow: the title gives way, the image stays whole.
    button->setFrame(CGRectMake(0, 0, 60, size.height));
    button->layoutIfNeeded();
    EXPECT_EQ(button->imageView()->frame().size, CGSizeMake(20, 10));
    EXPECT_LE(button->titleLabel()->frame().size.width, 60 - 30 - 20 + 1e-9);
}

TEST_F(UIButtonTest, ATitleAllowedSeveralLinesWrapsWithinTheButton)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setTitle_forState("I have read the terms and conditions", UIControlStateNormal);
    button->setFrame(CGRectMake(0, 0, 120, 100));
    button->layoutIfNeeded();
    const CGRect oneLine = button->titleLabel()->frame();

    button->titleLabel()->setNumberOfLines(0);
    button->setNeedsLayout();
    button->layoutIfNeeded();
    const CGRect wrapped = button->titleLabel()->frame();
    EXPECT_LE(wrapped.size.width, 120);
    EXPECT_GT(wrapped.size.height, 2 * oneLine.size.height - 1) << "the lines the label wraps into get their room";
    EXPECT_NEAR(CGRectGetMidY(wrapped), 50, 0.5);
}

TEST_F(UIButtonTest, PressingShadesTheImageUnlessTheStateHasItsOwn)
{
    auto screen = showBlankScreen();
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(10, 10, 100, 40));
    button->setImage_forState(solidImage(CGSizeMake(10, 10), UIColor::redColor()), UIControlStateNormal);
    screen.view->addSubview(button);
    int taps = 0;
    button->addTarget_action_forControlEvents(
        nullptr, [&](const std::shared_ptr<UIControl>&) { ++taps; }, UIControlEventTouchUpInside);

    Automation::Finger finger(screen.window);
    finger.down(CGPointMake(20, 20)); // on the image view: it lets the touch through to the button
    EXPECT_EQ(button->imageView()->shade(), UIImageView::Shade::Darkened);
    finger.up();
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(button->imageView()->shade(), UIImageView::Shade::None);

    button->setAdjustsImageWhenHighlighted(false);
    button->setHighlighted(true);
    EXPECT_EQ(button->imageView()->shade(), UIImageView::Shade::None);
    button->setAdjustsImageWhenHighlighted(true);
    button->setImage_forState(solidImage(CGSizeMake(10, 10), UIColor::blueColor()), UIControlStateHighlighted);
    EXPECT_EQ(button->imageView()->shade(), UIImageView::Shade::None);
    button->setHighlighted(false);
    button->setEnabled(false);
    EXPECT_EQ(button->imageView()->shade(), UIImageView::Shade::Lightened);
}
