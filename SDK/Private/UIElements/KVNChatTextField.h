#pragma once
// The white, rounded text field of the chat's input bar, its text kept 10 points off the
// sides. Main thread only.
#include "UIKit/UITextField.h"

class KVNChatTextField : public UITextField {
public:
    void initWithFrame(CGRect frame) override;

    CGRect textRectForBounds(CGRect bounds) const override;
    CGRect editingRectForBounds(CGRect bounds) const override;

private:
    void setup();
};
