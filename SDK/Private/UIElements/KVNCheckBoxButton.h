#pragma once
// The check box of check cells and the ident code input: the theme's check icon colour on the
// unselected and selected icons, drawn as templates. The owner switches the selected state.
// Main thread only.
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNCheckBoxButton : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

protected:
    virtual void setUp();
};
