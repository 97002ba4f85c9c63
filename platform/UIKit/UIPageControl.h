#pragma once
// A row of dots, one a page, the current one in its own colour. A tap on the left half
// goes one page back, on the right half one page on, and sends UIControlEventValueChanged
// when the page changed. Main thread only.
#include <memory>

#include "UIKit/UIControl.h"

class UIColor;

class UIPageControl : public UIControl {
public:
    UIPageControl() = default;
    void initWithFrame(CGRect frame) override;

    long numberOfPages() const { return m_numberOfPages; }
    // Negative counts as 0; the current page is held inside the new range.
    void setNumberOfPages(long pages);
    long currentPage() const { return m_currentPage; }
    // Held inside 0 ... numberOfPages - 1 (0 without pages).
    void setCurrentPage(long page);
    bool hidesForSinglePage() const { return m_hidesForSinglePage; }
    void setHidesForSinglePage(bool hides) { m_hidesForSinglePage = hides; }
    // nil brings the default back (translucent white, white).
    std::shared_ptr<UIColor> pageIndicatorTintColor() const { return m_pageIndicatorTintColor; }
    void setPageIndicatorTintColor(std::shared_ptr<UIColor> color);
    std::shared_ptr<UIColor> currentPageIndicatorTintColor() const { return m_currentPageIndicatorTintColor; }
    void setCurrentPageIndicatorTintColor(std::shared_ptr<UIColor> color);

    // The size the dots of `pages` take.
    CGSize sizeForNumberOfPages(long pages) const;
    CGSize intrinsicContentSize() const override;
    void drawRect(CGRect rect) override;

    // A tap (not setCurrentPage) sends UIControlEventValueChanged once it changed the page.
    void endTrackingWithTouch_withEvent(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event) override;

private:
    long m_numberOfPages = 0;
    long m_currentPage = 0;
    bool m_hidesForSinglePage = false;
    std::shared_ptr<UIColor> m_pageIndicatorTintColor;
    std::shared_ptr<UIColor> m_currentPageIndicatorTintColor;
};
