#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "../../../../platform/UIKit/Snapshot.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNErrorView.h"
#include "Private/UIElements/KVNLabel.h"
#include "ThemedUIKitTest.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIBlurEffect.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIVibrancyEffect.h"

using fixtures::makeView;
using fixtures::pixel;
using fixtures::snapshot;
using fixtures::Stripes;

namespace {

using DecorativeViewsTest = ThemedUIKitTest;

TEST_F(DecorativeViewsTest, BlurredViewDrawsItsContentSharpOverABlurredBackground)
{
    auto root = std::make_shared<Stripes>();
    root->initWithFrame(CGRectMake(0, 0, 160, 100));
    auto blurred = std::make_shared<KVNBlurredView>();
    blurred->initWithFrame(CGRectMake(20, 20, 120, 60));
    root->addSubview(blurred);
    ASSERT_TRUE(blurred->contentView());
    ASSERT_TRUE(blurred->vibrancyEffectView());
    EXPECT_EQ(blurred->contentView(), blurred->vibrancyEffectView()->superview());
    EXPECT_FALSE(blurred->layer()->allowsGroupOpacity());
    auto blur =
        std::dynamic_pointer_cast<UIBlurEffect>(std::dynamic_pointer_cast<UIVisualEffectView>(blurred->subviews().front())->effect());
    ASSERT_TRUE(blur) << "the blur is the lowest subview";
    EXPECT_EQ(blur->style(), UIBlurEffectStyleExtraLight);

    blurred->contentView()->addSubview(makeView(CGRectMake(50, 20, 20, 20), UIColor::redColor()));
    root->layoutIfNeeded();
    EXPECT_EQ(blurred->vibrancyEffectView()->frame(), blurred->bounds());

    auto picture = snapshot(root);
    auto content = pixel(*picture, 80, 50);
    EXPECT_EQ(content.r, 255);
    EXPECT_EQ(content.g, 0) << "content is drawn over the blur, not blurred with it";
    for (size_t x : {24, 25, 26, 27}) {
        auto p = pixel(*picture, x, 30);
        EXPECT_GT(p.r, 160) << "the stripes under the view blur into a light wash, at x " << x;
        EXPECT_NEAR(p.r, pixel(*picture, 24, 30).r, 6);
    }
    EXPECT_EQ(pixel(*picture, 12, 30).r, 0) << "outside the view the stripes stay sharp";
    EXPECT_EQ(pixel(*picture, 10, 30).r, 255);
}

TEST_F(DecorativeViewsTest, ErrorViewStacksItsMessageAndButtonAndSizesToThem)
{
    auto screen = showBlankScreen();
    auto error = std::make_shared<KVNErrorView>();
    error->initWithFrame(CGRectZero);
    screen.view->addSubview(error);
    Layout::ConstraintMaker::make(error, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(screen.view);
        make.top().equalTo(screen.view).offset(100);
    });
    error->textLabel()->setText("The page could not be loaded. Check your connection and try again in a moment.");
    error->actionButton()->setTitle_forState("Try again", UIControlStateNormal);
    int taps = 0;
    error->actionButton()->addTarget_action_forControlEvents(
        nullptr, [&](const std::shared_ptr<UIControl>&) { ++taps; }, UIControlEventTouchUpInside);
    screen.window->layoutIfNeeded();

    auto label = error->textLabel()->frame();
    auto button = error->actionButton()->frame();
    EXPECT_DOUBLE_EQ(label.origin.x, 20);
    EXPECT_DOUBLE_EQ(label.size.width, 280);
    EXPECT_DOUBLE_EQ(label.origin.y, 20);
    EXPECT_GT(label.size.height, 2 * error->textLabel()->font()->pointSize()) << "the message wraps";
    EXPECT_DOUBLE_EQ(CGRectGetMidX(button), CGRectGetMidX(label));
    EXPECT_GE(button.origin.x, label.origin.x);
    EXPECT_DOUBLE_EQ(button.origin.y, CGRectGetMaxY(label) + 20);
    EXPECT_GT(button.size.height, 0);
    EXPECT_DOUBLE_EQ(error->frame().size.height, CGRectGetMaxY(button) + 20);
    EXPECT_EQ(error->textLabel()->textAlignment(), NSTextAlignmentCenter);
    EXPECT_DOUBLE_EQ(error->textLabel()->font()->pointSize(), 12);
    auto tint = error->actionButton()->tintColor();
    EXPECT_TRUE(tint && *tint == *KVNExtensions::colorWithRGBHex(0xF95602));

    ASSERT_TRUE(Automation::Driver::tap(error->actionButton()));
    EXPECT_EQ(taps, 1);
}

} // namespace
