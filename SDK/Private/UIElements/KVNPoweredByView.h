#pragma once
// The fixed "powered by" caption with the library's watermark under it, shown on the video
// screen. The caption is not localised and the watermark cannot be replaced by the host.
// Main thread only.
#include <memory>

#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"

class KVNPoweredByView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<UILabel>& label() const { return m_label; }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }

private:
    void setup();

    std::shared_ptr<UILabel> m_label;
    std::shared_ptr<UIImageView> m_imageView;
};
