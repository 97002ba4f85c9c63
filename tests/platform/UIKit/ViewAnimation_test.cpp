#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include <optional>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/NSLayoutDimension.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"

using fixtures::makeView;
using fixtures::pixel;
using fixtures::snapshot;

namespace {

// A 1 x 1 white view in a visible window, whose drawn alpha tells the presentation.
struct Scene {
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> view;
    int shownAlpha() const { return pixel(*snapshot(window), 0, 0).a; }
};

Scene makeScene(double alpha)
{
    Scene scene;
    scene.window = std::make_shared<UIWindow>();
    scene.window->initWithFrame(CGRectMake(0, 0, 4, 4));
    scene.window->setHidden(false);
    scene.view = makeView(CGRectMake(0, 0, 1, 1), UIColor::whiteColor());
    scene.view->setAlpha(alpha);
    scene.window->addSubview(scene.view);
    return scene;
}

// Records the completion's argument.
struct Completion {
    std::optional<bool> finished;
    int calls = 0;
    std::function<void(bool)> block()
    {
        return [this](bool f) {
            finished = f;
            ++calls;
        };
    }
};

} // namespace

class ViewAnimationTest : public UIKitTest {};

TEST_F(ViewAnimationTest, ModelAtOnceAndPresentationAlongTheCurve)
{
    struct Case {
        const char* why;
        UIViewAnimationOptions curve;
        double atHalf; // progress shown halfway
    };
    const Case cases[] = {
        {"linear", UIViewAnimationOptionCurveLinear, 0.5},
        {"ease in and out is symmetric", UIViewAnimationOptionCurveEaseInOut, 0.5},
        {"ease in lags", UIViewAnimationOptionCurveEaseIn, 0.3153},
        {"ease out leads", UIViewAnimationOptionCurveEaseOut, 0.6847},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto scene = makeScene(0);
        Completion done;
        UIView::animateWithDuration_delay_options_animations_completion(
            1.0, 0, c.curve, [&] { scene.view->setAlpha(1); }, done.block());
        EXPECT_EQ(scene.view->alpha(), 1.0) << "the model takes the end state at once";
        EXPECT_EQ(scene.shownAlpha(), 0);
        runFor(0.5);
        EXPECT_NEAR(scene.shownAlpha(), 255 * c.atHalf, 3);
        runFor(0.49);
        EXPECT_FALSE(done.finished);
        runFor(0.01);
        EXPECT_EQ(done.finished, true);
        EXPECT_EQ(scene.shownAlpha(), 255);
    }
}

TEST_F(ViewAnimationTest, FrameMovesOnTheClockAndDelayHoldsTheStart)
{
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 100, 10));
    window->setHidden(false);
    auto view = makeView(CGRectMake(0, 0, 10, 10), UIColor::blackColor());
    window->addSubview(view);
    UIView::animateWithDuration_delay_options_animations_completion(
        2.0, 1.0, UIViewAnimationOptionCurveLinear, [&] { view->setFrame(CGRectMake(80, 0, 20, 10)); }, nullptr);
    EXPECT_EQ(view->frame(), CGRectMake(80, 0, 20, 10));
    runFor(0.9);
    EXPECT_EQ(fixtures::inkBounds(*snapshot(window)), CGRectMake(0, 0, 10, 10)) << "nothing moves before the delay";
    runFor(1.1); // halfway
    EXPECT_EQ(fixtures::inkBounds(*snapshot(window)), CGRectMake(40, 0, 15, 10));
    runFor(1.0);
    EXPECT_EQ(fixtures::inkBounds(*snapshot(window)), CGRectMake(80, 0, 20, 10));
}

TEST_F(ViewAnimationTest, RepeatingAutoreverseRunsUntilTakenAway)
{
    auto scene = makeScene(0);
    Completion done;
    UIView::animateWithDuration_delay_options_animations_completion(
        1.0, 0, UIViewAnimationOptionRepeat | UIViewAnimationOptionAutoreverse | UIViewAnimationOptionCurveLinear,
        [&] { scene.view->setAlpha(1); }, done.block());
    runFor(1.25);
    EXPECT_NEAR(scene.shownAlpha(), 191, 3) << "on its way back";
    runFor(0.75);
    EXPECT_EQ(scene.shownAlpha(), 0) << "back at the start after two legs";
    runFor(10);
    EXPECT_FALSE(done.finished) << "a repeating animation does not end by itself";

    scene.view->removeFromSuperview();
    pump();
    EXPECT_EQ(done.finished, false) << "leaving the window ends it unfinished";
    EXPECT_EQ(done.calls, 1);
}

TEST_F(ViewAnimationTest, AutoreverseWithoutRepeatEndsOnTheModel)
{
    auto scene = makeScene(0);
    Completion done;
    UIView::animateWithDuration_delay_options_animations_completion(
        0.5, 0, UIViewAnimationOptionAutoreverse | UIViewAnimationOptionCurveLinear, [&] { scene.view->setAlpha(1); }, done.block());
    runFor(0.75);
    EXPECT_NEAR(scene.shownAlpha(), 128, 3);
    EXPECT_FALSE(done.finished);
    runFor(0.25);
    EXPECT_EQ(done.finished, true);
    EXPECT_EQ(scene.shownAlpha(), 255);
}

TEST_F(ViewAnimationTest, ANewAnimationOfTheSamePropertyReplacesTheOld)
{
    struct Case {
        const char* why;
        UIViewAnimationOptions options;
        int shownAtStart; // of the second animation, which goes to alpha 0
    };
    const Case cases[] = {
        {"from the old model value", UIViewAnimationOptionCurveLinear, 255},
        {"from what is shown", UIViewAnimationOptionCurveLinear | UIViewAnimationOptionBeginFromCurrentState, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto scene = makeScene(0);
        Completion first, second;
        UIView::animateWithDuration_delay_options_animations_completion(
            1.0, 0, UIViewAnimationOptionCurveLinear, [&] { scene.view->setAlpha(1); }, first.block());
        runFor(0.5);
        UIView::animateWithDuration_delay_options_animations_completion(
            1.0, 0, c.options, [&] { scene.view->setAlpha(0); }, second.block());
        EXPECT_NEAR(scene.shownAlpha(), c.shownAtStart, 3);
        pump();
        EXPECT_EQ(first.finished, false);
        runFor(1.0);
        EXPECT_EQ(second.finished, true);
        EXPECT_EQ(first.calls, 1);
        EXPECT_EQ(scene.shownAlpha(), 0);
    }
}

TEST_F(ViewAnimationTest, ABlockKeepsGoingWhileOneOfItsAnimationsRemains)
{
    auto scene = makeScene(0);
    Completion done;
    UIView::animateWithDuration_delay_options_animations_completion(
        1.0, 0, 0,
        [&] {
            scene.view->setAlpha(1);
            scene.view->setCenter(CGPointMake(2, 2));
        },
        done.block());
    UIView::animateWithDuration_animations(0.2, [&] { scene.view->setAlpha(0.5); });
    pump();
    EXPECT_FALSE(done.finished) << "the center still moves";
    runFor(1.0);
    EXPECT_EQ(done.finished, false) << "finished, but not as it was asked";
}

TEST_F(ViewAnimationTest, ImmediateAndUnchangedBlocksStillComplete)
{
    auto scene = makeScene(1);
    Completion zero, unchanged;
    UIView::animateWithDuration_animations_completion(
        0, [&] { scene.view->setAlpha(0.2); }, zero.block());
    EXPECT_FALSE(zero.finished) << "never inside the call";
    pump();
    EXPECT_EQ(zero.finished, true);
    UIView::animateWithDuration_animations_completion(
        0.3, [&] { scene.view->setAlpha(0.2); }, unchanged.block());
    runFor(0.3);
    EXPECT_EQ(unchanged.finished, true);
    UIView::animateWithDuration_animations_completion(NAN, nullptr, nullptr); // no crash on nonsense
}

TEST_F(ViewAnimationTest, TouchesAreHeldBackUnlessAllowed)
{
    for (bool allow : {false, true}) {
        auto scene = makeScene(0);
        UIView::animateWithDuration_delay_options_animations_completion(
            1.0, 0, allow ? UIViewAnimationOptionAllowUserInteraction : 0, [&] { scene.view->setAlpha(1); }, nullptr);
        EXPECT_EQ(scene.view->isAnimatingWithoutUserInteraction(), !allow);
        auto hit = scene.window->hitTest_withEvent(CGPointMake(0.5, 0.5), nullptr);
        EXPECT_EQ(hit, allow ? scene.view : std::static_pointer_cast<UIView>(scene.window));
        runFor(1.0);
        EXPECT_FALSE(scene.view->isAnimatingWithoutUserInteraction());
        EXPECT_EQ(scene.window->hitTest_withEvent(CGPointMake(0.5, 0.5), nullptr), scene.view);
    }
}

TEST_F(ViewAnimationTest, LayoutInsideABlockAnimatesTheNewFrames)
{
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 100, 10));
    window->setHidden(false);
    auto view = makeView(CGRectZero, UIColor::blackColor());
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(view);
    auto width = view->widthAnchor()->constraintEqualToConstant(10);
    auto left = view->leftAnchor()->constraintEqualToAnchor(window->leftAnchor());
    for (const std::shared_ptr<NSLayoutConstraint>& constraint :
         {width, left, view->topAnchor()->constraintEqualToAnchor(window->topAnchor()),
          view->heightAnchor()->constraintEqualToConstant(10)})
        constraint->setActive(true);
    window->layoutIfNeeded();
    left->setConstant(50);
    UIView::animateWithDuration_delay_options_animations_completion(
        1.0, 0, UIViewAnimationOptionCurveLinear, [&] { window->layoutIfNeeded(); }, nullptr);
    EXPECT_EQ(view->frame().origin.x, 50);
    runFor(0.5);
    EXPECT_EQ(fixtures::inkBounds(*snapshot(window)).origin.x, 25);
}
