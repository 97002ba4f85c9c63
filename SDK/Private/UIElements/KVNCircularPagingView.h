#pragma once
// Pages side by side in a horizontally paged scroll view, with a page control that follows
// the scrolling and scrolls to the page it is moved to. Automatic paging steps on to the
// next page at an interval and comes back round to the first after the last; a drag by the
// user stops it for good. The owner gives the page control before initWithFrame and stops
// automatic paging (or lets the view go, which stops it too) when done.
// Main thread only; the paging timer fires on the main run loop.
#include <memory>
#include <vector>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIPageControl.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UIScrollViewDelegate.h"
#include "UIKit/UIView.h"

class NSTimer;

class KVNCircularPagingView : public UIView, public UIScrollViewDelegate {
public:
    ~KVNCircularPagingView() override;
    void initWithFrame(CGRect frame) override;

    // Kept for the owner; the view itself does not use it.
    const std::shared_ptr<NSLayoutConstraint>& heightConstraint() const { return m_heightConstraint; }
    void setHeightConstraint(std::shared_ptr<NSLayoutConstraint> constraint) { m_heightConstraint = std::move(constraint); }
    const std::shared_ptr<UIPageControl>& pageControl() const { return m_pageControl; }
    void setPageControl(std::shared_ptr<UIPageControl> pageControl) { m_pageControl = std::move(pageControl); }
    const std::vector<std::shared_ptr<UIView>>& pageViews() const { return m_pageViews; }
    // Replaces the pages and goes back to the first one.
    void setPageViews(const std::vector<std::shared_ptr<UIView>>& pageViews);
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_scrollView; }
    const std::shared_ptr<UIView>& contentView() const { return m_contentView; }
    const std::shared_ptr<NSTimer>& automaticPagingTimer() const { return m_automaticPagingTimer; }
    bool automaticPagingEnabled() const { return m_automaticPagingEnabled; }
    bool pageControlBeingUsed() const { return m_pageControlBeingUsed; }

    void setAutomaticPagingEnabled_timeInterval(bool enabled, double timeInterval);
    void scrollToNextPage(const std::shared_ptr<NSTimer>& timer);
    void pageControlDidChangePage(const std::shared_ptr<UIControl>& sender);

    void scrollViewDidScroll(const std::shared_ptr<UIScrollView>& scrollView) override;
    void scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>& scrollView) override;
    void scrollViewDidEndDecelerating(const std::shared_ptr<UIScrollView>& scrollView) override;

    void tintColorDidChange() override;

private:
    void setUp();
    void stopAutomaticPaging();
    std::shared_ptr<KVNCircularPagingView> self();

    std::shared_ptr<NSLayoutConstraint> m_heightConstraint;
    std::shared_ptr<UIPageControl> m_pageControl;
    std::vector<std::shared_ptr<UIView>> m_pageViews;
    std::shared_ptr<UIScrollView> m_scrollView;
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<NSTimer> m_automaticPagingTimer;
    bool m_automaticPagingEnabled = false;
    bool m_pageControlBeingUsed = false;
};
