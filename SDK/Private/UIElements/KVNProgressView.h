#pragma once
// The upload progress bar in the theme's colours, with a thin white marker at the progress
// position; the marker hides at either end, where it would sit on the bar's edge.
// Main thread only.
#include <memory>

#include "UIKit/UIProgressView.h"

class KVNProgressView : public UIProgressView {
public:
    void initWithProgressViewStyle(UIProgressViewStyle style) override;
    void layoutSubviews() override;

    const std::shared_ptr<UIView>& indicatorView() const { return m_indicatorView; }
    void setIndicatorView(std::shared_ptr<UIView> view) { m_indicatorView = std::move(view); }

private:
    std::shared_ptr<UIView> m_indicatorView;
};
