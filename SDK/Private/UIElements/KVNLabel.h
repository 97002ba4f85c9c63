#pragma once
// The kit's themed label: body text in the theme's default text colour, success and failure
// styles, and light grey text while its tint is dimmed (the colour it had comes back after).
// Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UILabel.h"

class KVNLabel : public UILabel {
public:
    void initWithFrame(CGRect frame) override;

    virtual void setSuccessStyle();
    virtual void setFailureStyle();

    // The current font's point size; setting it keeps the font's name.
    CGFloat fontSize() const;
    void setFontSize(CGFloat size);

    // A label with a face of its own keeps it: of another font only the size is taken.
    void setFont(std::shared_ptr<UIFont> font);

    void tintColorDidChange() override;

    const std::shared_ptr<UIColor>& previousTextColor() const { return m_previousTextColor; }

protected:
    virtual void setUp();
    // The face a label keeps at `size`; null: it takes any font.
    virtual std::shared_ptr<UIFont> faceOfSize(CGFloat) const { return nullptr; }

private:
    std::shared_ptr<UIColor> m_previousTextColor;
};
