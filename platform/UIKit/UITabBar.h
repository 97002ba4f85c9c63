#pragma once
// The bar along the bottom of a tab bar controller: one button per tab, titled with the tab's
// title, the selected one in the tint. A tap on a button asks the owner (through the selection
// handler) to select that tab; the bar itself only shows which one is selected.
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIView.h"

class UIButton;

class UITabBar : public UIView {
public:
    // The bar's height in points, as laid out by its controller.
    static constexpr double kHeight = 49;

    void initWithFrame(CGRect frame) override;

    // One entry per tab; replaces the buttons.
    void setItemTitles(const std::vector<std::optional<std::string>>& titles);
    size_t numberOfItems() const { return m_buttons.size(); }
    // Out of range: no button is shown selected.
    void setSelectedIndex(long index);
    long selectedIndex() const { return m_selectedIndex; }
    // Called with the index of the tapped button.
    void setSelectionHandler(std::function<void(long index)> handler) { m_selectionHandler = std::move(handler); }

    void layoutSubviews() override;

private:
    std::vector<std::shared_ptr<UIButton>> m_buttons;
    long m_selectedIndex = -1;
    std::function<void(long)> m_selectionHandler;
};
