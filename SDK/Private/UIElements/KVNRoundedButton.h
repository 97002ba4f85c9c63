#pragma once
// The proceed button of every screen: medium 17 title on the theme's proceed colour, darker
// while pressed. Disabled shows the theme's disabled colour when it has one, else half
// alpha. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNRoundedButton : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

    // The normal colour also gives the highlighted one, at alpha 0.8.
    void setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state);
    void setHighlighted(bool highlighted) override;
    void setEnabled(bool enabled) override { setEnabled_animated(enabled, false); }
    void setEnabled_animated(bool enabled, bool animated);
    void tintColorDidChange() override;

protected:
    virtual void setUp();
};
