#pragma once
// Shown in place of a page that failed to load: a centred message with a button under it.
// The owner sets the message, the button's title and its action. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIView.h"

class KVNLabel;

class KVNErrorView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNLabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UIButton>& actionButton() const { return m_actionButton; }

private:
    void setUp();

    std::shared_ptr<KVNLabel> m_textLabel;
    std::shared_ptr<UIButton> m_actionButton;
};
