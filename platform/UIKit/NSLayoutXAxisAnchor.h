#pragma once
// An anchor of the x axis: left, right, leading, trailing, centre x. Main thread only.
#include "UIKit/NSLayoutAnchor.h"

class NSLayoutXAxisAnchor : public NSLayoutTypedAnchor<NSLayoutXAxisAnchor> {
public:
    using NSLayoutTypedAnchor::NSLayoutTypedAnchor;
};
