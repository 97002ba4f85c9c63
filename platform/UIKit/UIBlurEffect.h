#pragma once
// A blur of what lies beneath, washed with the style's tint. Immutable, shared; any thread.
#include <memory>

#include "UIKit/UIVisualEffect.h"

enum UIBlurEffectStyle : long {
    UIBlurEffectStyleExtraLight = 0,
    UIBlurEffectStyleLight = 1,
    UIBlurEffectStyleDark = 2,
    UIBlurEffectStyleRegular = 4,
    UIBlurEffectStyleProminent = 5,
};

class UIBlurEffect : public UIVisualEffect {
public:
    explicit UIBlurEffect(UIBlurEffectStyle style) : m_style(style) {}
    static std::shared_ptr<UIBlurEffect> effectWithStyle(UIBlurEffectStyle style) { return std::make_shared<UIBlurEffect>(style); }

    UIBlurEffectStyle style() const { return m_style; }

private:
    UIBlurEffectStyle m_style;
};
