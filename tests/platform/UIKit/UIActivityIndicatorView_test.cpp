#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include "UIKit/UIActivityIndicatorView.h"

using fixtures::snapshot;

class UIActivityIndicatorViewTest : public UIKitTest {};

TEST_F(UIActivityIndicatorViewTest, StylesSizeAndColour)
{
    struct Case {
        UIActivityIndicatorViewStyle style;
        CGFloat side;
        std::shared_ptr<UIColor> color;
    };
    const Case cases[] = {
        {UIActivityIndicatorViewStyleWhiteLarge, 37, UIColor::whiteColor()},
        {UIActivityIndicatorViewStyleWhite, 20, UIColor::whiteColor()},
        {UIActivityIndicatorViewStyleGray, 20, UIColor::grayColor()},
        {UIActivityIndicatorViewStyleLarge, 37, UIColor::grayColor()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        auto spinner = std::make_shared<UIActivityIndicatorView>();
        spinner->initWithActivityIndicatorStyle(c.style);
        EXPECT_EQ(spinner->frame().size, CGSizeMake(c.side, c.side));
        EXPECT_EQ(spinner->intrinsicContentSize(), CGSizeMake(c.side, c.side));
        EXPECT_TRUE(spinner->color()->isEqual(*c.color));
        spinner->setColor(UIColor::redColor());
        spinner->setColor(nullptr);
        EXPECT_TRUE(spinner->color()->isEqual(*c.color)) << "nil brings the style's colour back";
    }
}

TEST_F(UIActivityIndicatorViewTest, HiddenWhileStoppedAndTurningOnTheClock)
{
    auto spinner = std::make_shared<UIActivityIndicatorView>();
    spinner->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(spinner->isAnimating());

    auto start = UIImagePNGRepresentation(snapshot(spinner));
    runFor(0.25);
    auto quarter = UIImagePNGRepresentation(snapshot(spinner));
    runFor(0.75);
    auto turn = UIImagePNGRepresentation(snapshot(spinner));
    EXPECT_NE(start, quarter) << "the bright spoke moved";
    EXPECT_EQ(start, turn) << "one turn a second";

    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    spinner->setHidesWhenStopped(false);
    EXPECT_FALSE(spinner->isHidden());
}
