#pragma once
// Lies over the top of the message list and fades what is under it in over its top 64
// points, through a gradient mask set once at the first layout. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class CAGradientLayer;

class KVNChatFadeView : public UIView {
public:
    void initWithFrame(CGRect frame) override;
    void layoutSubviews() override;

    const std::shared_ptr<CAGradientLayer>& fadeGradient() const { return m_fadeGradient; }

private:
    std::shared_ptr<CAGradientLayer> m_fadeGradient;
};
