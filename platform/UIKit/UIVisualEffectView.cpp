#include "UIKit/UIVisualEffectView.h"

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
    kvn::LayerRenderer::blur(around.data(), readWidth, readHeight, readStride, sigmaPoints * scale);
    size_t w = size_t(x1 - x0), h = size_t(bottom - top), stride = w * 4;
    std::vector<uint8_t> pixels(stride * h);
    for (size_t row = 0; row < h; ++row)
        std::memcpy(&pixels[row * stride], &around[(size_t(top - rtop) + row) * readStride + size_t(x0 - rx0) * 4], stride);
    return std::make_shared<CGImage>(w, h, stride, true, std::move(pixels));
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
