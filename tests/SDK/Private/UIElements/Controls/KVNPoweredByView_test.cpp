#include <gtest/gtest.h>

#include "Private/UIElements/KVNPoweredByView.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"

namespace {

class PoweredByViewTest : public UIKitTest {};

TEST_F(PoweredByViewTest, CaptionSitsAboveTheWatermarkWithinTheMargins)
{
    auto view = std::make_shared<KVNPoweredByView>();
    view->initWithFrame(CGRectMake(0, 0, 200, 80));
    view->layoutIfNeeded();
    EXPECT_EQ(view->label()->text(), "powered by");
    EXPECT_DOUBLE_EQ(view->label()->frame().origin.x, 15.0);
    EXPECT_DOUBLE_EQ(view->label()->frame().size.width, 170.0);
    EXPECT_DOUBLE_EQ(view->label()->frame().origin.y, 0.0);
    EXPECT_DOUBLE_EQ(view->imageView()->frame().origin.x, 15.0);
    EXPECT_DOUBLE_EQ(view->imageView()->frame().origin.y, CGRectGetMaxY(view->label()->frame()) + 10);
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(view->imageView()->frame()), 70.0);
}

} // namespace
