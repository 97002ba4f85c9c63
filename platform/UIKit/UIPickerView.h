#pragma once
// A list of titled rows of which one is chosen, shown as a scrolling column with the chosen
// row marked. Only the first component is shown: the library asks for one wheel only. A tap on
// a row chooses it and tells the delegate; choosing in code does not. Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UIView.h"

class UIButton;
class UIPickerViewDataSource;
class UIPickerViewDelegate;
class UIScrollView;

class UIPickerView : public UIView {
public:
    static constexpr CGFloat kRowHeight = 32;

    void initWithFrame(CGRect frame) override;

    std::shared_ptr<UIPickerViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<UIPickerViewDataSource> dataSource);
    std::shared_ptr<UIPickerViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIPickerViewDelegate> delegate);

    void reloadAllComponents();
    long numberOfRowsInComponent(long component) const;
    // -1 when the component has no rows.
    long selectedRowInComponent(long component) const;
    // A row outside the component is ignored.
    void selectRow_inComponent_animated(long row, long component, bool animated);

    void layoutSubviews() override;

private:
    void rowTapped(long row);
    void markSelection();

    std::weak_ptr<UIPickerViewDataSource> m_dataSource;
    std::weak_ptr<UIPickerViewDelegate> m_delegate;
    std::shared_ptr<UIScrollView> m_scrollView;
    std::vector<std::shared_ptr<UIButton>> m_rows;
    long m_selectedRow = -1;
};
