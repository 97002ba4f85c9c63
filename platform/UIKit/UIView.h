#pragma once
// A rectangle of the screen and the tree it belongs to: geometry (frame, bounds, center),
// subviews, colours (the tint is inherited from the superview chain when unset), layout
// (layoutSubviews on demand), an affine transform about the center, and drawing through the
// view's layer (drawRect into the current CGContext, and the whole tree into an image
// context). Animations apply their end state to the model at once; what is drawn moves
// there on the main run loop's clock (ViewAnimator).
// Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreGraphics/CGAffineTransform.h"
#include "CoreGraphics/CGGeometry.h"
#include "Foundation/Badge.h"
#include "UIKit/CALayer.h"
#include "UIKit/LayoutItem.h"
#include "UIKit/UILayoutPriority.h"
#include "UIKit/UIResponder.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "UIKit/UIViewContentMode.h"
#include "UIKit/ViewConstraintState.h"

class CGContext;
class NSLayoutConstraint;
class UIGestureRecognizer;
class UILayoutGuide;
class UIColor;
class UIWindow;
class UIViewController;

using UIAccessibilityTraits = uint64_t;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitNone = 0;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitButton = 1 << 0;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitLink = 1 << 1;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitImage = 1 << 2;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitSelected = 1 << 3;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitKeyboardKey = 1 << 5;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitStaticText = 1 << 6;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitNotEnabled = 1 << 8;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitUpdatesFrequently = 1 << 9;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitSearchField = 1 << 10;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitAdjustable = 1 << 12;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitHeader = 1 << 16;

namespace Layout {
class Engine;
}

enum UIViewTintAdjustmentMode : long {
    UIViewTintAdjustmentModeAutomatic = 0,
    UIViewTintAdjustmentModeNormal = 1,
    UIViewTintAdjustmentModeDimmed = 2,
};

class UIView : public std::enable_shared_from_this<UIView>, public UIResponder, public Layout::LayoutItem {
public:
    UIView();
    virtual ~UIView();

    // Initialisers: every one funnels into initWithFrame, which subclasses override for set-up.
    virtual void initWithFrame(CGRect frame);
    void init() { initWithFrame(CGRectZero); }

    // Geometry. The frame is the box around the bounds, transformed about the center and
    // placed there. Setting it keeps the transform: the center moves to the frame's middle
    // and the bounds take the size that the transform's scale turns into the frame's.
    CGRect frame() const;
    void setFrame(CGRect frame);
    // The frame as if the transform were the identity: what the constraint layout places.
    CGRect layoutFrame() const;
    void setLayoutFrame(CGRect frame);
    CGAffineTransform transform() const { return m_transform; }
    // A transform that is not finite is refused (logged).
    void setTransform(CGAffineTransform transform);
    CGRect bounds() const { return m_bounds; }
    virtual void setBounds(CGRect bounds);
    CGPoint center() const { return m_center; }
    void setCenter(CGPoint center);
    // Points and rectangles between this view's coordinates and another's of the same tree
    // (the root's when `view` is none), through every transform on the way. A rectangle
    // converts to the box around its converted corners.
    CGPoint convertPoint_toView(CGPoint point, const std::shared_ptr<UIView>& view) const;
    CGPoint convertPoint_fromView(CGPoint point, const std::shared_ptr<UIView>& view) const;
    CGRect convertRect_toView(CGRect rect, const std::shared_ptr<UIView>& view) const;
    CGRect convertRect_fromView(CGRect rect, const std::shared_ptr<UIView>& view) const;

    // The responder chain: the view's controller when it is the controller's view, else the
    // superview.
    std::shared_ptr<UIResponder> nextResponder() const override;

    // Event dispatch. The deepest visible view under `point` (in this view's coordinates) that
    // takes touches, front-most subviews first; none when this view is hidden, nearly
    // transparent (alpha below 0.01), does not take touches, or the point lies outside it
    // (subviews reaching out of their superview are not hit there).
    virtual std::shared_ptr<UIView> hitTest_withEvent(CGPoint point, const std::shared_ptr<UIEvent>& event);
    virtual bool pointInside_withEvent(CGPoint point, const std::shared_ptr<UIEvent>& event) const;

    // The first responder of the view's window. A view becomes it only when it can and is in
    // a window, after the current one resigned; a view that leaves its window resigns.
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool isFirstResponder() const override;
    // Resigns the first responder among this view and its descendants; with `force` it
    // resigns even when its delegate would keep it. Answers whether none is left.
    bool endEditing(bool force);

    // Gesture recognisers watch the touches of this view and its subviews. Adding one that
    // belongs to another view moves it here.
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const { return m_gestureRecognizers; }
    void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    void removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    // Asked of the view a touch came down on before a recogniser of it or of an ancestor
    // begins; NO makes the recogniser fail (controls keep their own taps).
    virtual bool gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer) { return true; }

    // The tree.
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return m_subviews; }
    std::shared_ptr<UIView> superview() const { return m_superview.lock(); }
    // The window at the root of the tree, or nullptr when the tree hangs in no window.
    virtual std::shared_ptr<UIWindow> window() const;
    // Adding a view moves it from its old superview. Adding a view to itself or to one of its
    // descendants would make a cycle: it is logged and ignored.
    void addSubview(const std::shared_ptr<UIView>& view);
    void insertSubview_atIndex(const std::shared_ptr<UIView>& view, long index);
    void insertSubview_belowSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void insertSubview_aboveSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    void sendSubviewToBack(const std::shared_ptr<UIView>& view);
    void removeFromSuperview();
    bool isDescendantOfView(const std::shared_ptr<UIView>& view) const;
    // This view or the first descendant (depth first) with the tag.
    std::shared_ptr<UIView> viewWithTag(long tag);

    // Hooks of the tree's changes (empty by default).
    virtual void willMoveToSuperview(const std::shared_ptr<UIView>& newSuperview) {}
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}

    // The layer that draws this view (corners, border, shadow, mask, sublayers).
    const std::shared_ptr<CALayer>& layer() const { return m_layer; }

    // Appearance.
    std::shared_ptr<UIColor> backgroundColor() const { return m_backgroundColor; }
    virtual void setBackgroundColor(std::shared_ptr<UIColor> color);
    // The view's own tint, else the nearest ancestor's, else the system tint. Never null.
    std::shared_ptr<UIColor> tintColor() const;
    // nullptr: inherit again.
    void setTintColor(std::shared_ptr<UIColor> color);
    // Sent to the view and every descendant that inherits when the tint they show changes.
    virtual void tintColorDidChange() {}
    // The view's own mode, else the nearest ancestor's that is not Automatic, else Normal.
    UIViewTintAdjustmentMode tintAdjustmentMode() const;
    // Dimming reaches every descendant whose own mode is Automatic through tintColorDidChange.
    void setTintAdjustmentMode(UIViewTintAdjustmentMode mode);
    // The mode set on this view itself (Automatic: it follows its ancestors).
    UIViewTintAdjustmentMode ownTintAdjustmentMode() const { return m_tintAdjustmentMode; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool clipsToBounds() const;
    void setClipsToBounds(bool clips);
    UIViewContentMode contentMode() const { return m_contentMode; }
    void setContentMode(UIViewContentMode mode);
    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }

    // Layout: setNeedsLayout marks the view; layoutIfNeeded runs layoutSubviews on every
    // marked view of its subtree, parents before children.
    virtual void layoutSubviews();
    void setNeedsLayout();
    void layoutIfNeeded();
    bool needsLayout() const { return m_needsLayout; }

    // Drawing: drawRect draws the view's own content into UIGraphicsGetCurrentContext(), in
    // the view's bounds coordinates, after the background colour was filled.
    virtual void drawRect(CGRect rect) {}
    // Views draw whenever their tree is rendered; this only marks the intent.
    void setNeedsDisplay() {}
    // Draws this view and its visible subviews into the current image context, with the
    // view's bounds scaled into `rect`. Lays out first. False when there is no current context.
    bool drawViewHierarchyInRect_afterScreenUpdates(CGRect rect, bool afterUpdates);

    // Animations: the block's changes of center, bounds, frame, alpha, background colour and
    // transform (and of properties subclasses animate) take effect in the model at once and
    // are drawn moving there from delay to delay + duration. The completion runs when the
    // main run loop's clock has passed that (on the next turn of the main queue when it is
    // zero) with finished = true, or earlier with false when a newer animation of the same
    // property or the view's leaving its window takes all of the block's animations away.
    static void animateWithDuration_animations(double duration, std::function<void()> animations);
    static void animateWithDuration_animations_completion(double duration, std::function<void()> animations,
                                                          std::function<void(bool finished)> completion);
    static void animateWithDuration_delay_options_animations_completion(double duration, double delay, UIViewAnimationOptions options,
                                                                        std::function<void()> animations,
                                                                        std::function<void(bool finished)> completion);

    // Accessibility: what assistive technology and the automation read. The label defaults to
    // what the view shows (a label's text, a button's title); labels and controls are
    // elements by default, other views not; a view's traits default to what it is.
    virtual std::optional<std::string> accessibilityLabel() const { return m_accessibilityLabel; }
    void setAccessibilityLabel(const std::optional<std::string>& label) { m_accessibilityLabel = label; }
    const std::optional<std::string>& accessibilityIdentifier() const { return m_accessibilityIdentifier; }
    void setAccessibilityIdentifier(const std::optional<std::string>& identifier) { m_accessibilityIdentifier = identifier; }
    bool isAccessibilityElement() const { return m_isAccessibilityElement.value_or(isAccessibilityElementByDefault()); }
    void setIsAccessibilityElement(bool element) { m_isAccessibilityElement = element; }
    UIAccessibilityTraits accessibilityTraits() const { return m_accessibilityTraits.value_or(defaultAccessibilityTraits()); }
    void setAccessibilityTraits(UIAccessibilityTraits traits) { m_accessibilityTraits = traits; }
    // Whether an animation that does not allow touches is moving this view now; the hit
    // test passes such views by.
    bool isAnimatingWithoutUserInteraction() const;

    // The view controller whose root view this is, if any.
    std::shared_ptr<UIViewController> owningViewController() const { return m_viewController.lock(); }
    // Set by the controller that takes this view as its root view (empty when it lets go).
    void setOwningViewController(kvn::Badge<UIViewController>, std::weak_ptr<UIViewController> controller)
    {
        m_viewController = std::move(controller);
    }

    // Auto layout (UIViewConstraints.cpp, solved by Layout::Engine). The constraints a view
    // holds take part in every layout pass of its tree. A view that translates its
    // autoresizing mask (the default) keeps the frame it is given and constraints may lean on
    // it; any other view gets its frame from the solver, put on it by its superview's
    // layoutSubviews (so overrides call the base first). The anchors come from LayoutItem.
    const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const;
    void addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
    void addConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
    void removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
    void removeConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
    bool translatesAutoresizingMaskIntoConstraints() const;
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
    const std::vector<std::shared_ptr<UILayoutGuide>>& layoutGuides() const;
    void addLayoutGuide(const std::shared_ptr<UILayoutGuide>& guide);
    void removeLayoutGuide(const std::shared_ptr<UILayoutGuide>& guide);
    // UIViewNoIntrinsicMetric along an axis without a natural size (the default for both).
    virtual CGSize intrinsicContentSize() const;
    void invalidateIntrinsicContentSize();
    UILayoutPriority contentHuggingPriorityForAxis(UILayoutConstraintAxis axis) const;
    void setContentHuggingPriority_forAxis(UILayoutPriority priority, UILayoutConstraintAxis axis);
    UILayoutPriority contentCompressionResistancePriorityForAxis(UILayoutConstraintAxis axis) const;
    void setContentCompressionResistancePriority_forAxis(UILayoutPriority priority, UILayoutConstraintAxis axis);
    // Runs at the start of the next layout pass for every marked view, subviews first.
    virtual void updateConstraints() {}
    void setNeedsUpdateConstraints();
    bool needsUpdateConstraints() const;
    void updateConstraintsIfNeeded();
    std::shared_ptr<UIView> layoutItemView() const override;
    std::weak_ptr<Layout::LayoutItem> weakLayoutItem() const override;

protected:
    virtual bool isAccessibilityElementByDefault() const { return false; }
    virtual UIAccessibilityTraits defaultAccessibilityTraits() const { return UIAccessibilityTraitNone; }
    // Keys of the properties that animate; subclasses number theirs from FirstSubclassKey.
    enum AnimatedKey : int { CenterKey, BoundsKey, AlphaKey, BackgroundColorKey, TransformKey, FirstSubclassKey = 100 };
    // A subclass's setter of an animated property calls this before it stores `to`.
    void noteAnimatedChange(int key, const std::vector<double>& before, const std::vector<double>& to);
    // What is drawn of the property now: `model` unless it is being animated.
    std::vector<double> presentationValue(int key, const std::vector<double>& model) const;

private:
    void insertSubviewAt(const std::shared_ptr<UIView>& view, size_t index);
    void detachFromSuperview();
    void notifyWindowChange(const std::shared_ptr<UIWindow>& oldWindow, const std::shared_ptr<UIWindow>& newWindow);
    // A first responder in this subtree resigns, forced, before the subtree leaves its window.
    void resignFirstResponderBeforeLeaving();
    void propagateTintChange();
    // After a move in the tree: tells the subtree when its tint or its dimming changed.
    void tintMayHaveChanged(const std::shared_ptr<UIColor>& oldTint, UIViewTintAdjustmentMode oldMode);
    void propagateTintAdjustmentChange();
    void drawTree(const std::shared_ptr<CGContext>& context, double inheritedAlpha);
    // Draws the view where its superview's bounds coordinates put it.
    void drawInSuperview(const std::shared_ptr<CGContext>& context, double inheritedAlpha);
    // One step between this view's bounds coordinates and its superview's.
    CGPoint toSuperview(CGPoint point) const;
    CGPoint fromSuperview(CGPoint point) const;

    CGRect m_bounds = CGRectZero;
    CGPoint m_center = CGPointZero;
    std::vector<std::shared_ptr<UIView>> m_subviews;
    std::vector<std::shared_ptr<UIGestureRecognizer>> m_gestureRecognizers;
    std::weak_ptr<UIView> m_superview;
    std::weak_ptr<UIViewController> m_viewController;
    std::shared_ptr<UIColor> m_backgroundColor;
    std::shared_ptr<UIColor> m_tintColor;
    UIViewTintAdjustmentMode m_tintAdjustmentMode = UIViewTintAdjustmentModeAutomatic;
    bool m_hidden = false;
    double m_alpha = 1.0;
    bool m_userInteractionEnabled = true;
    CGAffineTransform m_transform = CGAffineTransformIdentity;
    UIViewContentMode m_contentMode = UIViewContentModeScaleToFill;
    std::shared_ptr<CALayer> m_layer;
    long m_tag = 0;
    bool m_needsLayout = true;
    std::optional<std::string> m_accessibilityLabel;
    std::optional<std::string> m_accessibilityIdentifier;
    std::optional<bool> m_isAccessibilityElement;
    std::optional<UIAccessibilityTraits> m_accessibilityTraits;

    Layout::ViewConstraintState m_constraintState;

public:
    // The layout engine's own bookkeeping of this view; only the engine reaches it.
    Layout::ViewConstraintState& constraintState(kvn::Badge<Layout::Engine>) { return m_constraintState; }
};
