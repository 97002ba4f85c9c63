#pragma once
// The effect for content placed over a blur: it belongs to that blur. Its view draws its
// content as it is. Immutable, shared; any thread.
#include <memory>

#include "UIKit/UIBlurEffect.h"

class UIVibrancyEffect : public UIVisualEffect {
public:
    explicit UIVibrancyEffect(std::shared_ptr<UIBlurEffect> blurEffect) : m_blurEffect(std::move(blurEffect)) {}
    static std::shared_ptr<UIVibrancyEffect> effectForBlurEffect(std::shared_ptr<UIBlurEffect> blurEffect)
    {
        return std::make_shared<UIVibrancyEffect>(std::move(blurEffect));
    }

    const std::shared_ptr<UIBlurEffect>& blurEffect() const { return m_blurEffect; }

private:
    std::shared_ptr<UIBlurEffect> m_blurEffect;
};
