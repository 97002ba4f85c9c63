#pragma once
// A themed label that keeps the theme's medium face whatever font it is given: only the size
// of another font is taken. Main thread only.
#include <memory>

#include "Private/UIElements/KVNLabel.h"

class KVNMediumLabel : public KVNLabel {
protected:
    void setUp() override;
    std::shared_ptr<UIFont> faceOfSize(CGFloat size) const override;
};
