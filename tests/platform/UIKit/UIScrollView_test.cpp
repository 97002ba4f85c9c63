#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIButton.h"
#include "UIKit/UIScrollView.h"


namespace {

// Writes down what the scroll view tells it, and may move the resting target.
struct Journal : UIScrollViewDelegate {
    std::vector<std::string> events;
    std::optional<CGPoint> retarget;
    CGPoint velocity;

    void scrollViewDidScroll(const std::shared_ptr<UIScrollView>&) override
    {
        if (events.empty() || events.back() != "scroll")
            events.push_back("scroll");
    }
    void scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>&) override { events.push_back("willBeginDragging"); }
    void scrollViewWillEndDragging_withVelocity_targetContentOffset(const std::shared_ptr<UIScrollView>&, CGPoint v,
                                                                    CGPoint* target) override
    {
        velocity = v;
        events.push_back("willEndDragging");
        if (retarget)
            *target = *retarget;
    }
    void scrollViewDidEndDragging_willDecelerate(const std::shared_ptr<UIScrollView>&, bool decelerate) override
    {
        events.push_back(decelerate ? "didEndDragging(decelerate)" : "didEndDragging");
    }
    void scrollViewWillBeginDecelerating(const std::shared_ptr<UIScrollView>&) override { events.push_back("willBeginDecelerating"); }
    void scrollViewDidEndDecelerating(const std::shared_ptr<UIScrollView>&) override { events.push_back("didEndDecelerating"); }
    void scrollViewDidEndScrollingAnimation(const std::shared_ptr<UIScrollView>&) override { events.push_back("didEndScrollingAnimation"); }
};

using Events = std::vector<std::string>;

// A scroll view that keeps controls' touches, as a signature pad or slider would want.
struct ControlKeepingScrollView : UIScrollView {
    bool touchesShouldCancelInContentView(const std::shared_ptr<UIView>& view) override
    {
        return !std::dynamic_pointer_cast<UIControl>(view);
    }
};


} // namespace

class UIScrollViewTest : public UIKitTest {
protected:
    std::shared_ptr<UIScrollView> makeScrollView(CGSize content, bool paging = false)
    {
        auto view = std::make_shared<UIScrollView>();
        view->initWithFrame(CGRectMake(0, 0, 100, 200));
        view->setContentSize(content);
        view->setPagingEnabled(paging);
        showInWindow(view);
        return view;
    }

    // A drag of `distance` (negative: up or left) in steps of 10 points, `stepTime` apart,
    // from the middle of the view; `pause` seconds of stillness before lifting.
    void drag(const std::shared_ptr<UIScrollView>& view, CGPoint distance, double stepTime = 0.016, double pause = 0)
    {
        Automation::Finger finger(view->window());
        CGPoint p = CGPointMake(50, 100);
        finger.down(p);
        int steps = int(std::ceil(std::max(std::fabs(distance.x), std::fabs(distance.y)) / 10)) + 1;
        // The first step only crosses the drag threshold.
        CGPoint start = CGPointMake(p.x +
                                        (distance.x > 0       ? 10
                                             : distance.x < 0 ? -10
                                                              : 0),
                                    p.y +
                                        (distance.y > 0       ? 10
                                             : distance.y < 0 ? -10
                                                              : 0));
        runFor(stepTime);
        finger.moveTo(start);
        for (int i = 1; i <= steps - 1; ++i) {
            runFor(stepTime);
            finger.moveTo(CGPointMake(start.x + distance.x * i / (steps - 1), start.y + distance.y * i / (steps - 1)));
        }
        runFor(pause);
        finger.up();
    }
};

TEST_F(UIScrollViewTest, OffsetLimitsFollowContentAndInsets)
{
    struct Case {
        const char* why;
        CGSize content;
        UIEdgeInsets inset;
        CGPoint min, max;
    };
    const Case cases[] = {
        {"content smaller than the view does not scroll", {50, 100}, {}, {0, 0}, {0, 0}},
        {"taller content scrolls by the difference", {100, 500}, {}, {0, 0}, {0, 300}},
        {"insets widen the range on both ends", {100, 500}, {20, 0, 30, 0}, {0, -20}, {0, 330}},
        {"bad sizes count as none", {NAN, -5}, {}, {0, 0}, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto view = makeScrollView(c.content);
        view->setContentInset(c.inset);
        EXPECT_EQ(view->minimumContentOffset(), c.min);
        EXPECT_EQ(view->maximumContentOffset(), c.max);
    }
    auto view = makeScrollView({100, 500});
    view->setContentOffset(CGPointMake(0, 40));
    EXPECT_EQ(view->bounds().origin, CGPointMake(0, 40)) << "the offset is the bounds' origin";
    view->setContentOffset(CGPointMake(NAN, 0));
    EXPECT_EQ(view->contentOffset(), CGPointMake(0, 40));
}

TEST_F(UIScrollViewTest, DragFollowsTheFingerAndGlidesToRestInOrder)
{
    auto view = makeScrollView({100, 2000});
    auto journal = std::make_shared<Journal>();
    view->setDelegate(journal);
    drag(view, CGPointMake(0, -100));
    EXPECT_EQ(view->contentOffset().y, 100) << "the content went up with the finger";
    EXPECT_NEAR(journal->velocity.y, 0.625, 1e-6) << "points per millisecond, the content's way";
    EXPECT_EQ(journal->velocity.x, 0) << "the axis that does not scroll stays still";
    EXPECT_TRUE(view->isDecelerating());
    runFor(10);
    EXPECT_FALSE(view->isDecelerating());
    EXPECT_NEAR(view->contentOffset().y, 100 + 625 * 0.499, 0.5);
    EXPECT_EQ(journal->events,
              (Events{"willBeginDragging", "scroll", "willEndDragging", "didEndDragging(decelerate)", "willBeginDecelerating", "scroll",
                      "didEndDecelerating"}));
}

TEST_F(UIScrollViewTest, ReleaseTargetsAndTheirEnds)
{
    struct Case {
        const char* why;
        bool paging;
        CGPoint distance;
        double pause; // stillness before lifting: no speed left
        std::optional<CGPoint> retarget;
        double rest; // x offset at rest
    };
    const Case cases[] = {
        {"paging: a slow short drag falls back", true, {-40, 0}, 0.2, {}, 0},
        {"paging: past the middle goes on", true, {-60, 0}, 0.2, {}, 100},
        {"paging: a flick goes on however short", true, {-30, 0}, 0, {}, 100},
        {"paging: never past the last page", true, {-600, 0}, 0, {}, 400},
        {"free: a still finger stops where it is", false, {-70, 0}, 0.2, {}, 70},
        {"free: the glide ends inside the content", false, {-300, 0}, 0, {}, 400},
        {"free: the delegate moves the target", false, {-100, 0}, 0, CGPoint{150, 0}, 150},
        {"free: a target beyond the content is held inside", false, {-100, 0}, 0, CGPoint{9000, 0}, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto view = makeScrollView({500, 200}, c.paging);
        auto journal = std::make_shared<Journal>();
        journal->retarget = c.retarget;
        view->setDelegate(journal);
        drag(view, c.distance, 0.016, c.pause);
        runFor(10);
        EXPECT_EQ(view->contentOffset(), CGPointMake(c.rest, 0));
        EXPECT_FALSE(view->isDecelerating());
    }
}

TEST_F(UIScrollViewTest, EdgesBounceOrHold)
{
    for (bool bounces : {true, false}) {
        SCOPED_TRACE(bounces ? "bounces" : "holds");
        auto view = makeScrollView({100, 1000});
        view->setBounces(bounces);
        auto journal = std::make_shared<Journal>();
        view->setDelegate(journal);
        Automation::Finger finger(view->window());
        finger.down(CGPointMake(50, 50));
        finger.moveTo(CGPointMake(50, 60));
        finger.moveTo(CGPointMake(50, 100)); // 40 points down, past the top
        EXPECT_EQ(view->contentOffset().y, bounces ? -20 : 0) << "half the pace beyond the edge";
        runFor(0.5);
        finger.up();
        runFor(2);
        EXPECT_EQ(view->contentOffset().y, 0) << "at rest inside the content";
        EXPECT_EQ(journal->events.back(), bounces ? "didEndDecelerating" : "didEndDragging");
    }
}

TEST_F(UIScrollViewTest, TapsAndDisabledScrollingLeaveTheOffsetAlone)
{
    auto view = makeScrollView({100, 1000});
    auto journal = std::make_shared<Journal>();
    view->setDelegate(journal);
    Automation::Finger tap(view->window());
    tap.down(CGPointMake(50, 50));
    tap.moveTo(CGPointMake(52, 45)); // within the threshold
    tap.up();
    EXPECT_TRUE(journal->events.empty());

    view->setScrollEnabled(false);
    drag(view, CGPointMake(0, -100));
    EXPECT_EQ(view->contentOffset(), CGPointZero);
    EXPECT_TRUE(journal->events.empty());
}

TEST_F(UIScrollViewTest, AnimatedScrollsEndOnTheirTarget)
{
    auto view = makeScrollView({100, 1000});
    auto journal = std::make_shared<Journal>();
    view->setDelegate(journal);
    view->setContentOffset_animated(CGPointMake(0, 300), true);
    EXPECT_EQ(view->contentOffset(), CGPointZero) << "it moves on the clock";
    runFor(0.1);
    EXPECT_GT(view->contentOffset().y, 0);
    EXPECT_LT(view->contentOffset().y, 300);
    runFor(1);
    EXPECT_EQ(view->contentOffset(), CGPointMake(0, 300));
    EXPECT_EQ(journal->events, (Events{"scroll", "didEndScrollingAnimation"}));

    // The least scroll that shows the rectangle; from below, its bottom edge comes in.
    view->scrollRectToVisible_animated(CGRectMake(0, 600, 100, 50), false);
    EXPECT_EQ(view->contentOffset(), CGPointMake(0, 450));
    view->scrollRectToVisible_animated(CGRectMake(0, 100, 100, 50), false);
    EXPECT_EQ(view->contentOffset(), CGPointMake(0, 100));
    view->scrollRectToVisible_animated(CGRectMake(0, 150, 100, 50), false);
    EXPECT_EQ(view->contentOffset(), CGPointMake(0, 100)) << "already shown";
}

TEST_F(UIScrollViewTest, ATouchStopsAGlide)
{
    auto view = makeScrollView({100, 5000});
    drag(view, CGPointMake(0, -100));
    runFor(0.1);
    double where = view->contentOffset().y;
    Automation::Finger finger(view->window());
    finger.down(CGPointMake(50, 50));
    runFor(1);
    EXPECT_EQ(view->contentOffset().y, where);
    EXPECT_FALSE(view->isDecelerating());
    finger.cancel();
}

TEST_F(UIScrollViewTest, ADragFromAButtonScrollsAndTakesTheButtonsTouch)
{
    struct Case {
        std::string name;
        std::shared_ptr<UIScrollView> view;
        bool scrolls;
    };
    auto contentKeeping = std::make_shared<UIScrollView>();
    contentKeeping->setCanCancelContentTouches(false);
    std::vector<Case> cases{{"default", std::make_shared<UIScrollView>(), true},
                            {"canCancelContentTouches off", contentKeeping, false},
                            {"touchesShouldCancelInContentView NO", std::make_shared<ControlKeepingScrollView>(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = c.view;
        view->initWithFrame(CGRectMake(0, 0, 100, 200));
        view->setContentSize(CGSizeMake(100, 1000));
        auto journal = std::make_shared<Journal>();
        view->setDelegate(journal);
        auto window = showInWindow(view);
        auto button = UIButton::buttonWithType(UIButtonTypeSystem);
        button->setFrame(CGRectMake(10, 50, 80, 40));
        view->addSubview(button);
        Events fired;
        auto record = [&](const std::string& name) {
            return [&fired, name](const std::shared_ptr<UIControl>&) { fired.push_back(name); };
        };
        button->addTarget_action_forControlEvents(nullptr, record("down"), UIControlEventTouchDown);
        button->addTarget_action_forControlEvents(nullptr, record("upInside"), UIControlEventTouchUpInside);
        button->addTarget_action_forControlEvents(nullptr, record("cancel"), UIControlEventTouchCancel);

        ASSERT_TRUE(Automation::Driver::tap(button));
        EXPECT_EQ(fired, (Events{"down", "upInside"})) << "a plain tap stays the button's";
        EXPECT_EQ(view->contentOffset(), CGPointZero);

        fired.clear();
        Automation::Finger finger(window);
        finger.down(CGPointMake(50, 70));
        EXPECT_TRUE(button->isHighlighted());
        for (double y = 65; y >= 30; y -= 5)
            finger.moveTo(CGPointMake(50, y));
        if (c.scrolls) {
            EXPECT_FALSE(button->isHighlighted());
            EXPECT_EQ(fired, (Events{"down", "cancel"}));
            EXPECT_GT(view->contentOffset().y, 0);
            EXPECT_TRUE(view->isDragging());
        } else {
            EXPECT_TRUE(button->isHighlighted());
            EXPECT_EQ(view->contentOffset(), CGPointZero);
            EXPECT_FALSE(view->isTracking());
        }
        // Back over the button before lifting: only a control that kept its touch fires.
        finger.moveTo(CGPointMake(50, 70));
        finger.up();
        if (c.scrolls) {
            EXPECT_EQ(fired, (Events{"down", "cancel"}));
            EXPECT_FALSE(view->isDragging());
            EXPECT_EQ(journal->events.front(), "willBeginDragging");
        } else {
            EXPECT_EQ(fired, (Events{"down", "upInside"}));
            EXPECT_TRUE(journal->events.empty());
        }
        EXPECT_FALSE(button->isHighlighted());
        runFor(2.0);

        fired.clear();
        view->setContentOffset(CGPointZero);
        ASSERT_TRUE(Automation::Driver::tap(button)) << "the next touch starts afresh";
        EXPECT_EQ(fired, (Events{"down", "upInside"}));
    }
}

// Content scrolled out of the bounds is out of sight: it is not drawn over the views around.
TEST_F(UIScrollViewTest, ContentOutsideTheBoundsIsNotDrawn)
{
    auto root = fixtures::makeView(CGRectMake(0, 0, 100, 300), UIColor::whiteColor());
    auto scroll = std::make_shared<UIScrollView>();
    scroll->initWithFrame(CGRectMake(0, 0, 100, 100));
    scroll->setContentSize(CGSizeMake(100, 300));
    root->addSubview(scroll);
    scroll->addSubview(fixtures::makeView(CGRectMake(0, 0, 100, 300), UIColor::redColor()));
    auto picture = fixtures::snapshot(root);
    EXPECT_EQ(fixtures::pixel(*picture, 50, 50).r, 255);
    EXPECT_EQ(fixtures::pixel(*picture, 50, 50).g, 0) << "inside: the content";
    EXPECT_EQ(fixtures::pixel(*picture, 50, 200).g, 255) << "below: the white ground";
}
