#include "UIKitTestFixture.h"

#include "UIKit/Automation/Finger.h"
#include "UIKit/UIPanGestureRecognizer.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"

namespace {

// Counts the touch phases that reach it.
struct CountingView : UIView {
    int began = 0, ended = 0, cancelled = 0;
    void touchesBegan_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { ++began; }
    void touchesEnded_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { ++ended; }
    void touchesCancelled_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { ++cancelled; }
};

struct Delegate : UIGestureRecognizerDelegate {
    bool receive = true;
    bool begin = true;
    bool simultaneous = false;
    bool gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>&) override { return begin; }
    bool gestureRecognizer_shouldReceiveTouch(const std::shared_ptr<UIGestureRecognizer>&, const std::shared_ptr<UITouch>&) override
    {
        return receive;
    }
    bool gestureRecognizer_shouldRecognizeSimultaneouslyWithGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>&,
                                                                              const std::shared_ptr<UIGestureRecognizer>&) override
    {
        return simultaneous;
    }
};

template <class R>
std::shared_ptr<R> makeRecognizer(std::vector<UIGestureRecognizerState>* states)
{
    auto recognizer = std::make_shared<R>();
    recognizer->initWithTarget_action(nullptr, [states](const std::shared_ptr<UIGestureRecognizer>& r) { states->push_back(r->state()); });
    return recognizer;
}

} // namespace

class GestureRecognizerTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        auto screen = showBlankScreen();
        window = screen.window;
        view = std::make_shared<CountingView>();
        view->initWithFrame(CGRectMake(0, 0, 200, 200));
        screen.view->addSubview(view);
    }

    void tap(CGPoint point)
    {
        Automation::Finger finger(window);
        finger.down(point);
        finger.up();
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<CountingView> view;
    std::vector<UIGestureRecognizerState> states;
};

TEST_F(GestureRecognizerTest, TapTakesTheTouchFromTheViewUnlessToldNotTo)
{
    auto recognizer = makeRecognizer<UITapGestureRecognizer>(&states);
    view->addGestureRecognizer(recognizer);
    EXPECT_EQ(recognizer->view(), view);

    tap(CGPointMake(50, 60));
    EXPECT_EQ(states, (std::vector{UIGestureRecognizerStateEnded}));
    EXPECT_EQ(recognizer->locationInView(view), CGPointMake(50, 60));
    EXPECT_EQ(recognizer->state(), UIGestureRecognizerStatePossible) << "ready for the next tap";
    EXPECT_EQ(view->began, 1);
    EXPECT_EQ(view->cancelled, 1);
    EXPECT_EQ(view->ended, 0);

    recognizer->setCancelsTouchesInView(false);
    tap(CGPointMake(50, 60));
    EXPECT_EQ(states.size(), 2u);
    EXPECT_EQ(view->ended, 1);

    // A finger that wanders off is no tap.
    Automation::Finger finger(window);
    finger.down(CGPointMake(50, 60));
    finger.moveTo(CGPointMake(50, 75));
    finger.up();
    EXPECT_EQ(states.size(), 2u);

    view->removeGestureRecognizer(recognizer);
    EXPECT_EQ(recognizer->view(), nullptr);
    tap(CGPointMake(50, 60));
    EXPECT_EQ(states.size(), 2u);
}

TEST_F(GestureRecognizerTest, DoubleTapNeedsTheSecondTapInTime)
{
    auto recognizer = makeRecognizer<UITapGestureRecognizer>(&states);
    recognizer->setNumberOfTapsRequired(2);
    view->addGestureRecognizer(recognizer);

    tap(CGPointMake(10, 10));
    EXPECT_TRUE(states.empty());
    runFor(0.2);
    tap(CGPointMake(12, 10));
    EXPECT_EQ(states, (std::vector{UIGestureRecognizerStateEnded}));

    tap(CGPointMake(10, 10));
    runFor(0.5); // too slow: the first tap fails alone
    EXPECT_EQ(recognizer->state(), UIGestureRecognizerStatePossible);
    tap(CGPointMake(10, 10));
    EXPECT_EQ(states.size(), 1u);
    runFor(0.2);
    tap(CGPointMake(10, 10));
    EXPECT_EQ(states.size(), 2u);
}

TEST_F(GestureRecognizerTest, PanReportsTranslationAndVelocityOnTheRunLoopClock)
{
    std::vector<CGPoint> translations;
    std::vector<CGPoint> velocities;
    auto recognizer = std::make_shared<UIPanGestureRecognizer>();
    recognizer->initWithTarget_action(nullptr, [&](const std::shared_ptr<UIGestureRecognizer>& r) {
        auto pan = std::static_pointer_cast<UIPanGestureRecognizer>(r);
        states.push_back(pan->state());
        translations.push_back(pan->translationInView(view));
        velocities.push_back(pan->velocityInView(view));
    });
    view->addGestureRecognizer(recognizer);

    Automation::Finger finger(window);
    finger.down(CGPointMake(100, 100));
    runFor(0.1);
    finger.moveTo(CGPointMake(105, 100)); // within the hysteresis: nothing yet
    EXPECT_TRUE(states.empty());
    runFor(0.1);
    finger.moveTo(CGPointMake(125, 100));
    runFor(0.1);
    finger.moveTo(CGPointMake(125, 130));
    finger.moveTo(CGPointMake(125, 140)); // same instant: the velocity stays
    finger.up();

    EXPECT_EQ(states,
              (std::vector{UIGestureRecognizerStateBegan, UIGestureRecognizerStateChanged, UIGestureRecognizerStateChanged,
                           UIGestureRecognizerStateEnded}));
    EXPECT_EQ(translations.at(0), CGPointMake(25, 0));
    EXPECT_EQ(translations.at(2), CGPointMake(25, 40));
    EXPECT_NEAR(velocities.at(0).x, 200, 1e-6);
    EXPECT_NEAR(velocities.at(1).y, 300, 1e-6);
    EXPECT_NEAR(velocities.at(2).y, 300, 1e-6);
    EXPECT_EQ(view->cancelled, 1) << "the pan took the touch once it began";

    // setTranslation moves the origin the next translation is measured from.
    recognizer->removeTarget(nullptr);
    recognizer->addTarget_action(nullptr, [&](const std::shared_ptr<UIGestureRecognizer>& r) {
        auto pan = std::static_pointer_cast<UIPanGestureRecognizer>(r);
        translations.push_back(pan->translationInView(view));
        if (pan->state() == UIGestureRecognizerStateBegan)
            pan->setTranslation_inView(CGPointZero, view);
    });
    translations.clear();
    finger.down(CGPointMake(0, 0));
    finger.moveTo(CGPointMake(0, 20));
    finger.moveTo(CGPointMake(0, 25));
    finger.up();
    EXPECT_EQ(translations, (std::vector{CGPointMake(0, 20), CGPointMake(0, 5), CGPointMake(0, 5)}));
}

TEST_F(GestureRecognizerTest, RecognisersOfOneTouchCompeteUnlessADelegateLetsThemShare)
{
    std::vector<UIGestureRecognizerState> tapStates;
    auto pan = makeRecognizer<UIPanGestureRecognizer>(&states);
    auto tapRecognizer = makeRecognizer<UITapGestureRecognizer>(&tapStates);
    tapRecognizer->setCancelsTouchesInView(false);
    view->addGestureRecognizer(pan);
    window->addGestureRecognizer(tapRecognizer); // an ancestor's recogniser sees the touch too

    auto drag = [&] {
        Automation::Finger finger(window);
        finger.down(CGPointMake(10, 10));
        finger.moveTo(CGPointMake(10, 30));
        finger.moveTo(CGPointMake(10, 31));
        finger.up();
    };
    drag();
    EXPECT_EQ(states.front(), UIGestureRecognizerStateBegan);
    EXPECT_TRUE(tapStates.empty());

    // A delegate that keeps the touch from the pan leaves the tap alone with it.
    auto delegate = std::make_shared<Delegate>();
    delegate->receive = false;
    pan->setDelegate(delegate);
    states.clear();
    tap(CGPointMake(10, 10));
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(tapStates.size(), 1u);

    // Both recognise: the tap as the finger lifts within its slop, the pan once it moved.
    delegate->receive = true;
    delegate->simultaneous = true;
    tapStates.clear();
    Automation::Finger finger(window);
    finger.down(CGPointMake(10, 10));
    finger.moveTo(CGPointMake(10, 20));
    finger.up();
    EXPECT_EQ(states, (std::vector{UIGestureRecognizerStateBegan, UIGestureRecognizerStateEnded}));
    EXPECT_EQ(tapStates.size(), 1u);

    // A delegate that forbids the pan to begin.
    delegate->begin = false;
    states.clear();
    drag();
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(pan->state(), UIGestureRecognizerStatePossible);
}

TEST_F(GestureRecognizerTest, DisablingMidGestureCancelsAndGoneTargetsAreNotCalled)
{
    auto pan = makeRecognizer<UIPanGestureRecognizer>(&states);
    view->addGestureRecognizer(pan);
    Automation::Finger finger(window);
    finger.down(CGPointMake(10, 10));
    finger.moveTo(CGPointMake(40, 10));
    pan->setEnabled(false);
    finger.moveTo(CGPointMake(60, 10));
    finger.up();
    EXPECT_EQ(states, (std::vector{UIGestureRecognizerStateBegan, UIGestureRecognizerStateCancelled}));
    EXPECT_EQ(pan->state(), UIGestureRecognizerStatePossible);

    auto tapRecognizer = std::make_shared<UITapGestureRecognizer>();
    int calls = 0;
    auto owner = std::make_shared<int>(0);
    tapRecognizer->initWithTarget_action(owner, [&](const std::shared_ptr<UIGestureRecognizer>&) { ++calls; });
    view->addGestureRecognizer(tapRecognizer);
    tap(CGPointMake(10, 10));
    owner.reset();
    tap(CGPointMake(10, 10));
    EXPECT_EQ(calls, 1);

    // Moving a recogniser to another view takes it from the first.
    auto other = std::make_shared<UIView>();
    other->init();
    other->addGestureRecognizer(tapRecognizer);
    EXPECT_TRUE(view->gestureRecognizers().size() == 1 && view->gestureRecognizers().front() == pan);
}
