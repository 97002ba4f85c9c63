#include "UIKitTestFixture.h"

#include "UIKit/Automation/Finger.h"
#include "UIKit/UIControl.h"
#include "UIKit/UITapGestureRecognizer.h"

namespace {

// The names of the events a control sent, in order.
std::string names(UIControlEvents events)
{
    static const std::pair<UIControlEvents, const char*> table[] = {
        {UIControlEventTouchDown, "down"},       {UIControlEventTouchDragInside, "dragIn"}, {UIControlEventTouchDragOutside, "dragOut"},
        {UIControlEventTouchDragEnter, "enter"}, {UIControlEventTouchDragExit, "exit"},     {UIControlEventTouchUpInside, "upIn"},
        {UIControlEventTouchUpOutside, "upOut"}, {UIControlEventTouchCancel, "cancel"},     {UIControlEventValueChanged, "value"},
    };
    std::string out;
    for (const auto& [bit, name] : table)
        if (events & bit)
            out += std::string(out.empty() ? "" : "+") + name;
    return out;
}

} // namespace

class UIControlTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        auto screen = showBlankScreen();
        window = screen.window;
        root = screen.view;
        control = std::make_shared<UIControl>();
        control->initWithFrame(CGRectMake(100, 100, 100, 40));
        root->addSubview(control);
        for (UIControlEvents bit = 1; bit <= UIControlEventValueChanged; bit <<= 1)
            control->addTarget_action_forControlEvents(
                nullptr,
                [this, bit](const std::shared_ptr<UIControl>& sender) {
                    EXPECT_EQ(sender, control);
                    sent.push_back(names(bit) + (sender->isHighlighted() ? "*" : ""));
                },
                bit);
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> root;
    std::shared_ptr<UIControl> control;
    std::vector<std::string> sent; // "*": the control was highlighted when the event went out
};

TEST_F(UIControlTest, EventsFollowTheTouchPath)
{
    struct Step {
        char kind; // d down, m move, u up, c cancel
        CGPoint point;
    };
    struct Case {
        const char* why;
        bool enabled;
        std::vector<Step> steps;
        std::vector<std::string> expected;
    };
    const CGPoint inside = CGPointMake(150, 120);
    const Case cases[] = {
        {"a tap inside", true, {{'d', inside}, {'u', inside}}, {"down*", "upIn"}},
        {"a drag within the slop stays inside",
         true,
         {{'d', inside}, {'m', CGPointMake(260, 120)}, {'u', CGPointMake(260, 120)}},
         {"down*", "dragIn*", "upIn"}},
        {"dragged out and lifted outside",
         true,
         {{'d', inside}, {'m', CGPointMake(150, 300)}, {'u', CGPointMake(150, 300)}},
         {"down*", "dragOut", "exit", "upOut"}},
        {"dragged out and back in",
         true,
         {{'d', inside}, {'m', CGPointMake(150, 300)}, {'m', inside}, {'u', inside}},
         {"down*", "dragOut", "exit", "dragIn*", "enter*", "upIn"}},
        {"cancelled", true, {{'d', inside}, {'c', inside}}, {"down*", "cancel"}},
        {"disabled: the touch passes over it", false, {{'d', inside}, {'u', inside}}, {}},
    };
    for (const auto& c : cases) {
        sent.clear();
        control->setEnabled(c.enabled);
        Automation::Finger finger(window);
        for (const auto& step : c.steps) {
            if (step.kind == 'd')
                finger.down(step.point);
            else if (step.kind == 'm')
                finger.moveTo(step.point);
            else if (step.kind == 'u')
                finger.up();
            else
                finger.cancel();
        }
        EXPECT_EQ(sent, c.expected) << c.why;
        EXPECT_FALSE(control->isHighlighted()) << c.why;
        EXPECT_FALSE(control->isTracking()) << c.why;
    }
}

TEST_F(UIControlTest, StateBitsCombine)
{
    EXPECT_EQ(control->state(), UIControlStateNormal);
    control->setSelected(true);
    control->setHighlighted(true);
    EXPECT_EQ(control->state(), UIControlStateSelected | UIControlStateHighlighted);
    control->setEnabled(false);
    EXPECT_EQ(control->state(), UIControlStateSelected | UIControlStateDisabled) << "disabling ends the highlight";
}

TEST_F(UIControlTest, DisabledWhileTheFingerIsDownSendsNoTouchUp)
{
    Automation::Finger finger(window);
    finger.down(CGPointMake(150, 120));
    control->setEnabled(false);
    finger.up();
    EXPECT_EQ(sent, (std::vector<std::string>{"down*"}));
}

// A control that shows its pressed look in setHighlighted, as the kit's buttons do.
class PressedLookControl : public UIControl {
public:
    void setHighlighted(bool highlighted) override
    {
        UIControl::setHighlighted(highlighted);
        pressedLook = highlighted;
    }
    bool pressedLook = false;
};

TEST_F(UIControlTest, DisablingWhilePressedDropsThePressedLookAtOnce)
{
    auto pressed = std::make_shared<PressedLookControl>();
    pressed->initWithFrame(CGRectMake(100, 200, 100, 40));
    root->addSubview(pressed);
    Automation::Finger finger(window);
    finger.down(CGPointMake(150, 220));
    ASSERT_TRUE(pressed->pressedLook);
    pressed->setEnabled(false);
    EXPECT_FALSE(pressed->isHighlighted());
    EXPECT_FALSE(pressed->pressedLook) << "the look must follow the state before the finger lifts";
    finger.up();
    EXPECT_FALSE(pressed->pressedLook);
}

TEST_F(UIControlTest, TargetsAreWeakAndRemovable)
{
    auto owner = std::make_shared<int>(0);
    int ownerCalls = 0;
    control->addTarget_action_forControlEvents(
        owner, [&](const std::shared_ptr<UIControl>&) { ++ownerCalls; }, UIControlEventValueChanged | UIControlEventEditingChanged);
    EXPECT_TRUE(control->allControlEvents() & UIControlEventEditingChanged);

    control->sendActionsForControlEvents(UIControlEventValueChanged);
    EXPECT_EQ(ownerCalls, 1);
    EXPECT_EQ(sent, (std::vector<std::string>{"value"}));

    // Removing some events of a target keeps the rest.
    control->removeTarget_forControlEvents(owner, UIControlEventValueChanged);
    control->sendActionsForControlEvents(UIControlEventValueChanged | UIControlEventEditingChanged);
    EXPECT_EQ(ownerCalls, 2);

    owner.reset();
    control->sendActionsForControlEvents(UIControlEventEditingChanged);
    EXPECT_EQ(ownerCalls, 2);
    EXPECT_FALSE(control->allControlEvents() & UIControlEventEditingChanged);

    // A null target removes every action.
    control->removeTarget_forControlEvents(nullptr, UIControlEventAllEvents);
    EXPECT_EQ(control->allControlEvents(), 0u);
}

TEST_F(UIControlTest, AnAncestorsSingleTapDoesNotStealTheControlsTap)
{
    int taps = 0;
    auto recognizer = std::make_shared<UITapGestureRecognizer>();
    recognizer->initWithTarget_action(nullptr, [&](const std::shared_ptr<UIGestureRecognizer>&) { ++taps; });
    root->addGestureRecognizer(recognizer);

    Automation::Finger finger(window);
    finger.down(CGPointMake(150, 120));
    finger.up();
    EXPECT_EQ(sent, (std::vector<std::string>{"down*", "upIn"}));
    EXPECT_EQ(taps, 0);

    // Beside the control the ancestor's tap recognises.
    finger.down(CGPointMake(20, 20));
    finger.up();
    EXPECT_EQ(taps, 1);

    // A disabled control is passed over: the ancestor's tap gets it.
    control->setEnabled(false);
    finger.down(CGPointMake(150, 120));
    finger.up();
    EXPECT_EQ(taps, 2);
}
