#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"

using fixtures::makeView;
using fixtures::pixel;
using fixtures::snapshot;

namespace {

// A 10 x 10 point image: opaque `color` with its top half only when `topHalf`.
std::shared_ptr<UIImage> makeImage(const std::shared_ptr<UIColor>& color, bool topHalf = false)
{
    return fixtures::render(CGSizeMake(10, 10), 1, [&] {
        CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), color->CGColor());
        CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 10, topHalf ? 5 : 10));
    });
}

} // namespace

class UIImageViewTest : public UIKitTest {};

TEST_F(UIImageViewTest, ContentModesPlaceTheImage)
{
    struct Case {
        UIViewContentMode mode;
        CGRect ink; // of a 10 x 10 image in a 40 x 20 view
    };
    const Case cases[] = {
        {UIViewContentModeScaleToFill, CGRectMake(0, 0, 40, 20)},     {UIViewContentModeScaleAspectFit, CGRectMake(10, 0, 20, 20)},
        {UIViewContentModeScaleAspectFill, CGRectMake(0, 0, 40, 20)}, // 40 x 40, cut by the clip
        {UIViewContentModeCenter, CGRectMake(15, 5, 10, 10)},         {UIViewContentModeTop, CGRectMake(15, 0, 10, 10)},
        {UIViewContentModeBottom, CGRectMake(15, 10, 10, 10)},        {UIViewContentModeLeft, CGRectMake(0, 5, 10, 10)},
        {UIViewContentModeRight, CGRectMake(30, 5, 10, 10)},          {UIViewContentModeTopLeft, CGRectMake(0, 0, 10, 10)},
        {UIViewContentModeBottomRight, CGRectMake(30, 10, 10, 10)},
    };
    auto image = makeImage(UIColor::redColor());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        auto root = makeView(CGRectMake(0, 0, 60, 40));
        auto view = std::make_shared<UIImageView>();
        view->initWithImage(image);
        view->setFrame(CGRectMake(0, 0, 40, 20));
        view->setContentMode(c.mode);
        view->setClipsToBounds(true);
        root->addSubview(view);
        EXPECT_EQ(fixtures::inkBounds(*snapshot(root)), c.ink);
    }
    EXPECT_EQ(UIImageView::rectForContentMode(UIViewContentModeScaleAspectFill, CGSizeMake(10, 10), CGRectMake(0, 0, 40, 20)),
              CGRectMake(0, -10, 40, 40));
}

TEST_F(UIImageViewTest, NaturalSizeHighlightAndTemplateTint)
{
    auto view = std::make_shared<UIImageView>();
    view->init();
    EXPECT_EQ(view->intrinsicContentSize(), CGSizeMake(UIViewNoIntrinsicMetric, UIViewNoIntrinsicMetric));
    EXPECT_FALSE(view->isUserInteractionEnabled());
    view->setFrame(CGRectMake(0, 0, 10, 10));
    view->setImage(makeImage(UIColor::redColor()));
    view->setHighlightedImage(makeImage(UIColor::greenColor()));
    EXPECT_EQ(view->intrinsicContentSize(), CGSizeMake(10, 10));
    EXPECT_EQ(pixel(*snapshot(view), 5, 5).r, 255);
    view->setHighlighted(true);
    EXPECT_EQ(pixel(*snapshot(view), 5, 5).g, 255);

    // A template keeps its shape (the top half) and takes the tint.
    view->setHighlighted(false);
    view->setImage(makeImage(UIColor::blackColor(), true)->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate));
    view->setTintColor(UIColor::blueColor());
    auto shot = snapshot(view);
    EXPECT_EQ(pixel(*shot, 5, 2).b, 255);
    EXPECT_EQ(pixel(*shot, 5, 2).r, 0);
    EXPECT_EQ(pixel(*shot, 5, 8).a, 0) << "upright: the lower half stays empty";
}
