#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UIPageControl.h"

using fixtures::pixel;
using fixtures::snapshot;

class UIPageControlTest : public UIKitTest {};

TEST_F(UIPageControlTest, PagesStayInRange)
{
    struct Case {
        const char* why;
        long pages, current, expected;
    };
    const Case cases[] = {
        {"inside", 5, 3, 3},   {"past the last page", 5, 9, 4},        {"negative", 5, -2, 0},
        {"no pages", 0, 2, 0}, {"a negative count is none", -3, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto control = std::make_shared<UIPageControl>();
        control->init();
        control->setNumberOfPages(c.pages);
        control->setCurrentPage(c.current);
        EXPECT_EQ(control->currentPage(), c.expected);
        EXPECT_GE(control->numberOfPages(), 0);
    }
    auto control = std::make_shared<UIPageControl>();
    control->init();
    control->setNumberOfPages(5);
    control->setCurrentPage(4);
    control->setNumberOfPages(2);
    EXPECT_EQ(control->currentPage(), 1) << "fewer pages pull the current one in";
    EXPECT_EQ(control->intrinsicContentSize(), CGSizeMake(23, 37));
}

TEST_F(UIPageControlTest, DotsShowTheCurrentPageInItsColour)
{
    auto control = std::make_shared<UIPageControl>();
    control->initWithFrame(CGRectMake(0, 0, 55, 37)); // three dots span 39 points from x 8
    control->setNumberOfPages(3);
    control->setCurrentPage(1);
    control->setPageIndicatorTintColor(UIColor::blueColor());
    control->setCurrentPageIndicatorTintColor(UIColor::redColor());
    auto shot = snapshot(control);
    EXPECT_EQ(pixel(*shot, 11, 18).b, 255);
    EXPECT_EQ(pixel(*shot, 27, 18).r, 255);
    EXPECT_EQ(pixel(*shot, 43, 18).b, 255);
    EXPECT_EQ(pixel(*shot, 19, 18).a, 0) << "between the dots";

    control->setHidesForSinglePage(true);
    control->setNumberOfPages(1);
    EXPECT_EQ(fixtures::inkBounds(*snapshot(control)), CGRectNull);
}

TEST_F(UIPageControlTest, TapsStepAPageAndReportIt)
{
    auto screen = showBlankScreen();
    auto control = std::make_shared<UIPageControl>();
    control->initWithFrame(CGRectMake(0, 0, 100, 37));
    control->setNumberOfPages(3);
    screen.view->addSubview(control);
    int changes = 0;
    control->addTarget_action_forControlEvents(nullptr, [&](const std::shared_ptr<UIControl>&) { ++changes; },
                                               UIControlEventValueChanged);
    struct Step {
        double x;
        long page;
        int changes;
    };
    const Step steps[] = {{80, 1, 1}, {80, 2, 2}, {80, 2, 2} /* already last: no change */, {10, 1, 3}};
    for (const auto& step : steps) {
        Automation::Finger finger(screen.window);
        finger.down(control->convertPoint_toView(CGPointMake(step.x, 18), nullptr));
        finger.up();
        EXPECT_EQ(control->currentPage(), step.page);
        EXPECT_EQ(changes, step.changes);
    }
    Automation::Finger away(screen.window);
    away.down(control->convertPoint_toView(CGPointMake(80, 18), nullptr));
    away.moveTo(control->convertPoint_toView(CGPointMake(80, 90), nullptr));
    away.up();
    EXPECT_EQ(control->currentPage(), 1) << "lifted outside: no tap";

    control->setCurrentPage(0);
    EXPECT_EQ(changes, 3) << "only taps report";
    ASSERT_TRUE(Automation::Driver::tap(control));
    EXPECT_EQ(control->currentPage(), 1) << "the middle belongs to the right half";
    EXPECT_EQ(changes, 4);
}
