#include "UIKit/ConstraintMaker.h"

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIView.h"

namespace Layout {

ConstraintMaker::Made ConstraintMaker::make(const std::shared_ptr<UIView>& view, const Block& block)
{
    return run(view, block, false);
}

ConstraintMaker::Made ConstraintMaker::update(const std::shared_ptr<UIView>& view, const Block& block)
{
    return run(view, block, true);
}

ConstraintMaker::Made ConstraintMaker::remake(const std::shared_ptr<UIView>& view, const Block& block)
{
    if (!view)
        return {};
    // What the maker installed for the view is held by the view or one of its ancestors.
    for (auto holder = view; holder; holder = holder->superview()) {
        auto held = holder->constraints();
        for (const auto& constraint : held)
            if (constraint->isMadeByConstraintMaker() && constraint->firstItem() == std::static_pointer_cast<LayoutItem>(view))
                constraint->setActive(false);
    }
    return run(view, block, false);
}

ConstraintMaker::Made ConstraintMaker::run(const std::shared_ptr<UIView>& view, const Block& block, bool reuseMatching)
{
    if (!view || !block)
        return {};
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    ConstraintMaker maker(view);
    block(maker);
    for (const auto& made : maker.m_made)
        made->install(reuseMatching);
    return std::move(maker.m_made);
}

MadeConstraint& ConstraintMaker::add(std::vector<NSLayoutAttribute> attributes)
{
    m_made.push_back(std::make_shared<MadeConstraint>(m_view, std::move(attributes)));
    return *m_made.back();
}

} // namespace Layout
