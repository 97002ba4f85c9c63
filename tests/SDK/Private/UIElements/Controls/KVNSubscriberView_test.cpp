#include <gtest/gtest.h>

#include "Private/UIElements/KVNSubscriberView.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"

namespace {

class SubscriberViewTest : public UIKitTest {
protected:
    void TearDown() override
    {
        KavoniAppearance::sharedAppearance()->setActivityIndicatorColor(nullptr);
        UIKitTest::TearDown();
    }
};

TEST_F(SubscriberViewTest, DefaultThemeGivesRoundedBorderAndWhiteSpinnerUnlessThemed)
{
    auto plain = std::make_shared<KVNSubscriberView>();
    plain->initWithFrame(CGRectMake(0, 0, 90, 120));
    EXPECT_DOUBLE_EQ(plain->layer()->cornerRadius(), 3.0);
    EXPECT_DOUBLE_EQ(plain->layer()->borderWidth(), 2.5);
    EXPECT_TRUE(plain->activityIndicator()->color()->isEqual(*UIColor::whiteColor()));

    auto themed = UIColor::redColor();
    KavoniAppearance::sharedAppearance()->setActivityIndicatorColor(themed);
    auto coloured = std::make_shared<KVNSubscriberView>();
    coloured->initWithFrame(CGRectMake(0, 0, 90, 120));
    EXPECT_EQ(coloured->activityIndicator()->color(), themed);
}

} // namespace
