#include "UIKit/CALayer.h"

#include <algorithm>
#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIView.h"

namespace {

CGFloat nonNegative(CGFloat value) { return std::isfinite(value) && value > 0 ? value : 0; }

} // namespace

CALayer::CALayer() : m_borderColor(CGColorCreateSRGB(0, 0, 0, 1)), m_shadowColor(CGColorCreateSRGB(0, 0, 0, 1)) {}

CALayer::~CALayer() = default;

CGRect CALayer::frame() const
{
    if (m_view)
        return m_view->frame();
    return CGRectMake(m_position.x - m_bounds.size.width / 2, m_position.y - m_bounds.size.height / 2, m_bounds.size.width,
                      m_bounds.size.height);
}

void CALayer::setFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view)
        return m_view->setFrame(frame);
    frame = CGRectStandardize(frame);
    m_bounds.size = frame.size;
    m_position = CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
}

CGRect CALayer::bounds() const { return m_view ? m_view->bounds() : m_bounds; }

void CALayer::setBounds(CGRect bounds)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view)
        return m_view->setBounds(bounds);
    m_bounds = CGRectStandardize(bounds);
}

CGPoint CALayer::position() const { return m_view ? m_view->center() : m_position; }

void CALayer::setPosition(CGPoint position)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view)
        return m_view->setCenter(position);
    m_position = position;
}

CGColorRef CALayer::backgroundColor() const
{
    if (!m_view)
        return m_backgroundColor;
    auto color = m_view->backgroundColor();
    return color ? color->CGColor() : nullptr;
}

void CALayer::setBackgroundColor(CGColorRef color)
{
    KVN_ASSERT_MAIN_THREAD();
    m_backgroundColor = color;
    if (m_view)
        m_view->setBackgroundColor(color ? UIColor::colorWithCGColor(color) : nullptr);
}

void CALayer::setCornerRadius(CGFloat radius) { m_cornerRadius = nonNegative(radius); }

bool CALayer::masksToBounds() const { return m_masksToBounds; }

void CALayer::setMasksToBounds(bool masks) { m_masksToBounds = masks; }

void CALayer::setBorderWidth(CGFloat width) { m_borderWidth = nonNegative(width); }

void CALayer::setBorderColor(CGColorRef color) { m_borderColor = std::move(color); }

void CALayer::setShadowOpacity(float opacity) { m_shadowOpacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0f, 1.0f) : 0.0f; }

void CALayer::setShadowOffset(CGSize offset)
{
    m_shadowOffset = std::isfinite(offset.width) && std::isfinite(offset.height) ? offset : CGSizeZero;
}

void CALayer::setShadowRadius(CGFloat radius) { m_shadowRadius = nonNegative(radius); }

float CALayer::opacity() const { return m_view ? float(m_view->alpha()) : m_opacity; }

void CALayer::setOpacity(float opacity)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view)
        return m_view->setAlpha(opacity);
    m_opacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0f, 1.0f) : 1.0f;
}

bool CALayer::isHidden() const { return m_view ? m_view->isHidden() : m_hidden; }

void CALayer::setHidden(bool hidden)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view)
        return m_view->setHidden(hidden);
    m_hidden = hidden;
}

void CALayer::setMask(std::shared_ptr<CALayer> mask)
{
    KVN_ASSERT_MAIN_THREAD();
    if (mask && isAncestorOrSelf(mask.get())) {
        UIKitLog("a layer cannot be masked by itself or an ancestor; ignored");
        return;
    }
    if (mask)
        mask->removeFromSuperlayer();
    m_mask = std::move(mask);
}

bool CALayer::isAncestorOrSelf(const CALayer* layer) const
{
    for (auto candidate = shared_from_this(); candidate; candidate = candidate->superlayer())
        if (candidate.get() == layer)
            return true;
    return false;
}

void CALayer::addSublayer(const std::shared_ptr<CALayer>& layer) { insertAt(layer, m_sublayers.size()); }

void CALayer::insertSublayer_atIndex(const std::shared_ptr<CALayer>& layer, unsigned index) { insertAt(layer, index); }

void CALayer::insertSublayer_below(const std::shared_ptr<CALayer>& layer, const std::shared_ptr<CALayer>& sibling)
{
    if (layer == sibling)
        return;
    if (layer && layer->superlayer().get() == this)
        std::erase(m_sublayers, layer);
    auto it = std::find(m_sublayers.begin(), m_sublayers.end(), sibling);
    insertAt(layer, size_t(it - m_sublayers.begin()));
}

void CALayer::insertSublayer_above(const std::shared_ptr<CALayer>& layer, const std::shared_ptr<CALayer>& sibling)
{
    if (layer == sibling)
        return;
    if (layer && layer->superlayer().get() == this)
        std::erase(m_sublayers, layer);
    auto it = std::find(m_sublayers.begin(), m_sublayers.end(), sibling);
    insertAt(layer, it == m_sublayers.end() ? m_sublayers.size() : size_t(it - m_sublayers.begin()) + 1);
}

void CALayer::insertAt(const std::shared_ptr<CALayer>& layer, size_t index)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!layer)
        return;
    if (isAncestorOrSelf(layer.get()) || layer->m_view) {
        UIKitLog("cannot add a layer to itself, an ancestor, or a view's own layer as a sublayer; ignored");
        return;
    }
    auto keep = layer;
    keep->removeFromSuperlayer();
    m_sublayers.insert(m_sublayers.begin() + long(std::min(index, m_sublayers.size())), keep);
    keep->m_superlayer = weak_from_this();
}

void CALayer::removeFromSuperlayer()
{
    KVN_ASSERT_MAIN_THREAD();
    auto parent = m_superlayer.lock();
    if (!parent)
        return;
    auto self = shared_from_this();
    std::erase(parent->m_sublayers, self);
    m_superlayer.reset();
}
