#include <gtest/gtest.h>

#include "Private/UIElements/KVNProgressView.h"
#include "UIKit/CALayer.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"

namespace {

class ProgressViewTest : public UIKitTest {};

TEST_F(ProgressViewTest, MarkerHidesAtEitherEndAndCentresOnTheProgress)
{
    auto bar = std::make_shared<KVNProgressView>();
    bar->initWithProgressViewStyle(UIProgressViewStyleDefault);
    bar->setFrame(CGRectMake(0, 0, 200, 6));
    EXPECT_DOUBLE_EQ(bar->layer()->cornerRadius(), 3.0);
    struct Case {
        float progress;
        bool hidden;
    };
    for (auto c : {Case{0.0f, true}, Case{1.0f, true}, Case{0.5f, false}}) {
        bar->setProgress(c.progress);
        bar->setNeedsLayout();
        bar->layoutIfNeeded();
        EXPECT_EQ(bar->indicatorView()->isHidden(), c.hidden) << c.progress;
        if (!c.hidden) {
            EXPECT_DOUBLE_EQ(CGRectGetMidX(bar->indicatorView()->frame()), 100.0);
            EXPECT_DOUBLE_EQ(bar->indicatorView()->frame().size.width, 2.0);
            EXPECT_DOUBLE_EQ(bar->indicatorView()->frame().size.height, 6.0);
        }
    }
}

} // namespace
