#pragma once
// The small icon-and-caption buttons of the signing screens: a regular 11 caption beside its
// icon, both in the body text colour at reduced strength, 44 points high. Main thread only.
#include <optional>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNImageTextButton : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

    // The caption keeps regular 11 whatever font the title label had.
    void setTitle_forState(const std::optional<std::string>& title, UIControlState state);

protected:
    virtual void setup();
};
