#pragma once
// A themed label that keeps the theme's light face whatever font it is given: only the size
// of another font is taken. Main thread only.
#include <memory>

#include "Private/UIElements/KVNLabel.h"

class KVNLightLabel : public KVNLabel {
protected:
    void setUp() override;
    std::shared_ptr<UIFont> faceOfSize(CGFloat size) const override;
};
