#pragma once
// A view that applies a visual effect to what lies beneath it and holds its own content in
// contentView (which fills it). With a blur effect, drawing the tree blurs the pixels
// already drawn under the view's rectangle (a Gaussian of 10 points' sigma) and washes them
// with the style's tint; with a vibrancy effect, or none, only the content is drawn. The
// blur reads the destination it is drawn into: inside a layer composed on its own (shadow,
// mask, rounded clip) that is the layer's picture so far.
// Main thread only.
#include <memory>

#include "UIKit/UIView.h"
#include "UIKit/UIVisualEffect.h"

class UIVisualEffectView : public UIView {
public:
    UIVisualEffectView() = default;
    void initWithEffect(std::shared_ptr<UIVisualEffect> effect);
    void initWithFrame(CGRect frame) override;

    std::shared_ptr<UIVisualEffect> effect() const { return m_effect; }
    void setEffect(std::shared_ptr<UIVisualEffect> effect) { m_effect = std::move(effect); }
    std::shared_ptr<UIView> contentView() const { return m_contentView; }

    void drawRect(CGRect rect) override;

    // Blurs are kept for the last few backdrops and reused while the pixels beneath stay the
    // same; this forgets them (memory is short, or a measurement wants a first draw).
    static void forgetKeptBackdrops();

private:
    std::shared_ptr<UIVisualEffect> m_effect;
    std::shared_ptr<UIView> m_contentView;
};
