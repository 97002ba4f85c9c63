#pragma once
// What an alert shows: the screen under it dimmed, and a panel with the title, the message
// and the buttons, two side by side and otherwise one under another, each button title in
// the tint colour (bold for the cancel and the preferred button, red for a destructive one).
// An action sheet's panel sits at the bottom of the screen. The panel is built again from
// the alert's content whenever the view lays out; the alert marks it when its content
// changes. Made by UIAlertController::loadView. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UIAlertController;

namespace UIKitDetail {

class AlertView : public UIView {
public:
    explicit AlertView(std::weak_ptr<UIAlertController> alert);

    void layoutSubviews() override;
    void tintColorDidChange() override { setNeedsLayout(); }

private:
    std::weak_ptr<UIAlertController> m_alert;
    std::shared_ptr<UIView> m_panel;
};

} // namespace UIKitDetail
