#include "UIKitTestFixture.h"

#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"

using Views = std::vector<std::shared_ptr<UIView>>;

namespace {

std::shared_ptr<UIView> makeView(CGRect frame = CGRectZero)
{
    auto view = std::make_shared<UIView>();
    view->initWithFrame(frame);
    return view;
}

// Counts the tint changes it hears of.
struct TintListener : UIView {
    int changes = 0;
    void tintColorDidChange() override { ++changes; }
};

std::shared_ptr<TintListener> makeListener()
{
    auto view = std::make_shared<TintListener>();
    view->init();
    return view;
}

} // namespace

class UIViewTest : public UIKitTest {};

TEST_F(UIViewTest, FrameBoundsAndCenterStayConsistent)
{
    auto view = makeView(CGRectMake(10, 20, 100, 50));
    EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 100, 50));
    EXPECT_EQ(view->center(), CGPointMake(60, 45));

    view->setCenter(CGPointMake(0, 0));
    EXPECT_EQ(view->frame(), CGRectMake(-50, -25, 100, 50));

    // Bounds keep the center; their origin (a scroll offset) does not move the frame.
    view->setBounds(CGRectMake(5, 5, 20, 10));
    EXPECT_EQ(view->frame(), CGRectMake(-10, -5, 20, 10));
}

TEST_F(UIViewTest, TreeOperations)
{
    auto parent = makeView();
    auto a = makeView(), b = makeView(), c = makeView();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubview_atIndex(c, 0);
    EXPECT_EQ(parent->subviews(), (Views{c, a, b}));

    parent->insertSubview_aboveSubview(c, b); // reorder within the parent
    EXPECT_EQ(parent->subviews(), (Views{a, b, c}));
    parent->insertSubview_belowSubview(c, a);
    EXPECT_EQ(parent->subviews(), (Views{c, a, b}));
    parent->addSubview(c); // adding again brings it to the front
    EXPECT_EQ(parent->subviews(), (Views{a, b, c}));
    parent->sendSubviewToBack(c);
    EXPECT_EQ(parent->subviews(), (Views{c, a, b}));

    // Adding to another view moves the subview there.
    auto other = makeView();
    other->addSubview(a);
    EXPECT_EQ(parent->subviews(), (Views{c, b}));
    EXPECT_EQ(a->superview(), other);

    b->removeFromSuperview();
    EXPECT_EQ(parent->subviews(), Views{c});
    EXPECT_EQ(b->superview(), nullptr);

    c->setTag(7);
    EXPECT_EQ(parent->viewWithTag(7), c);
    EXPECT_EQ(parent->viewWithTag(8), nullptr);
}

TEST_F(UIViewTest, CyclesAreRefused)
{
    auto parent = makeView();
    auto child = makeView();
    auto grandchild = makeView();
    parent->addSubview(child);
    child->addSubview(grandchild);

    grandchild->addSubview(parent);
    child->addSubview(child);
    EXPECT_EQ(parent->superview(), nullptr);
    EXPECT_EQ(child->superview(), parent);
    EXPECT_EQ(child->subviews(), Views{grandchild});
}

TEST_F(UIViewTest, WindowIsTheRootOfTheTree)
{
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto view = makeView();
    auto inner = makeView();
    view->addSubview(inner);
    EXPECT_EQ(inner->window(), nullptr);
    window->addSubview(view);
    EXPECT_EQ(inner->window(), window);
    EXPECT_EQ(window->window(), window);
    view->removeFromSuperview();
    EXPECT_EQ(inner->window(), nullptr);
}

TEST_F(UIViewTest, TintIsInheritedUntilSet)
{
    auto red = UIColor::colorWithRed_green_blue_alpha(1, 0, 0, 1);
    auto green = UIColor::colorWithRed_green_blue_alpha(0, 1, 0, 1);
    auto root = makeListener();
    auto middle = makeListener();
    auto leaf = makeListener();
    root->addSubview(middle);
    middle->addSubview(leaf);

    // With none set anywhere, every view shows the same system tint.
    auto systemTint = leaf->tintColor();
    ASSERT_NE(systemTint, nullptr);
    EXPECT_EQ(root->tintColor(), systemTint);

    root->setTintColor(red);
    EXPECT_EQ(leaf->tintColor(), red);
    EXPECT_EQ((std::vector<int>{root->changes, middle->changes, leaf->changes}), (std::vector<int>{1, 1, 1}));

    // A view with its own tint shields its subtree.
    middle->setTintColor(green);
    root->setTintColor(systemTint);
    EXPECT_EQ(leaf->tintColor(), green);
    EXPECT_EQ((std::vector<int>{root->changes, middle->changes, leaf->changes}), (std::vector<int>{2, 2, 2}));

    // Unset: inherits again.
    middle->setTintColor(nullptr);
    EXPECT_EQ(leaf->tintColor(), systemTint);

    // Moving into a tinted tree changes what the moved subtree shows, and tells it.
    auto tinted = makeView();
    tinted->setTintColor(red);
    int before = leaf->changes;
    tinted->addSubview(middle);
    EXPECT_EQ(leaf->tintColor(), red);
    EXPECT_EQ(leaf->changes, before + 1);
}

TEST_F(UIViewTest, LayoutRunsParentsFirstAndOnlyWhenMarked)
{
    std::vector<std::string> order;
    struct Laying : UIView {
        std::vector<std::string>* order = nullptr;
        std::string name;
        void layoutSubviews() override { order->push_back(name); }
    };
    auto make = [&](const std::string& name) {
        auto view = std::make_shared<Laying>();
        view->order = &order;
        view->name = name;
        return view;
    };
    auto parent = make("parent");
    auto child = make("child");
    parent->addSubview(child);

    parent->layoutIfNeeded();
    EXPECT_EQ(order, (std::vector<std::string>{"parent", "child"}));
    parent->layoutIfNeeded();
    EXPECT_EQ(order.size(), 2u);

    child->setNeedsLayout();
    parent->layoutIfNeeded();
    EXPECT_EQ(order.back(), "child");
    EXPECT_EQ(order.size(), 3u);

    // A new size marks the view; the same size does not.
    child->setFrame(CGRectMake(0, 0, 10, 10));
    child->setFrame(CGRectMake(5, 5, 10, 10));
    parent->layoutIfNeeded();
    EXPECT_EQ(order.size(), 4u);
}

TEST_F(UIViewTest, AnimationAppliesAtOnceAndCompletesOnTheClock)
{
    struct Case {
        double duration, delay, completesAt;
    };
    for (auto [duration, delay, completesAt] : {Case{0.25, 0, 0.25}, Case{0.3, 0.2, 0.5}}) {
        auto view = makeView();
        double start = clock->now();
        std::vector<double> completions;
        UIView::animateWithDuration_delay_options_animations_completion(duration, delay, 0, [&] { view->setAlpha(0.0); },
                                                                        [&](bool finished) {
                                                                            EXPECT_TRUE(finished);
                                                                            completions.push_back(clock->now() - start);
                                                                        });
        EXPECT_EQ(view->alpha(), 0.0);
        clock->advance(completesAt - 0.01);
        EXPECT_TRUE(completions.empty()) << duration << "+" << delay;
        clock->advance(0.02);
        ASSERT_EQ(completions.size(), 1u) << duration << "+" << delay;
        EXPECT_NEAR(completions[0], completesAt, 1e-9);
    }
}

TEST_F(UIViewTest, ZeroDurationAnimationCompletesOnTheNextTurn)
{
    auto view = makeView();
    bool completed = false;
    UIView::animateWithDuration_animations_completion(0, [&] { view->setHidden(true); }, [&](bool) { completed = true; });
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(completed);
    pump();
    EXPECT_TRUE(completed);
}

TEST_F(UIViewTest, DrawsTheTreeIntoAnImageContext)
{
    // 4 x 4 red view; a blue 2 x 2 subview at (2, 0) whose green subview (2 x 2 at (1, 1))
    // is cut by the blue one's bounds; a hidden white view over everything; and a view that
    // draws a black pixel itself at (0, 3).
    struct Dot : UIView {
        void drawRect(CGRect) override
        {
            CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 0, 0, 0, 1);
            CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 1, 1));
        }
    };
    auto root = makeView(CGRectMake(0, 0, 4, 4));
    root->setBackgroundColor(UIColor::redColor());
    auto blue = makeView(CGRectMake(2, 0, 2, 2));
    blue->setBackgroundColor(UIColor::blueColor());
    blue->setClipsToBounds(true);
    auto green = makeView(CGRectMake(1, 1, 2, 2));
    green->setBackgroundColor(UIColor::greenColor());
    blue->addSubview(green);
    auto hidden = makeView(CGRectMake(0, 0, 4, 4));
    hidden->setBackgroundColor(UIColor::whiteColor());
    hidden->setHidden(true);
    auto dot = std::make_shared<Dot>();
    dot->initWithFrame(CGRectMake(0, 3, 1, 1));
    root->addSubview(blue);
    root->addSubview(hidden);
    root->addSubview(dot);

    EXPECT_FALSE(root->drawViewHierarchyInRect_afterScreenUpdates(root->bounds(), true)) << "no current context";
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(4, 4), true, 1.0);
    EXPECT_TRUE(root->drawViewHierarchyInRect_afterScreenUpdates(root->bounds(), true));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_NE(image, nullptr);
    auto bitmap = image->CGImage();

    constexpr uint32_t red = 0xFFFF0000, blueWord = 0xFF0000FF, greenWord = 0xFF00FF00, black = 0xFF000000;
    struct Pixel {
        size_t x, y;
        uint32_t word;
        const char* why;
    };
    for (const auto& p : std::vector<Pixel>{{0, 0, red, "the root's background"},
                                            {2, 0, blueWord, "a subview over it"},
                                            {3, 1, greenWord, "a subview's subview, offset by both frames"},
                                            {3, 2, red, "cut by the blue view's bounds"},
                                            {1, 1, red, "hidden views draw nothing"},
                                            {0, 3, black, "drawRect in the view's own coordinates"}})
        EXPECT_EQ(bitmap->pixelAt(p.x, p.y), p.word) << p.why;
}
