#pragma once
// A backdrop for panels: what lies beneath shows through an extra-light blur, and the
// owner's content goes into contentView, drawn sharp over it. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIView.h"
#include "UIKit/UIVisualEffectView.h"

class KVNBlurredView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<UIVisualEffectView>& vibrancyEffectView() const { return m_vibrancyEffectView; }
    void setVibrancyEffectView(std::shared_ptr<UIVisualEffectView> view) { m_vibrancyEffectView = std::move(view); }
    // Where owners put their content.
    std::shared_ptr<UIView> contentView() const;

private:
    void setUp();

    std::shared_ptr<UIVisualEffectView> m_vibrancyEffectView;
};
