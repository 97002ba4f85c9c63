#pragma once
// Told of vertical drags on a page slide control; an upward drag gives a positive distance.
// Main thread.
#include "CoreGraphics/CGGeometry.h"

class KVNPageSliderControlDelegate {
public:
    virtual ~KVNPageSliderControlDelegate() = default;
    virtual void onSliderMoved(CGFloat distance) = 0;
    virtual void onSliderMoveEnded(CGFloat distance) = 0;
};
