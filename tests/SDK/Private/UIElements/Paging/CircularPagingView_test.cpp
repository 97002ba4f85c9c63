#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Foundation/NSTimer.h"
#include "PictureFixture.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/UIElements/KVNCircularPagingView.h"
#include "Private/UIElements/KVNInstructionView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIColor.h"

namespace {

constexpr CGFloat kWidth = 320;
constexpr CGFloat kHeight = 200;

class CircularPagingViewTest : public PictureTest {
protected:
    // A paging view of 320 x 200 at the top of a window, its page control below it.
    std::shared_ptr<KVNCircularPagingView> makeShownPagingView(size_t pages)
    {
        auto pageControl = std::make_shared<UIPageControl>();
        pageControl->initWithFrame(CGRectMake(0, kHeight, kWidth, 30));
        pageControl->setBackgroundColor(UIColor::darkGrayColor());
        auto paging = std::make_shared<KVNCircularPagingView>();
        paging->setPageControl(pageControl);
        paging->initWithFrame(CGRectMake(0, 0, kWidth, kHeight));
        window = showInWindow(paging);
        window->addSubview(pageControl);
        paging->setPageViews(makePages(pages));
        window->layoutIfNeeded();
        return paging;
    }

    static std::vector<std::shared_ptr<UIView>> makePages(size_t count)
    {
        const std::shared_ptr<UIColor> colors[] = {UIColor::redColor(), UIColor::greenColor(), UIColor::blueColor(),
                                                   UIColor::darkGrayColor()};
        std::vector<std::shared_ptr<UIView>> pages;
        for (size_t i = 0; i < count; ++i) {
            auto page = std::make_shared<KVNInstructionView>();
            page->initWithNumber_text(long(i) + 1, "Step " + std::to_string(i + 1) + " of the instruction");
            page->setBackgroundColor(colors[i % 4]->colorWithAlphaComponent(0.25));
            pages.push_back(page);
        }
        return pages;
    }

    // A quick swipe across the paging view, leftwards (on to the next page) or rightwards.
    void swipe(bool toNext)
    {
        CGPoint right = CGPointMake(280, kHeight / 2), left = CGPointMake(40, kHeight / 2);
        ASSERT_TRUE(Automation::Driver::swipe(window, toNext ? right : left, toNext ? left : right, 12, 0.2));
        runFor(2.0);
    }

    std::shared_ptr<UIWindow> window;
};

TEST_F(CircularPagingViewTest, PagesLieSideBySideAndSwipesMoveThePageControl)
{
    auto paging = makeShownPagingView(3);
    auto pageControl = paging->pageControl();
    EXPECT_EQ(pageControl->numberOfPages(), 3);
    EXPECT_EQ(paging->scrollView()->contentSize().width, 3 * kWidth);
    for (size_t i = 0; i < 3; ++i) {
        CGRect frame = paging->pageViews()[i]->frame();
        EXPECT_EQ(frame.origin.x, kWidth * CGFloat(i)) << i;
        EXPECT_EQ(frame.size.width, kWidth) << i;
        EXPECT_EQ(frame.size.height, kHeight) << i;
    }

    struct Step {
        const char* why;
        bool toNext;
        long page;
    };
    const Step steps[] = {
        {"no page before the first: it springs back", false, 0}, {"on to the second", true, 1},    {"on to the third", true, 2},
        {"by hand there is no wrap past the last", true, 2},     {"back to the second", false, 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.why);
        swipe(step.toNext);
        EXPECT_EQ(pageControl->currentPage(), step.page);
        EXPECT_EQ(paging->scrollView()->contentOffset().x, kWidth * CGFloat(step.page));
        EXPECT_FALSE(paging->pageControlBeingUsed());
    }
}

TEST_F(CircularPagingViewTest, CurrentPageIsTheNearestToTheOffset)
{
    auto paging = makeShownPagingView(4);
    const struct {
        double widths;
        long page;
    } cases[] = {{0, 0}, {0.4, 0}, {0.6, 1}, {1.4, 1}, {1.6, 2}, {3.0, 3}};
    for (const auto& c : cases) {
        paging->scrollView()->setContentOffset(CGPointMake(c.widths * kWidth, 0));
        EXPECT_EQ(paging->pageControl()->currentPage(), c.page) << c.widths << " widths";
    }
}

TEST_F(CircularPagingViewTest, ThePageControlScrollsToItsPage)
{
    auto paging = makeShownPagingView(3);
    ASSERT_TRUE(Automation::Driver::tap(paging->pageControl()));
    EXPECT_EQ(paging->pageControl()->currentPage(), 1);
    EXPECT_TRUE(paging->pageControlBeingUsed());
    runFor(1.0);
    EXPECT_EQ(paging->scrollView()->contentOffset().x, kWidth);
    // The scroll on the way does not pull the page control back to page 0.
    EXPECT_EQ(paging->pageControl()->currentPage(), 1);
}

TEST_F(CircularPagingViewTest, AutomaticPagingWrapsRoundUntilADrag)
{
    auto paging = makeShownPagingView(3);
    paging->setAutomaticPagingEnabled_timeInterval(true, 4.0);
    for (long expected : {1, 2, 0, 1}) {
        runFor(4.0);
        EXPECT_EQ(paging->pageControl()->currentPage(), expected);
        runFor(0.5);
        EXPECT_EQ(paging->scrollView()->contentOffset().x, kWidth * CGFloat(expected));
    }
    swipe(true);
    EXPECT_EQ(paging->pageControl()->currentPage(), 2);
    EXPECT_EQ(paging->automaticPagingTimer(), nullptr);
    EXPECT_TRUE(paging->automaticPagingEnabled());
    runFor(20.0);
    EXPECT_EQ(paging->pageControl()->currentPage(), 2);
}

TEST_F(CircularPagingViewTest, ReleasingTheViewStopsItsTimer)
{
    auto paging = makeShownPagingView(2);
    paging->setAutomaticPagingEnabled_timeInterval(true, 1.0);
    auto timer = paging->automaticPagingTimer();
    ASSERT_TRUE(timer && timer->isValid());
    paging->removeFromSuperview();
    paging.reset();
    EXPECT_FALSE(timer->isValid());
    runFor(3.0);
}

TEST_F(CircularPagingViewTest, BeforeLayoutAZeroWidthTellsNoPage)
{
    auto pageControl = std::make_shared<UIPageControl>();
    pageControl->init();
    auto paging = std::make_shared<KVNCircularPagingView>();
    paging->setPageControl(pageControl);
    paging->init();
    paging->setPageViews(makePages(3));
    pageControl->setCurrentPage(2);
    paging->scrollViewDidScroll(paging->scrollView());
    EXPECT_EQ(pageControl->currentPage(), 2);
    // Nor does the first layout, at a width of 0, move anything.
    paging->layoutIfNeeded();
    paging->scrollToNextPage(nullptr);
    EXPECT_EQ(pageControl->currentPage(), 0);
    EXPECT_EQ(paging->scrollView()->contentOffset().x, 0);
}

TEST_F(CircularPagingViewTest, NewPagesReplaceTheOldAndStartAtTheFirst)
{
    auto paging = makeShownPagingView(3);
    swipe(true);
    paging->setPageViews(makePages(2));
    window->layoutIfNeeded();
    // The pages' constraints size the content: two pages wide, and as wide as the view without.
    EXPECT_EQ(paging->scrollView()->contentSize(), CGSizeMake(2 * kWidth, kHeight));
    EXPECT_EQ(paging->contentView()->frame(), CGRectMake(0, 0, 2 * kWidth, kHeight));
    EXPECT_EQ(paging->contentView()->subviews().size(), 2u);
    EXPECT_EQ(paging->pageControl()->numberOfPages(), 2);
    EXPECT_EQ(paging->pageControl()->currentPage(), 0);
    EXPECT_EQ(paging->scrollView()->contentOffset().x, 0);

    paging->setPageViews({});
    window->layoutIfNeeded();
    EXPECT_EQ(paging->scrollView()->contentSize(), CGSizeMake(kWidth, kHeight));
    EXPECT_TRUE(paging->contentView()->subviews().empty());
    EXPECT_EQ(paging->pageControl()->numberOfPages(), 0);
    EXPECT_EQ(paging->pageControl()->currentPage(), 0);
    paging->scrollToNextPage(nullptr);
    EXPECT_EQ(paging->pageControl()->currentPage(), 0);
}

TEST_F(CircularPagingViewTest, DimmingGreysThePageIndicators)
{
    auto paging = makeShownPagingView(3);
    auto brand = KavoniAppearance::sharedAppearance()->primaryBrandColor();
    paging->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
    EXPECT_TRUE(paging->pageControl()->currentPageIndicatorTintColor()->isEqual(*UIColor::lightGrayColor()));
    EXPECT_TRUE(paging->pageControl()->pageIndicatorTintColor()->isEqual(*UIColor::lightGrayColor()->colorWithAlphaComponent(0.5)));
    paging->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    EXPECT_TRUE(paging->pageControl()->currentPageIndicatorTintColor()->isEqual(*brand));
    EXPECT_TRUE(paging->pageControl()->pageIndicatorTintColor()->isEqual(*brand->colorWithAlphaComponent(0.5)));
}

TEST_F(CircularPagingViewTest, PicturesOfEachPage)
{
    auto paging = makeShownPagingView(3);
    // The indicators take the brand colour from the first change of the tint.
    paging->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
    paging->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    for (long page = 0; page < 3; ++page) {
        if (page > 0)
            swipe(true);
        ASSERT_EQ(paging->pageControl()->currentPage(), page);
        picture(window, "paging-page-" + std::to_string(page + 1));
    }
}

} // namespace
