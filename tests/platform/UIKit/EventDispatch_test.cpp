#include "UIKitTestFixture.h"

#include <cmath>
#include <map>

#include "UIKit/Automation/Finger.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"

namespace {

// Writes down the touch phases it handles itself, as "name.began"; passes nothing on.
struct RecordingView : UIView {
    std::string name;
    std::vector<std::string>* journal = nullptr;
    void touchesBegan_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { journal->push_back(name + ".began"); }
    void touchesMoved_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { journal->push_back(name + ".moved"); }
    void touchesEnded_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override { journal->push_back(name + ".ended"); }
    void touchesCancelled_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override
    {
        journal->push_back(name + ".cancelled");
    }
};

std::shared_ptr<UIView> addView(const std::shared_ptr<UIView>& parent, CGRect frame)
{
    auto view = std::make_shared<UIView>();
    view->initWithFrame(frame);
    parent->addSubview(view);
    return view;
}

} // namespace

class EventDispatchTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        auto screen = showBlankScreen();
        window = screen.window;
        root = screen.view;
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> root;
};

TEST_F(EventDispatchTest, HitTestFindsTheFrontMostViewThatTakesTouches)
{
    std::map<std::string, std::shared_ptr<UIView>> views;
    views["back"] = addView(root, CGRectMake(0, 0, 100, 100));
    views["front"] = addView(root, CGRectMake(50, 50, 100, 100));
    views["hidden"] = addView(root, CGRectMake(200, 0, 100, 100));
    views["hidden"]->setHidden(true);
    views["underHidden"] = addView(root, CGRectMake(200, 0, 50, 50));
    root->sendSubviewToBack(views["underHidden"]);
    views["faint"] = addView(root, CGRectMake(0, 200, 100, 100));
    views["faint"]->setAlpha(0.009);
    views["faintChild"] = addView(views["faint"], CGRectMake(0, 0, 50, 50));
    views["dim"] = addView(root, CGRectMake(100, 200, 100, 100));
    views["dim"]->setAlpha(0.01);
    views["deaf"] = addView(root, CGRectMake(0, 320, 100, 100));
    views["deaf"]->setUserInteractionEnabled(false);
    views["deafChild"] = addView(views["deaf"], CGRectMake(0, 0, 50, 50));
    views["small"] = addView(root, CGRectMake(200, 320, 40, 40));
    views["overhang"] = addView(views["small"], CGRectMake(20, 20, 60, 60));
    views["shifted"] = addView(root, CGRectMake(250, 200, 60, 60));
    views["shifted"]->setBounds(CGRectMake(100, 100, 60, 60));
    views["inShifted"] = addView(views["shifted"], CGRectMake(100, 100, 20, 20));
    // Transformed views are hit where they are drawn: about their centers (40, 480) and (240, 480).
    views["turned"] = addView(root, CGRectMake(0, 440, 80, 80));
    views["turned"]->setTransform(CGAffineTransformMakeRotation(M_PI / 4));
    views["halved"] = addView(root, CGRectMake(200, 440, 80, 80));
    views["halved"]->setTransform(CGAffineTransformMakeScale(0.5, 0.5));
    views["flat"] = addView(root, CGRectMake(120, 440, 60, 60));
    views["flat"]->setTransform(CGAffineTransformMakeScale(0, 1));

    struct Case {
        CGPoint point;
        std::string expected; // "root": nothing above the screen's view takes it
        const char* why;
    };
    const Case cases[] = {
        {CGPointMake(10, 10), "back", "only the back view is there"},
        {CGPointMake(75, 75), "front", "the later sibling lies on top"},
        {CGPointMake(99.5, 99.5), "front", "the overlap goes to the front view"},
        {CGPointMake(220, 20), "underHidden", "a hidden view lets touches through to what lies under it"},
        {CGPointMake(10, 210), "root", "alpha below 0.01 takes no touches, nor do its subviews"},
        {CGPointMake(110, 210), "dim", "alpha 0.01 still takes touches"},
        {CGPointMake(10, 330), "root", "a view without user interaction takes none, nor do its subviews"},
        {CGPointMake(230, 350), "overhang", "inside both the subview and its superview"},
        {CGPointMake(250, 370), "root", "a subview reaching out of its superview is not hit there"},
        {CGPointMake(255, 205), "inShifted", "the bounds origin shifts where subviews lie"},
        {CGPointMake(285, 235), "shifted", "outside the shifted subview"},
        {CGPointMake(40, 430), "turned", "the turned square's corner reaches above its untransformed box"},
        {CGPointMake(3, 443), "root", "the untransformed box's corner lies outside the turned square"},
        {CGPointMake(235, 475), "halved", "inside the halved view"},
        {CGPointMake(205, 445), "root", "inside the untransformed box, outside the halved view"},
        {CGPointMake(150, 470), "root", "a view squashed flat covers nothing"},
        {CGPointMake(-1, 10), "", "outside the window"},
        {CGPointMake(320, 10), "", "the right edge belongs to no view"},
    };
    for (const auto& c : cases) {
        auto hit = window->hitTest_withEvent(c.point, nullptr);
        std::string name = hit == root ? "root" : "";
        for (const auto& [key, view] : views)
            if (view == hit)
                name = key;
        EXPECT_EQ(name, c.expected) << c.why;
    }
}

TEST_F(EventDispatchTest, ATouchStaysWithItsViewAndClimbsTheResponderChain)
{
    std::vector<std::string> journal;
    auto parent = std::make_shared<RecordingView>();
    parent->initWithFrame(CGRectMake(0, 0, 200, 200));
    parent->name = "parent";
    parent->journal = &journal;
    root->addSubview(parent);
    auto child = addView(parent, CGRectMake(0, 0, 50, 50)); // handles nothing itself

    Automation::Finger finger(window);
    finger.down(CGPointMake(10, 10));
    EXPECT_EQ(finger.touch()->view(), child);
    finger.moveTo(CGPointMake(300, 400)); // far outside both views
    finger.up();
    EXPECT_EQ(journal, (std::vector<std::string>{"parent.began", "parent.moved", "parent.ended"}));

    journal.clear();
    finger.down(CGPointMake(100, 100));
    finger.cancel();
    EXPECT_EQ(journal, (std::vector<std::string>{"parent.began", "parent.cancelled"}));
}

TEST_F(EventDispatchTest, StrayPhasesAndEventsWithoutAKeyWindowGoNowhere)
{
    std::vector<std::string> journal;
    auto view = std::make_shared<RecordingView>();
    view->initWithFrame(CGRectMake(0, 0, 100, 100));
    view->name = "view";
    view->journal = &journal;
    root->addSubview(view);

    // A touch the window never saw come down.
    auto touch = std::make_shared<UITouch>();
    touch->setInitialLocation(CGPointMake(10, 10));
    touch->setPhase(UITouchPhaseEnded);
    auto event = std::make_shared<UIEvent>();
    event->setAllTouches({touch, nullptr});
    window->sendEvent(event);
    window->sendEvent(nullptr);
    EXPECT_TRUE(journal.empty());

    // Through the application: the key window gets it; without one it is dropped.
    touch->setPhase(UITouchPhaseBegan);
    UIApplication::sharedApplication()->sendEvent(event);
    EXPECT_EQ(journal, (std::vector<std::string>{"view.began"}));
    touch->setPhase(UITouchPhaseCancelled);
    UIApplication::sharedApplication()->sendEvent(event);
    UIApplication::sharedApplication()->resetForTesting();
    touch->setPhase(UITouchPhaseBegan);
    UIApplication::sharedApplication()->sendEvent(event);
    EXPECT_EQ(journal, (std::vector<std::string>{"view.began", "view.cancelled"}));
}
