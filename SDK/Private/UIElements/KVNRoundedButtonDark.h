#pragma once
// The retake button of the photo check: shaped like the proceed button but in the theme's
// retake colours, darker while pressed. It has no disabled look of its own. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNRoundedButtonDark : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

    // The normal colour also gives the highlighted one, at alpha 0.8.
    void setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state);
    void setHighlighted(bool highlighted) override;
    void tintColorDidChange() override;

protected:
    virtual void setUp();
};
