#include "UIKit/LayoutEngine.h"

#include <cmath>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "Layout/Solver.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UIView.h"

namespace Layout {

namespace {

// Below every priority a constraint can have: a view that constraints leave free keeps the
// frame it had, instead of an arbitrary one.
const Strength stayStrength = Strength::atLevel(1e-3);

// How many times one pass may solve again after hand-placed frames moved.
constexpr int maximumSolvesPerPass = 4;

UIView& rootOf(UIView& view)
{
    UIView* root = &view;
    while (auto parent = root->superview())
        root = parent.get();
    return *root;
}

void forEachInTree(UIView& view, const std::function<void(UIView&)>& visit)
{
    visit(view);
    auto subviews = view.subviews();
    for (const auto& subview : subviews)
        forEachInTree(*subview, visit);
}

Strength strengthFor(UILayoutPriority priority)
{
    return priority >= UILayoutPriorityRequired ? Strength::required() : Strength::atLevel(priority);
}

Relation relationFor(NSLayoutRelation relation)
{
    switch (relation) {
    case NSLayoutRelationLessThanOrEqual:
        return Relation::LessOrEqual;
    case NSLayoutRelationGreaterThanOrEqual:
        return Relation::GreaterOrEqual;
    case NSLayoutRelationEqual:
        break;
    }
    return Relation::Equal;
}

// Frames carry the solver's rounding otherwise (63.99999999 for 64).
double tidy(double value)
{
    return std::round(value * 1e6) / 1e6;
}

void addOrLog(Solver& solver, const Constraint& constraint, const char* what)
{
    SolverError error = solver.addConstraint(constraint);
    if (error != SolverError::None && error != SolverError::InternalError)
        UIKitLog("Unable to satisfy %s (%s); it is ignored", what, describe(error));
}

// Holds `item` to the rectangle `frame` given in `parent`'s space (the root's when null).
void fix(Solver& solver, const LayoutItem& item, const LayoutItem* parent, CGRect frame, CGPoint parentOrigin, Strength strength)
{
    Expression left = parent ? parent->leftVariable() - parentOrigin.x : Expression(0.0);
    Expression top = parent ? parent->topVariable() - parentOrigin.y : Expression(0.0);
    addOrLog(solver, Constraint(item.leftVariable(), Relation::Equal, left + frame.origin.x, strength), "a frame");
    addOrLog(solver, Constraint(item.topVariable(), Relation::Equal, top + frame.origin.y, strength), "a frame");
    addOrLog(solver, Constraint(item.widthVariable(), Relation::Equal, frame.size.width, strength), "a frame");
    addOrLog(solver, Constraint(item.heightVariable(), Relation::Equal, frame.size.height, strength), "a frame");
}

// Content hugging keeps a view from growing past its intrinsic size, compression resistance
// from shrinking below it, each at its own priority.
void addIntrinsicSize(Solver& solver, UIView& view, const Variable& dimension, double size, UILayoutConstraintAxis axis)
{
    if (size < 0)
        return;
    addOrLog(solver, Constraint(dimension, Relation::LessOrEqual, size, strengthFor(view.contentHuggingPriorityForAxis(axis))),
             "content hugging");
    addOrLog(solver,
             Constraint(dimension, Relation::GreaterOrEqual, size, strengthFor(view.contentCompressionResistancePriorityForAxis(axis))),
             "compression resistance");
}

void addGuide(Solver& solver, const UILayoutGuide& guide, const UIView& owner)
{
    auto pinned = guide.pinnedEdge();
    if (pinned == UILayoutGuide::Edge::None) {
        fix(solver, guide, &owner, guide.layoutFrame(), owner.bounds().origin, stayStrength);
        return;
    }
    double length = std::max(0.0, guide.length());
    auto required = Strength::required();
    addOrLog(solver, Constraint(guide.leftVariable(), Relation::Equal, owner.leftVariable(), required), "a layout guide");
    addOrLog(solver, Constraint(guide.widthVariable(), Relation::Equal, owner.widthVariable(), required), "a layout guide");
    addOrLog(solver, Constraint(guide.heightVariable(), Relation::Equal, length, required), "a layout guide");
    if (pinned == UILayoutGuide::Edge::Top)
        addOrLog(solver, Constraint(guide.topVariable(), Relation::Equal, owner.topVariable(), required), "a layout guide");
    else
        addOrLog(solver, Constraint(guide.expressionFor(NSLayoutAttributeBottom), Relation::Equal, owner.expressionFor(NSLayoutAttributeBottom), required),
                 "a layout guide");
}

bool isEdge(NSLayoutAttribute attribute)
{
    switch (attribute) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTop:
    case NSLayoutAttributeBottom:
    case NSLayoutAttributeLeading:
    case NSLayoutAttributeTrailing:
        return true;
    default:
        return false;
    }
}

bool isDimension(NSLayoutAttribute attribute)
{
    return attribute == NSLayoutAttributeWidth || attribute == NSLayoutAttributeHeight;
}

// The content of a scroll view, in root coordinates: its origin sits at the scroll view's
// origin less the offset, so content placed in it moves with the offset; its size is the
// content size, when constraints name it.
struct ContentArea {
    UIScrollView* scrollView = nullptr;
    Variable left { "contentLeft" };
    Variable top { "contentTop" };
    Variable width { "contentWidth" };
    Variable height { "contentHeight" };
    // Which edges constraints name: an axis whose two edges are both named has its content
    // size from the constraints; otherwise the size set by hand stays.
    bool namesLeading = false, namesTrailing = false, namesTop = false, namesBottom = false;
    // Whether a constraint ties the content to the scroll view's frame or to a view outside
    // it in a way the offset changes (a frame edge, a centre): then a scroll step solves again.
    bool offsetMatters = false;

    Expression name(NSLayoutAttribute attribute)
    {
        switch (attribute) {
        case NSLayoutAttributeLeft:
        case NSLayoutAttributeLeading:
            namesLeading = true;
            return left;
        case NSLayoutAttributeRight:
        case NSLayoutAttributeTrailing:
            namesTrailing = true;
            return left + width;
        case NSLayoutAttributeTop:
            namesTop = true;
            return top;
        case NSLayoutAttributeBottom:
            namesBottom = true;
            return top + height;
        default:
            return 0.0;
        }
    }
};

using ContentAreas = std::unordered_map<const UIView*, ContentArea>;

bool isInside(const UIView* view, const UIView& scrollView)
{
    for (const UIView* v = view; v; v = v->superview().get())
        if (v->superview().get() == &scrollView)
            return true;
    return false;
}

// Edges between a scroll view and its content attach to the content area, the way content is
// laid out in a scroll view; dimensions and centres attach to the scroll view's frame.
Expression attributeExpression(const LayoutItem& item, const UIView* view, NSLayoutAttribute attribute, const UIView* otherView,
                               ContentAreas& areas)
{
    if (view && otherView && isEdge(attribute)) {
        auto area = areas.find(view);
        if (area != areas.end() && isInside(otherView, *view))
            return area->second.name(attribute);
    }
    return item.expressionFor(attribute);
}

// Notes on each scroll view the constraint crosses whether the crossing depends on the offset.
void noteOffsetDependence(ContentAreas& areas, const UIView* first, NSLayoutAttribute firstAttribute, const UIView* second,
                          NSLayoutAttribute secondAttribute)
{
    if (!second)
        return;
    for (auto& [scrollView, area] : areas) {
        bool firstInside = isInside(first, *scrollView);
        bool secondInside = isInside(second, *scrollView);
        if (firstInside == secondInside)
            continue;
        const UIView* outside = firstInside ? second : first;
        NSLayoutAttribute outsideAttribute = firstInside ? secondAttribute : firstAttribute;
        NSLayoutAttribute insideAttribute = firstInside ? firstAttribute : secondAttribute;
        bool toContent = outside == scrollView && isEdge(outsideAttribute);
        bool sizes = isDimension(outsideAttribute) && isDimension(insideAttribute);
        if (!toContent && !sizes)
            area.offsetMatters = true;
    }
}

CGRect solvedRect(const Solver& solver, const LayoutItem& item, const LayoutItem& parent, CGPoint parentOrigin)
{
    return CGRectMake(tidy(solver.valueOf(item.leftVariable()) - solver.valueOf(parent.leftVariable()) + parentOrigin.x),
                      tidy(solver.valueOf(item.topVariable()) - solver.valueOf(parent.topVariable()) + parentOrigin.y),
                      tidy(solver.valueOf(item.widthVariable())), tidy(solver.valueOf(item.heightVariable())));
}

} // namespace

uint64_t Engine::solveCount()
{
    return s_solves;
}

void Engine::invalidate()
{
    ++s_generation;
}

bool Engine::runLayoutPass(UIView& view)
{
    if (s_passDepth > 0)
        return false;
    ++s_passDepth;
    auto keep = view.shared_from_this();
    UIView& root = rootOf(view);
    auto keepRoot = root.shared_from_this();
    for (int solves = 0; solves < maximumSolvesPerPass; ++solves) {
        prepare(root);
        view.layoutIfNeeded();
        bool usesConstraints = false;
        if (isCurrent(root, inputsOf(root, usesConstraints)))
            break;
    }
    --s_passDepth;
    return true;
}

void Engine::prepare(UIView& root)
{
    updateConstraintsInSubtree(root);
    bool usesConstraints = false;
    auto inputs = inputsOf(root, usesConstraints);
    if (isCurrent(root, inputs))
        return;
    root.constraintState({}).solvedGeneration = s_generation;
    root.constraintState({}).solvedInputs = std::move(inputs);
    if (usesConstraints) {
        solve(root);
        // The solve decides which offsets are inputs.
        root.constraintState({}).solvedInputs = inputsOf(root, usesConstraints);
    }
}

bool Engine::isCurrent(UIView& root, const std::vector<TreeInput>& inputs)
{
    return root.constraintState({}).solvedGeneration == s_generation && root.constraintState({}).solvedInputs == inputs;
}

std::vector<TreeInput> Engine::inputsOf(UIView& root, bool& usesConstraints)
{
    std::vector<TreeInput> inputs;
    forEachInTree(root, [&](UIView& view) {
        const auto& state = view.constraintState({});
        bool fixed = &view == &root || state.translatesAutoresizingMaskIntoConstraints;
        usesConstraints = usesConstraints || !fixed || !state.constraints.empty();
        CGPoint origin = state.boundsOriginIsInput ? view.bounds().origin : CGPointZero;
        inputs.push_back(TreeInput{&view, fixed, fixed ? view.layoutFrame() : CGRectZero, origin});
    });
    return inputs;
}

void Engine::solve(UIView& root)
{
    ++s_solves;
    Solver solver;
    std::unordered_set<const UIView*> inTree;
    std::vector<std::shared_ptr<NSLayoutConstraint>> constraints;
    ContentAreas areas;
    forEachInTree(root, [&](UIView& view) {
        inTree.insert(&view);
        if (auto* scrollView = dynamic_cast<UIScrollView*>(&view)) {
            // Content that constraints leave unsized keeps the scroll view's size.
            ContentArea& area = areas[&view];
            area.scrollView = scrollView;
            CGPoint offset = view.bounds().origin;
            addOrLog(solver, Constraint(area.left, Relation::Equal, view.leftVariable() - offset.x), "a content area");
            addOrLog(solver, Constraint(area.top, Relation::Equal, view.topVariable() - offset.y), "a content area");
            addOrLog(solver, Constraint(area.width, Relation::Equal, view.widthVariable(), stayStrength), "a content area");
            addOrLog(solver, Constraint(area.height, Relation::Equal, view.heightVariable(), stayStrength), "a content area");
            // A guide of the scroll view's own sits on its visible bounds.
            area.offsetMatters = !view.constraintState({}).guides.empty();
        }
        auto parent = view.superview();
        auto& state = view.constraintState({});
        if (&view == &root) {
            fix(solver, view, nullptr, CGRectMake(0, 0, view.bounds().size.width, view.bounds().size.height), CGPointZero, Strength::required());
        } else if (state.translatesAutoresizingMaskIntoConstraints) {
            fix(solver, view, parent.get(), view.layoutFrame(), parent->bounds().origin, Strength::required());
        } else {
            fix(solver, view, parent.get(), view.layoutFrame(), parent->bounds().origin, stayStrength);
            CGSize intrinsic = view.intrinsicContentSize();
            addIntrinsicSize(solver, view, view.widthVariable(), intrinsic.width, UILayoutConstraintAxis::Horizontal);
            addIntrinsicSize(solver, view, view.heightVariable(), intrinsic.height, UILayoutConstraintAxis::Vertical);
        }
        for (const auto& guide : state.guides)
            addGuide(solver, *guide, view);
        constraints.insert(constraints.end(), state.constraints.begin(), state.constraints.end());
    });

    for (const auto& constraint : constraints) {
        auto first = constraint->firstItem();
        auto second = constraint->secondItem();
        auto firstView = first ? first->layoutItemView() : nullptr;
        auto secondView = second ? second->layoutItemView() : nullptr;
        if (!firstView || !inTree.contains(firstView.get()) || (second && (!secondView || !inTree.contains(secondView.get()))))
            continue;
        Expression rhs = constraint->constant();
        if (second)
            rhs += constraint->multiplier()
                   * attributeExpression(*second, secondView.get(), constraint->secondAttribute(), firstView.get(), areas);
        Expression lhs = attributeExpression(*first, firstView.get(), constraint->firstAttribute(), secondView.get(), areas);
        addOrLog(solver, Constraint(lhs, relationFor(constraint->relation()), rhs, strengthFor(constraint->priority())),
                 "a layout constraint");
        noteOffsetDependence(areas, firstView.get(), constraint->firstAttribute(), secondView.get(), constraint->secondAttribute());
    }

    // The content size follows from constraints that name the content's edges; a scroll step
    // then solves nothing unless something outside the content depends on the offset.
    for (auto& [view, area] : areas) {
        UIScrollView& scrollView = *area.scrollView;
        scrollView.constraintState({}).boundsOriginIsInput = area.offsetMatters;
        CGSize size = scrollView.contentSize();
        if (area.namesLeading && area.namesTrailing)
            size.width = tidy(solver.valueOf(area.width));
        if (area.namesTop && area.namesBottom)
            size.height = tidy(solver.valueOf(area.height));
        if (size != scrollView.contentSize())
            scrollView.setContentSize(size);
    }

    forEachInTree(root, [&](UIView& view) {
        auto& state = view.constraintState({});
        for (const auto& guide : state.guides)
            guide->setLayoutFrame(solvedRect(solver, *guide, view, view.bounds().origin));
        auto parent = view.superview();
        if (&view == &root || state.translatesAutoresizingMaskIntoConstraints) {
            state.solvedFrame.reset();
            return;
        }
        CGRect frame = solvedRect(solver, view, *parent, parent->bounds().origin);
        state.solvedFrame = frame;
        if (frame != view.layoutFrame())
            parent->setNeedsLayout();
    });
}

void Engine::placeSubviews(UIView& view)
{
    auto subviews = view.subviews();
    for (const auto& subview : subviews) {
        const auto& state = subview->constraintState({});
        if (state.solvedFrame && !state.translatesAutoresizingMaskIntoConstraints && subview->layoutFrame() != *state.solvedFrame)
            subview->setLayoutFrame(*state.solvedFrame);
    }
}

void Engine::viewWillLeaveSuperview(UIView& view)
{
    for (auto ancestor = view.superview(); ancestor; ancestor = ancestor->superview()) {
        auto held = ancestor->constraintState({}).constraints;
        for (const auto& constraint : held)
            if (constraint->involvesSubtreeOf(view))
                ancestor->removeConstraint(constraint);
    }
}

void Engine::updateConstraintsInSubtree(UIView& view)
{
    auto keep = view.shared_from_this();
    auto subviews = view.subviews();
    for (const auto& subview : subviews)
        updateConstraintsInSubtree(*subview);
    if (view.constraintState({}).needsUpdateConstraints) {
        view.constraintState({}).needsUpdateConstraints = false;
        view.updateConstraints();
    }
}

std::shared_ptr<UIView> Engine::nearestCommonAncestor(const std::shared_ptr<UIView>& a, const std::shared_ptr<UIView>& b)
{
    if (!a || !b)
        return a ? a : b;
    for (auto candidate = a; candidate; candidate = candidate->superview())
        if (b->isDescendantOfView(candidate))
            return candidate;
    return nullptr;
}

} // namespace Layout
