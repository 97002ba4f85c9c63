#pragma once
// The kit's themed label: text in the theme's default colour, plus the success and failure
// styles. Main thread only.
#include <memory>

#include "UIKit/UILabel.h"

class KVNLabel : public UILabel {
public:
    void initWithFrame(CGRect frame) override;

    void setSuccessStyle();
    void setFailureStyle();

    CGFloat fontSize() const;
    void setFontSize(CGFloat size);

protected:
    virtual void setUp();
};
