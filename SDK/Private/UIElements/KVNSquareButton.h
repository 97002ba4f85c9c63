#pragma once
// The waiting list's button: square corners, white medium 17 title on the theme's headline
// colour, a fixed grey while disabled. Main thread only.
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNSquareButton : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

    void setEnabled(bool enabled) override { setEnabled_animated(enabled, false); }
    // The colour changes at once; `animated` is accepted for callers of the proceed button's
    // signature.
    void setEnabled_animated(bool enabled, bool animated);

    void scaleFactor(CGFloat factor);
    void setToSmallFont();

protected:
    virtual void setUp();
};
