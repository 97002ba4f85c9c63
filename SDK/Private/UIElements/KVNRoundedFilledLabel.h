#pragma once
// A medium label on a disc (or pill) of the brand colour with white centred text; its
// corners follow its bounds so a square one is a circle. Its text keeps its colour while
// dimmed, only the fill turns grey. Main thread only.
#include "Private/UIElements/KVNMediumLabel.h"

class KVNRoundedFilledLabel : public KVNMediumLabel {
public:
    void setSuccessStyle() override {}
    void setFailureStyle() override {}
    void setBounds(CGRect bounds) override;
    void tintColorDidChange() override;

protected:
    void setUp() override;
};
