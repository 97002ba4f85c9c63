#pragma once
// Constraints made in blocks, the way screens lay themselves out at set-up:
//
//     Layout::ConstraintMaker::make(label, [&](Layout::ConstraintMaker& make) {
//         make.top().equalTo(title->bottomAnchor()).offset(15);
//         make.left().right().equalTo(title);
//         m_heightConstraint = make.height().equalTo(0).kept();
//     });
//
// The view stops translating its autoresizing mask. `make` installs every line; `update`
// changes the constant of a line the maker installed earlier for the view when all else
// matches (attribute, relation, target, multiplier, priority) and installs the others;
// `remake` uninstalls everything the maker installed for the view first.
// Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "UIKit/MadeConstraint.h"

class UIView;

namespace Layout {

class ConstraintMaker {
public:
    using Block = std::function<void(ConstraintMaker&)>;
    using Made = std::vector<std::shared_ptr<MadeConstraint>>;

    static Made make(const std::shared_ptr<UIView>& view, const Block& block);
    static Made update(const std::shared_ptr<UIView>& view, const Block& block);
    static Made remake(const std::shared_ptr<UIView>& view, const Block& block);

    MadeConstraint& left() { return add({ NSLayoutAttributeLeft }); }
    MadeConstraint& right() { return add({ NSLayoutAttributeRight }); }
    MadeConstraint& top() { return add({ NSLayoutAttributeTop }); }
    MadeConstraint& bottom() { return add({ NSLayoutAttributeBottom }); }
    MadeConstraint& leading() { return add({ NSLayoutAttributeLeading }); }
    MadeConstraint& trailing() { return add({ NSLayoutAttributeTrailing }); }
    MadeConstraint& width() { return add({ NSLayoutAttributeWidth }); }
    MadeConstraint& height() { return add({ NSLayoutAttributeHeight }); }
    MadeConstraint& centerX() { return add({ NSLayoutAttributeCenterX }); }
    MadeConstraint& centerY() { return add({ NSLayoutAttributeCenterY }); }
    MadeConstraint& edges() { return add({ NSLayoutAttributeTop, NSLayoutAttributeLeft, NSLayoutAttributeBottom, NSLayoutAttributeRight }); }
    MadeConstraint& size() { return add({ NSLayoutAttributeWidth, NSLayoutAttributeHeight }); }
    MadeConstraint& center() { return add({ NSLayoutAttributeCenterX, NSLayoutAttributeCenterY }); }

private:
    explicit ConstraintMaker(std::shared_ptr<UIView> view) : m_view(std::move(view)) {}
    static Made run(const std::shared_ptr<UIView>& view, const Block& block, bool reuseMatching);
    MadeConstraint& add(std::vector<NSLayoutAttribute> attributes);

    std::shared_ptr<UIView> m_view;
    Made m_made;
};

} // namespace Layout
