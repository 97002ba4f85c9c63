#pragma once
// A row of dots, one a page, the current one in its own colour. A tap on the left half
// goes one page back, on the right half one page on, and reports the change through the
// value-changed action (a plain view with one action, outside the control hierarchy).
// Main thread only.
#include <functional>
#include <memory>

#include "UIKit/UIView.h"

class UIColor;

class UIPageControl : public UIView {
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

    // Runs after a tap changed the current page (not after setCurrentPage).
    void setValueChangedAction(std::function<void()> action) { m_valueChanged = std::move(action); }

    // The size the dots of `pages` take.
    CGSize sizeForNumberOfPages(long pages) const;
    CGSize intrinsicContentSize() const override;
    void drawRect(CGRect rect) override;

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override {}
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

private:
    long m_numberOfPages = 0;
    long m_currentPage = 0;
    bool m_hidesForSinglePage = false;
    std::shared_ptr<UIColor> m_pageIndicatorTintColor;
    std::shared_ptr<UIColor> m_currentPageIndicatorTintColor;
    std::function<void()> m_valueChanged;
};
