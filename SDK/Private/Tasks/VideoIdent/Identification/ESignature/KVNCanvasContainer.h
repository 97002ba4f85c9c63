#pragma once
// The hatched ground of the signature canvas: the theme's container colour, faded, under
// diagonal lines 5 points apart, so the user sees where to sign. Main thread only.
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIView.h"

class KVNCanvasContainer : public UIView {
public:
    void initWithFrame(CGRect frame) override;
    void drawRect(CGRect rect) override;
};
