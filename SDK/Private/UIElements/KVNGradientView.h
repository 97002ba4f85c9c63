#pragma once
// The backdrop of the agent's video: a radial gradient from the top-left corner outwards, in
// the theme's two fixed subscriber colours. Main thread only.
#include "UIKit/UIView.h"

class KVNGradientView : public UIView {
public:
    void drawRect(CGRect rect) override;
};
