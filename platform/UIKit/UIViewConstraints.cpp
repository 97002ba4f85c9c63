// UIView's auto layout operations (declared in UIView.h); the solving is LayoutEngine's.
#include <algorithm>

#include "UIKit/LayoutEngine.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UIView.h"

namespace {

size_t axisIndex(UILayoutConstraintAxis axis)
{
    return axis == UILayoutConstraintAxis::Vertical ? 1 : 0;
}

} // namespace

const std::vector<std::shared_ptr<NSLayoutConstraint>>& UIView::constraints() const
{
    return m_constraintState.constraints;
}

void UIView::addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint)
{
    if (!constraint)
        return;
    auto self = shared_from_this();
    if (auto holder = constraint->holder()) {
        if (holder == self)
            return;
        holder->removeConstraint(constraint);
    }
    m_constraintState.constraints.push_back(constraint);
    constraint->setHolder(self);
    Layout::Engine::invalidate();
    setNeedsLayout();
}

void UIView::addConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        addConstraint(constraint);
}

void UIView::removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint)
{
    auto it = std::find(m_constraintState.constraints.begin(), m_constraintState.constraints.end(), constraint);
    if (it == m_constraintState.constraints.end())
        return;
    m_constraintState.constraints.erase(it);
    constraint->setHolder(nullptr);
    Layout::Engine::invalidate();
    setNeedsLayout();
}

void UIView::removeConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        removeConstraint(constraint);
}

bool UIView::translatesAutoresizingMaskIntoConstraints() const
{
    return m_constraintState.translatesAutoresizingMaskIntoConstraints;
}

void UIView::setTranslatesAutoresizingMaskIntoConstraints(bool translates)
{
    if (translates == m_constraintState.translatesAutoresizingMaskIntoConstraints)
        return;
    m_constraintState.translatesAutoresizingMaskIntoConstraints = translates;
    Layout::Engine::invalidate();
    if (auto parent = superview())
        parent->setNeedsLayout();
}

const std::vector<std::shared_ptr<UILayoutGuide>>& UIView::layoutGuides() const
{
    return m_constraintState.guides;
}

void UIView::addLayoutGuide(const std::shared_ptr<UILayoutGuide>& guide)
{
    if (!guide || guide->owningView().get() == this)
        return;
    if (auto owner = guide->owningView())
        owner->removeLayoutGuide(guide);
    m_constraintState.guides.push_back(guide);
    guide->setOwningView(shared_from_this());
    Layout::Engine::invalidate();
}

void UIView::removeLayoutGuide(const std::shared_ptr<UILayoutGuide>& guide)
{
    if (std::erase(m_constraintState.guides, guide) == 0)
        return;
    guide->setOwningView(nullptr);
    Layout::Engine::invalidate();
}

CGSize UIView::intrinsicContentSize() const
{
    return CGSizeMake(UIViewNoIntrinsicMetric, UIViewNoIntrinsicMetric);
}

void UIView::invalidateIntrinsicContentSize()
{
    Layout::Engine::invalidate();
    if (auto parent = superview())
        parent->setNeedsLayout();
}

UILayoutPriority UIView::contentHuggingPriorityForAxis(UILayoutConstraintAxis axis) const
{
    return m_constraintState.hugging[axisIndex(axis)];
}

void UIView::setContentHuggingPriority_forAxis(UILayoutPriority priority, UILayoutConstraintAxis axis)
{
    m_constraintState.hugging[axisIndex(axis)] = priority;
    invalidateIntrinsicContentSize();
}

UILayoutPriority UIView::contentCompressionResistancePriorityForAxis(UILayoutConstraintAxis axis) const
{
    return m_constraintState.compressionResistance[axisIndex(axis)];
}

void UIView::setContentCompressionResistancePriority_forAxis(UILayoutPriority priority, UILayoutConstraintAxis axis)
{
    m_constraintState.compressionResistance[axisIndex(axis)] = priority;
    invalidateIntrinsicContentSize();
}

void UIView::setNeedsUpdateConstraints()
{
    m_constraintState.needsUpdateConstraints = true;
    setNeedsLayout();
}

bool UIView::needsUpdateConstraints() const
{
    return m_constraintState.needsUpdateConstraints;
}

void UIView::updateConstraintsIfNeeded()
{
    Layout::Engine::updateConstraintsInSubtree(*this);
}

std::shared_ptr<UIView> UIView::layoutItemView() const
{
    return std::const_pointer_cast<UIView>(shared_from_this());
}

std::weak_ptr<Layout::LayoutItem> UIView::weakLayoutItem() const
{
    return layoutItemView();
}
