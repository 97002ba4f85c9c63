#include "UIKit/UIVisualEffectView.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "UIKit/ConstraintMaker.h"
#include "UIKit/LayerRenderer.h"
#include "UIKit/UIBlurEffect.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"

namespace {

constexpr double kBlurSigma = 10; // points

// The wash over the blur: white, grey or black at the style's strength.
std::shared_ptr<UIColor> tintFor(UIBlurEffectStyle style)
{
    switch (style) {
    case UIBlurEffectStyleExtraLight:
        return UIColor::colorWithWhite_alpha(0.97, 0.6);
    case UIBlurEffectStyleDark:
        return UIColor::colorWithWhite_alpha(0.11, 0.73);
    case UIBlurEffectStyleProminent:
        return UIColor::colorWithWhite_alpha(0.97, 0.5);
    default:
        return UIColor::colorWithWhite_alpha(1, 0.3);
    }
}

// Blurred backdrops of the last few effect views drawn, each with the sharp pixels it was
// blurred from: a redraw over pixels that did not change (a label changed elsewhere, a frame
// drawn again) reuses the blur instead of running it again. The sharp pixels are compared
// whole, so a change anywhere within the blur's reach blurs afresh.
struct BackdropKey {
    size_t readWidth, readHeight; // the pixels read around the view
    size_t left, top, width, height; // the view's pixels within them
    double sigma;
    bool operator==(const BackdropKey&) const = default;
};

struct KeptBackdrop {
    BackdropKey key;
    std::vector<uint8_t> sharp;
    CGImageRef blurred;
};

constexpr size_t kKeptBackdrops = 4;

std::vector<KeptBackdrop>& keptBackdrops()
{
    static std::vector<KeptBackdrop> kept;
    return kept;
}

CGImageRef keptBackdrop(const BackdropKey& key, const std::vector<uint8_t>& sharp)
{
    auto& kept = keptBackdrops();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->key == key && it->sharp == sharp) {
            // The most recently used stays at the front.
            std::rotate(kept.begin(), it, it + 1);
            return kept.front().blurred;
        }
    }
    return nullptr;
}

void keepBackdrop(const BackdropKey& key, std::vector<uint8_t> sharp, CGImageRef blurred)
{
    auto& kept = keptBackdrops();
    if (kept.size() == kKeptBackdrops)
        kept.pop_back();
    kept.insert(kept.begin(), KeptBackdrop{key, std::move(sharp), std::move(blurred)});
}

// The pixels under `rect` (user space) of a bitmap context, blurred together with what lies
// around them (so the edges blur into their surroundings, not into themselves); none when the
// context has no pixels to read or the rectangle is not wholly on them.
CGImageRef blurredBackdrop(const CGContextRef& context, CGRect rect, double sigmaPoints)
{
    auto* memory = static_cast<const uint8_t*>(CGBitmapContextGetData(context));
    if (!memory)
        return nullptr;
    CGAffineTransform ctm = CGContextGetCTM(context);
    double scale = std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
    CGRect device = CGRectIntegral(CGRectApplyAffineTransform(rect, ctm));
    long width = long(CGBitmapContextGetWidth(context)), height = long(CGBitmapContextGetHeight(context));
    // Device space counts y up from the bottom row; memory rows run from the top.
    long x0 = long(CGRectGetMinX(device)), x1 = long(CGRectGetMaxX(device));
    long top = height - long(CGRectGetMaxY(device)), bottom = height - long(CGRectGetMinY(device));
    if (x0 < 0 || top < 0 || x1 > width || bottom > height || x1 <= x0 || bottom <= top)
        return nullptr;
    long margin = long(std::ceil(3 * sigmaPoints * scale));
    long rx0 = std::max(0L, x0 - margin), rx1 = std::min(width, x1 + margin);
    long rtop = std::max(0L, top - margin), rbottom = std::min(height, bottom + margin);
    size_t readWidth = size_t(rx1 - rx0), readHeight = size_t(rbottom - rtop), readStride = readWidth * 4;
    size_t sourceStride = CGBitmapContextGetBytesPerRow(context);
    std::vector<uint8_t> around(readStride * readHeight);
    for (size_t row = 0; row < readHeight; ++row)
        std::memcpy(&around[row * readStride], memory + (size_t(rtop) + row) * sourceStride + size_t(rx0) * 4, readStride);
    BackdropKey key{readWidth, readHeight, size_t(x0 - rx0), size_t(top - rtop), size_t(x1 - x0), size_t(bottom - top), sigmaPoints * scale};
    if (auto kept = keptBackdrop(key, around))
        return kept;
    auto sharp = around;
    kvn::LayerRenderer::blur(around.data(), readWidth, readHeight, readStride, key.sigma);
    size_t w = key.width, h = key.height, stride = w * 4;
    std::vector<uint8_t> pixels(stride * h);
    for (size_t row = 0; row < h; ++row)
        std::memcpy(&pixels[row * stride], &around[(key.top + row) * readStride + key.left * 4], stride);
    auto image = std::make_shared<CGImage>(w, h, stride, true, std::move(pixels));
    keepBackdrop(key, std::move(sharp), image);
    return image;
}

} // namespace

void UIVisualEffectView::initWithEffect(std::shared_ptr<UIVisualEffect> effect)
{
    m_effect = std::move(effect);
    initWithFrame(CGRectZero);
}

void UIVisualEffectView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    if (m_contentView)
        return;
    m_contentView = std::make_shared<UIView>();
    m_contentView->initWithFrame(bounds());
    addSubview(m_contentView);
    // Pinned by constraints rather than by frame, so content laid out inside it with
    // constraints can also give the effect view its size (a panel as tall as its content).
    Layout::ConstraintMaker::make(m_contentView, [this](Layout::ConstraintMaker& make) { make.edges().equalTo(shared_from_this()); });
}

void UIVisualEffectView::forgetKeptBackdrops()
{
    keptBackdrops().clear();
}

void UIVisualEffectView::drawRect(CGRect)
{
    auto blur = std::dynamic_pointer_cast<UIBlurEffect>(m_effect);
    auto context = UIGraphicsGetCurrentContext();
    if (!blur || !context)
        return;
    CGRect b = bounds();
    // Drawn over the sharp pixels, which it hides wherever they were opaque.
    if (auto backdrop = blurredBackdrop(context, b, kBlurSigma))
        kvn::LayerRenderer::drawImageUpright(context, b, backdrop);
    CGContextSetFillColorWithColor(context, tintFor(blur->style())->CGColor());
    CGContextFillRect(context, b);
}
