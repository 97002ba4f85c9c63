#pragma once
// A themed label that keeps the theme's medium face whatever font it is given; only the size
// of a given font is taken. Main thread only.
#include "Private/UIElements/KVNLabel.h"

class KVNMediumLabel : public KVNLabel {
public:
    void setFont(std::shared_ptr<UIFont> font);
    void setFontSize(CGFloat size);

protected:
    void setUp() override;
};
