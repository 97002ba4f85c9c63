#pragma once
// An anchor of the y axis: top, bottom, centre y. Main thread only.
#include "UIKit/NSLayoutAnchor.h"

class NSLayoutYAxisAnchor : public NSLayoutTypedAnchor<NSLayoutYAxisAnchor> {
public:
    using NSLayoutTypedAnchor::NSLayoutTypedAnchor;
};
