#pragma once
// The white card behind e-signing content: slightly rounded, with a soft shadow below.
// Main thread only.
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIView.h"

class KVNRoundedView : public UIView {
public:
    void initWithFrame(CGRect frame) override;
};
