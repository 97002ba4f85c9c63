#pragma once
// The kit's text field: medium 17 text with a hairline border in the theme's border colour,
// tinted by the theme's text field colour when it has one, and its text kept 10 points off
// the left and right edges. Main thread only.
#include <optional>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UITextField.h"

class KVNTextField : public UITextField {
public:
    void initWithFrame(CGRect frame) override;

    // In the theme's text field colour when it has one.
    void setPlaceholder(const std::optional<std::string>& placeholder);

    CGRect textRectForBounds(CGRect bounds) const override;
    CGRect editingRectForBounds(CGRect bounds) const override;

protected:
    virtual void setUp();
};
