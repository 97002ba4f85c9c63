#pragma once
// The drawn side of a view, or a free-standing drawing of its own: background, rounded
// corners (clipping the content when masksToBounds), border, blurred shadow, opacity, an
// alpha mask and sublayers drawn in order. Every UIView owns one (UIView::layer()); that
// layer takes its geometry, opacity, hidden state, clipping and background colour from its
// view, so setting either side changes both. Sublayers added to a view's layer are drawn
// above the view's own drawing and below its subviews.
// Main thread only.
#include <memory>
#include <vector>

#include "CoreGraphics/CGColor.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGPath.h"
#include "Foundation/Badge.h"

class UIView;

class CALayer : public std::enable_shared_from_this<CALayer> {
public:
    CALayer();
    virtual ~CALayer();

    static std::shared_ptr<CALayer> layer() { return std::make_shared<CALayer>(); }

    // Geometry, in the superlayer's coordinates (a view's layer answers its view's).
    CGRect frame() const;
    void setFrame(CGRect frame);
    CGRect bounds() const;
    void setBounds(CGRect bounds);
    CGPoint position() const;
    void setPosition(CGPoint position);

    CGColorRef backgroundColor() const;
    void setBackgroundColor(CGColorRef color);
    CGFloat cornerRadius() const { return m_cornerRadius; }
    // Negative or not finite counts as 0.
    void setCornerRadius(CGFloat radius);
    bool masksToBounds() const;
    void setMasksToBounds(bool masks);
    CGFloat borderWidth() const { return m_borderWidth; }
    void setBorderWidth(CGFloat width);
    CGColorRef borderColor() const { return m_borderColor; }
    void setBorderColor(CGColorRef color);

    // The shadow takes the shape of the shadow path when there is one, else of what the layer
    // draws (its alpha), blurred by the radius and moved by the offset (y down); it shows only
    // while the opacity is above 0 and the layer does not mask to its bounds.
    CGColorRef shadowColor() const { return m_shadowColor; }
    void setShadowColor(CGColorRef color) { m_shadowColor = std::move(color); }
    float shadowOpacity() const { return m_shadowOpacity; }
    void setShadowOpacity(float opacity);
    CGSize shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(CGSize offset);
    CGFloat shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(CGFloat radius);
    // In the layer's bounds coordinates.
    CGPathRef shadowPath() const { return m_shadowPath; }
    void setShadowPath(CGPathRef path) { m_shadowPath = std::move(path); }

    float opacity() const;
    void setOpacity(float opacity);
    bool isHidden() const;
    void setHidden(bool hidden);
    // Whether a translucent layer's subtree is composed first and faded as one picture.
    bool allowsGroupOpacity() const { return m_allowsGroupOpacity; }
    void setAllowsGroupOpacity(bool allows) { m_allowsGroupOpacity = allows; }

    // A layer whose alpha masks this one, framed in this layer's bounds coordinates.
    std::shared_ptr<CALayer> mask() const { return m_mask; }
    void setMask(std::shared_ptr<CALayer> mask);

    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return m_sublayers; }
    std::shared_ptr<CALayer> superlayer() const { return m_superlayer.lock(); }
    // Adding a layer moves it from its old superlayer; a layer cannot hold itself or an
    // ancestor (logged and ignored).
    void addSublayer(const std::shared_ptr<CALayer>& layer);
    void insertSublayer_atIndex(const std::shared_ptr<CALayer>& layer, unsigned index);
    void insertSublayer_below(const std::shared_ptr<CALayer>& layer, const std::shared_ptr<CALayer>& sibling);
    void insertSublayer_above(const std::shared_ptr<CALayer>& layer, const std::shared_ptr<CALayer>& sibling);
    void removeFromSuperlayer();

    // The layer's own content, in its bounds coordinates (y down), after the background.
    virtual void drawInContext(const CGContextRef& context) {}
    // Layers draw whenever their tree is drawn; this only marks the intent.
    void setNeedsDisplay() {}

    // The view this layer belongs to, or none for a free-standing layer.
    UIView* owningView() const { return m_view; }
    void attachToView(kvn::Badge<UIView>, UIView* view) { m_view = view; }

private:
    bool isAncestorOrSelf(const CALayer* layer) const;
    void insertAt(const std::shared_ptr<CALayer>& layer, size_t index);

    UIView* m_view = nullptr; // cleared by the view before it goes
    CGRect m_bounds = CGRectZero;
    CGPoint m_position = CGPointZero;
    CGColorRef m_backgroundColor;
    CGFloat m_cornerRadius = 0;
    bool m_masksToBounds = false;
    CGFloat m_borderWidth = 0;
    CGColorRef m_borderColor;
    CGColorRef m_shadowColor;
    float m_shadowOpacity = 0;
    CGSize m_shadowOffset = CGSizeMake(0, -3);
    CGFloat m_shadowRadius = 3;
    CGPathRef m_shadowPath;
    float m_opacity = 1;
    bool m_hidden = false;
    bool m_allowsGroupOpacity = true;
    std::shared_ptr<CALayer> m_mask;
    std::vector<std::shared_ptr<CALayer>> m_sublayers;
    std::weak_ptr<CALayer> m_superlayer;
};
