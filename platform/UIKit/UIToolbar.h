#pragma once
// A bar of buttons above some content (a picker's Done button): its items are laid out from
// left to right, flexible spaces sharing the room left over. Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UIView.h"

class UIBarButtonItem;
class UIButton;

class UIToolbar : public UIView {
public:
    static constexpr CGFloat kHeight = 44;
    static constexpr CGFloat kItemWidth = 80;

    void initWithFrame(CGRect frame) override;
    const std::vector<std::shared_ptr<UIBarButtonItem>>& items() const { return m_items; }
    void setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);

    CGSize intrinsicContentSize() const override;
    void layoutSubviews() override;

private:
    std::vector<std::shared_ptr<UIBarButtonItem>> m_items;
    std::vector<std::shared_ptr<UIButton>> m_buttons; // one per item, nullptr for a space
};
