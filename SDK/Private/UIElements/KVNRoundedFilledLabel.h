#pragma once
// A number in a filled disc of the brand colour: the corners follow the bounds, so a square
// label is a circle. Main thread only.
#include "Private/UIElements/KVNMediumLabel.h"

class KVNRoundedFilledLabel : public KVNMediumLabel {
public:
    void setSuccessStyle() {}
    void setFailureStyle() {}
    // The platform sets bounds from layout without a hook, so the radius follows them here.
    void layoutSubviews() override;
    void tintColorDidChange() override;

protected:
    void setUp() override;
};
