#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "UIKit/Automation/Finger.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNPageSlideControl.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"

namespace {

class RecordingSliderDelegate : public KVNPageSliderControlDelegate {
public:
    void onSliderMoved(CGFloat distance) override { moved.push_back(distance); }
    void onSliderMoveEnded(CGFloat distance) override { ended.push_back(distance); }
    std::vector<CGFloat> moved;
    std::vector<CGFloat> ended;
};

class SlideControlTest : public UIKitTest {
protected:
    // A slide control across the screen, 200 to 240 points down, where a finger reaches it.
    static std::shared_ptr<KVNPageSlideControl> placeControl(const ShownScreen& screen)
    {
        auto control = std::make_shared<KVNPageSlideControl>();
        control->initWithFrame(CGRectMake(0, 200, 320, 40));
        screen.view->addSubview(control);
        return control;
    }
};

TEST_F(SlideControlTest, UpwardDragReportsPositiveStepsThatAddUp)
{
    auto screen = showBlankScreen();
    auto control = placeControl(screen);
    auto delegate = std::make_shared<RecordingSliderDelegate>();
    control->setDelegate(delegate);

    Automation::Finger finger(screen.window);
    finger.down(CGPointMake(160, 230));
    finger.moveTo(CGPointMake(160, 220));
    finger.moveTo(CGPointMake(160, 200));
    finger.up();

    ASSERT_FALSE(delegate->moved.empty());
    CGFloat total = std::accumulate(delegate->moved.begin(), delegate->moved.end(), 0.0) +
                    std::accumulate(delegate->ended.begin(), delegate->ended.end(), 0.0);
    EXPECT_DOUBLE_EQ(total, 30.0);
    ASSERT_EQ(delegate->ended.size(), 1u);
}

TEST_F(SlideControlTest, WithoutDelegateTracksAndSendsNothing)
{
    auto screen = showBlankScreen();
    auto control = placeControl(screen);
    Automation::Finger finger(screen.window);
    finger.down(CGPointMake(160, 230));
    finger.moveTo(CGPointMake(160, 200));
    // A delegate set mid-drag hears only the steps after it, measured from where the finger
    // went while nobody listened: the control tracked without sending.
    auto delegate = std::make_shared<RecordingSliderDelegate>();
    control->setDelegate(delegate);
    EXPECT_TRUE(delegate->moved.empty());
    finger.moveTo(CGPointMake(160, 190));
    finger.up(); // at 190
    EXPECT_EQ(delegate->moved, (std::vector<CGFloat>{10}));
    EXPECT_EQ(delegate->ended, (std::vector<CGFloat>{0}));

    // Gone again: the next drag reaches nobody and does not crash.
    delegate.reset();
    finger.down(CGPointMake(160, 230));
    finger.moveTo(CGPointMake(160, 210));
    finger.up();
    EXPECT_EQ(control->delegate(), nullptr);
}

TEST_F(SlideControlTest, CancelledDragEndsWhereItBegan)
{
    auto screen = showBlankScreen();
    auto control = placeControl(screen);
    auto delegate = std::make_shared<RecordingSliderDelegate>();
    control->setDelegate(delegate);

    Automation::Finger finger(screen.window);
    finger.down(CGPointMake(160, 230));
    finger.moveTo(CGPointMake(160, 220));
    finger.moveTo(CGPointMake(160, 200));
    finger.cancel();

    ASSERT_EQ(delegate->ended.size(), 1u) << "the owner is told the drag is over";
    EXPECT_DOUBLE_EQ(delegate->ended.back(), -30.0);
    CGFloat total = std::accumulate(delegate->moved.begin(), delegate->moved.end(), 0.0) + delegate->ended.back();
    EXPECT_DOUBLE_EQ(total, 0.0) << "what was moved is moved back";

    // The next drag starts afresh.
    delegate->moved.clear();
    delegate->ended.clear();
    finger.down(CGPointMake(160, 225));
    finger.moveTo(CGPointMake(160, 215));
    finger.up();
    EXPECT_EQ(delegate->moved, (std::vector<CGFloat>{10}));
}

TEST_F(SlideControlTest, OverlayCoversTheViewUntilRemoved)
{
    auto screen = showBlankScreen();
    auto overlay = KVNActivityIndicatorView::addFullOverlayToView(screen.view);
    screen.view->layoutIfNeeded();
    EXPECT_EQ(overlay->superview(), screen.view);
    EXPECT_TRUE(overlay->isAnimating());
    EXPECT_EQ(overlay->frame().size.width, screen.view->bounds().size.width);
    EXPECT_EQ(overlay->frame().size.height, screen.view->bounds().size.height);
    KVNActivityIndicatorView::removeConveringIndicator(overlay);
    EXPECT_EQ(overlay->superview(), nullptr);
    EXPECT_FALSE(overlay->isAnimating());
}

} // namespace
