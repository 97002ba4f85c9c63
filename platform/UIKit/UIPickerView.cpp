#include "UIKit/UIPickerView.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIPickerViewDataSource.h"
#include "UIKit/UIPickerViewDelegate.h"
#include "UIKit/UIScrollView.h"

#include <algorithm>

void UIPickerView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    m_scrollView = std::make_shared<UIScrollView>();
    m_scrollView->initWithFrame(bounds());
    addSubview(m_scrollView);
}

void UIPickerView::setDataSource(std::weak_ptr<UIPickerViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    reloadAllComponents();
}

void UIPickerView::setDelegate(std::weak_ptr<UIPickerViewDelegate> delegate)
{
    m_delegate = std::move(delegate);
    reloadAllComponents();
}

long UIPickerView::numberOfRowsInComponent(long component) const
{
    return component == 0 ? static_cast<long>(m_rows.size()) : 0;
}

long UIPickerView::selectedRowInComponent(long component) const
{
    return component == 0 ? m_selectedRow : -1;
}

void UIPickerView::reloadAllComponents()
{
    KVN_ASSERT_MAIN_THREAD();
    for (auto& row : m_rows)
        row->removeFromSuperview();
    m_rows.clear();
    auto self = std::static_pointer_cast<UIPickerView>(shared_from_this());
    auto source = dataSource();
    long count = 0;
    if (source && source->numberOfComponentsInPickerView(self) > 0)
        count = std::max(0L, source->pickerView_numberOfRowsInComponent(self, 0));
    auto titles = delegate();
    std::weak_ptr<UIPickerView> weak = self;
    for (long row = 0; row < count; ++row) {
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setTitle_forState(titles ? titles->pickerView_titleForRow_forComponent(self, row, 0) : std::nullopt, UIControlStateNormal);
        button->setTitleColor_forState(UIColor::blackColor(), UIControlStateNormal);
        button->addTarget_action_forControlEvents(nullptr, [weak, row](const std::shared_ptr<UIControl>&) {
            if (auto picker = weak.lock())
                picker->rowTapped(row);
        }, UIControlEventTouchUpInside);
        m_scrollView->addSubview(button);
        m_rows.push_back(button);
    }
    m_selectedRow = count == 0 ? -1 : std::clamp(m_selectedRow, 0L, count - 1);
    markSelection();
    setNeedsLayout();
}

void UIPickerView::selectRow_inComponent_animated(long row, long component, bool animated)
{
    if (component != 0 || row < 0 || row >= static_cast<long>(m_rows.size()))
        return;
    m_selectedRow = row;
    markSelection();
    setNeedsLayout();
}

void UIPickerView::rowTapped(long row)
{
    selectRow_inComponent_animated(row, 0, true);
    if (auto target = delegate())
        target->pickerView_didSelectRow_inComponent(std::static_pointer_cast<UIPickerView>(shared_from_this()), row, 0);
}

void UIPickerView::markSelection()
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        bool chosen = static_cast<long>(i) == m_selectedRow;
        m_rows[i]->setBackgroundColor(chosen ? UIColor::colorWithWhite_alpha(0.85, 1) : UIColor::clearColor());
        m_rows[i]->setSelected(chosen);
    }
}

void UIPickerView::layoutSubviews()
{
    UIView::layoutSubviews();
    CGRect area = bounds();
    m_scrollView->setFrame(area);
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setFrame(CGRectMake(0, kRowHeight * static_cast<CGFloat>(i), area.size.width, kRowHeight));
    m_scrollView->setContentSize(CGSizeMake(area.size.width, kRowHeight * static_cast<CGFloat>(m_rows.size())));
    // Keeps the chosen row in the middle, as a wheel would.
    if (m_selectedRow >= 0) {
        CGFloat maxOffset = std::max<CGFloat>(0, kRowHeight * static_cast<CGFloat>(m_rows.size()) - area.size.height);
        CGFloat wanted = kRowHeight * static_cast<CGFloat>(m_selectedRow) - (area.size.height - kRowHeight) / 2;
        m_scrollView->setContentOffset(CGPointMake(0, std::clamp<CGFloat>(wanted, 0, maxOffset)));
    }
}
