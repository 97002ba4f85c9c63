#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include <cmath>

#include "UIKit/UIProgressView.h"

using fixtures::pixel;
using fixtures::snapshot;

namespace {

// How far the fill reaches in a drawing, in points.
int fillWidth(const std::shared_ptr<UIView>& root)
{
    auto shot = snapshot(root);
    int width = 0;
    while (width < int(shot->size().width) && pixel(*shot, size_t(width), 1).r == 255)
        ++width;
    return width;
}

} // namespace

class UIProgressViewTest : public UIKitTest {};

TEST_F(UIProgressViewTest, ProgressIsHeldInRange)
{
    struct Case {
        float given, kept;
    };
    const Case cases[] = {{0.5f, 0.5f}, {-1, 0}, {3, 1}, {NAN, 0}};
    for (const auto& c : cases) {
        auto bar = std::make_shared<UIProgressView>();
        bar->initWithProgressViewStyle(UIProgressViewStyleDefault);
        bar->setProgress(c.given);
        EXPECT_EQ(bar->progress(), c.kept) << c.given;
    }
}

TEST_F(UIProgressViewTest, FillFollowsProgressAndAnimatesOnTheClock)
{
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 100, 4));
    window->setHidden(false);
    auto bar = std::make_shared<UIProgressView>();
    bar->initWithProgressViewStyle(UIProgressViewStyleBar);
    bar->setFrame(CGRectMake(0, 0, 100, 4));
    bar->setProgressTintColor(UIColor::redColor());
    bar->setTrackTintColor(UIColor::blueColor());
    window->addSubview(bar);
    bar->setProgress(0.2f);
    EXPECT_EQ(fillWidth(window), 20);
    EXPECT_EQ(pixel(*snapshot(window), 50, 1).b, 255) << "the track beyond";

    bar->setProgress_animated(0.8f, true);
    EXPECT_FLOAT_EQ(bar->progress(), 0.8f) << "the value is the new one at once";
    EXPECT_EQ(fillWidth(window), 20);
    runFor(0.125);
    EXPECT_NEAR(fillWidth(window), 50, 1) << "halfway, the curve being symmetric";
    runFor(0.125);
    EXPECT_EQ(fillWidth(window), 80);
}
