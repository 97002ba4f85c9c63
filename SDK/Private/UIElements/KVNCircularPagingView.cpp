#include "Private/UIElements/KVNCircularPagingView.h"

#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSTimer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

KVNCircularPagingView::~KVNCircularPagingView()
{
    // The timer only reaches the view weakly; it must not go on firing into nothing.
    if (m_automaticPagingTimer)
        m_automaticPagingTimer->invalidate();
}

std::shared_ptr<KVNCircularPagingView> KVNCircularPagingView::self()
{
    return std::static_pointer_cast<KVNCircularPagingView>(shared_from_this());
}

void KVNCircularPagingView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNCircularPagingView::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto view = self();
    std::weak_ptr<KVNCircularPagingView> weak = view;
    if (m_pageControl) {
        m_pageControl->addTarget_action_forControlEvents(
            view,
            [weak](const std::shared_ptr<UIControl>& sender) {
                if (auto paging = weak.lock())
                    paging->pageControlDidChangePage(sender);
            },
            UIControlEventValueChanged);
    }

    m_scrollView = std::make_shared<UIScrollView>();
    m_scrollView->init();
    m_scrollView->setPagingEnabled(true);
    m_scrollView->setDelegate(std::weak_ptr<UIScrollViewDelegate>(std::static_pointer_cast<UIScrollViewDelegate>(view)));
    m_scrollView->setShowsHorizontalScrollIndicator(false);
    addSubview(m_scrollView);
    Layout::ConstraintMaker::make(m_scrollView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(view); });

    // The content view fills the scroll view's content, as high as the scroll view; the pages
    // pinned side by side inside it make it (and so the content size) as wide as all of them.
    // With no pages it is as wide as the scroll view.
    m_contentView = std::make_shared<UIView>();
    m_contentView->init();
    m_contentView->setBackgroundColor(UIColor::clearColor());
    m_scrollView->addSubview(m_contentView);
    Layout::ConstraintMaker::make(m_contentView, [&](Layout::ConstraintMaker& make) {
        make.edges().equalTo(m_scrollView);
        make.height().equalTo(m_scrollView);
        make.width().equalTo(m_scrollView).priority(1);
    });
}

void KVNCircularPagingView::setPageViews(const std::vector<std::shared_ptr<UIView>>& pageViews)
{
    KVN_ASSERT_MAIN_THREAD();
    m_pageViews = pageViews;
    m_pageControlBeingUsed = false;
    m_scrollView->setContentOffset_animated(CGPointZero, false);
    if (m_pageControl) {
        m_pageControl->setNumberOfPages(static_cast<long>(m_pageViews.size()));
        m_pageControl->setCurrentPage(0);
    }

    auto subviews = m_contentView->subviews();
    for (const auto& subview : subviews)
        subview->removeFromSuperview();

    auto view = self();
    std::shared_ptr<UIView> previous;
    for (size_t i = 0; i < m_pageViews.size(); ++i) {
        const auto& page = m_pageViews[i];
        m_contentView->addSubview(page);
        const bool last = i + 1 == m_pageViews.size();
        Layout::ConstraintMaker::make(page, [&](Layout::ConstraintMaker& make) {
            make.width().height().equalTo(view);
            make.top().equalTo(m_contentView);
            if (previous)
                make.left().equalTo(previous->rightAnchor());
            else
                make.left().equalTo(m_contentView);
            if (last)
                make.right().equalTo(m_contentView);
        });
        previous = page;
    }
    setNeedsLayout();
}

void KVNCircularPagingView::stopAutomaticPaging()
{
    if (m_automaticPagingTimer)
        m_automaticPagingTimer->invalidate();
    m_automaticPagingTimer.reset();
}

void KVNCircularPagingView::setAutomaticPagingEnabled_timeInterval(bool enabled, double timeInterval)
{
    KVN_ASSERT_MAIN_THREAD();
    m_automaticPagingEnabled = enabled;
    stopAutomaticPaging();
    if (!enabled)
        return;
    std::weak_ptr<KVNCircularPagingView> weak = self();
    m_automaticPagingTimer =
        NSTimer::scheduledTimerWithTimeInterval_repeats_block(timeInterval, true, [weak](const std::shared_ptr<NSTimer>& timer) {
            if (auto paging = weak.lock())
                paging->scrollToNextPage(timer);
        });
}

void KVNCircularPagingView::scrollToNextPage(const std::shared_ptr<NSTimer>&)
{
    if (!m_pageControl)
        return;
    long pages = m_pageControl->numberOfPages();
    long next = m_pageControl->currentPage() + 1;
    m_pageControl->setCurrentPage(pages > 0 ? next % pages : next);
    pageControlDidChangePage(m_pageControl);
}

void KVNCircularPagingView::pageControlDidChangePage(const std::shared_ptr<UIControl>&)
{
    long page = m_pageControl ? m_pageControl->currentPage() : 0;
    CGSize size = m_scrollView->frame().size;
    m_scrollView->scrollRectToVisible_animated(CGRectMake(size.width * static_cast<CGFloat>(page), 0, size.width, size.height), true);
    m_pageControlBeingUsed = true;
}

void KVNCircularPagingView::scrollViewDidScroll(const std::shared_ptr<UIScrollView>& scrollView)
{
    if (m_pageControlBeingUsed || !m_pageControl)
        return;
    CGFloat width = scrollView->frame().size.width;
    // Before the first layout the width is 0 and there is no page to tell.
    if (!(width > 0) || !std::isfinite(width))
        return;
    double page = std::floor((scrollView->contentOffset().x - width / 2) / width) + 1;
    if (!std::isfinite(page))
        return;
    m_pageControl->setCurrentPage(static_cast<long>(page));
}

void KVNCircularPagingView::scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>&)
{
    stopAutomaticPaging();
    m_pageControlBeingUsed = false;
}

void KVNCircularPagingView::scrollViewDidEndDecelerating(const std::shared_ptr<UIScrollView>&) { m_pageControlBeingUsed = false; }

void KVNCircularPagingView::tintColorDidChange()
{
    UIView::tintColorDidChange();
    if (!m_pageControl)
        return;
    if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed) {
        m_pageControl->setPageIndicatorTintColor(UIColor::lightGrayColor()->colorWithAlphaComponent(0.5));
        m_pageControl->setCurrentPageIndicatorTintColor(UIColor::lightGrayColor());
    } else {
        auto brand = KavoniAppearance::sharedAppearance()->primaryBrandColor();
        m_pageControl->setPageIndicatorTintColor(brand ? brand->colorWithAlphaComponent(0.5) : nullptr);
        m_pageControl->setCurrentPageIndicatorTintColor(brand);
    }
}
