#pragma once
// What a layout constraint can name: a view or a layout guide. Each item has four unknowns
// for the solver (left, top, width, height), in the coordinates of the root of its view
// tree; every attribute of a constraint is a linear expression of them.
// Main thread only.
#include <memory>

#include "Layout/Expression.h"
#include "UIKit/NSLayoutAttribute.h"

class UIView;
class NSLayoutXAxisAnchor;
class NSLayoutYAxisAnchor;
class NSLayoutDimension;

namespace Layout {

class LayoutItem {
public:
    virtual ~LayoutItem() = default;

    // The view whose tree the item lives in: a view itself, a guide's owning view.
    virtual std::shared_ptr<UIView> layoutItemView() const = 0;
    // The item itself, for anchors and constraints to refer to without owning it.
    virtual std::weak_ptr<LayoutItem> weakLayoutItem() const = 0;

    // Anchors: each call makes a new anchor for the attribute.
    std::shared_ptr<NSLayoutXAxisAnchor> leftAnchor() const;
    std::shared_ptr<NSLayoutXAxisAnchor> rightAnchor() const;
    std::shared_ptr<NSLayoutXAxisAnchor> leadingAnchor() const;
    std::shared_ptr<NSLayoutXAxisAnchor> trailingAnchor() const;
    std::shared_ptr<NSLayoutXAxisAnchor> centerXAnchor() const;
    std::shared_ptr<NSLayoutYAxisAnchor> topAnchor() const;
    std::shared_ptr<NSLayoutYAxisAnchor> bottomAnchor() const;
    std::shared_ptr<NSLayoutYAxisAnchor> centerYAnchor() const;
    std::shared_ptr<NSLayoutDimension> widthAnchor() const;
    std::shared_ptr<NSLayoutDimension> heightAnchor() const;

    // The attribute as an expression of the item's unknowns (leading and trailing are left
    // and right: the layout is left to right). NotAnAttribute is zero.
    Expression expressionFor(NSLayoutAttribute attribute) const;

    const Variable& leftVariable() const { return m_left; }
    const Variable& topVariable() const { return m_top; }
    const Variable& widthVariable() const { return m_width; }
    const Variable& heightVariable() const { return m_height; }

private:
    Variable m_left { "left" };
    Variable m_top { "top" };
    Variable m_width { "width" };
    Variable m_height { "height" };
};

} // namespace Layout
