#include "UIKitTestFixture.h"
#include "SizedView.h"

#include <functional>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/NSLayoutDimension.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/LayoutEngine.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UIScrollView.h"

namespace {

using Constraints = std::vector<std::shared_ptr<NSLayoutConstraint>>;

std::shared_ptr<SizedView> makeConstrained(const std::shared_ptr<UIView>& superview, CGSize intrinsic = CGSizeMake(-1, -1))
{
    auto view = std::make_shared<SizedView>();
    view->init();
    view->size = intrinsic;
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    superview->addSubview(view);
    return view;
}

// A 320 x 480 screen with views a, b (constrained, no natural size unless a case gives one)
// and a hand-placed bar at (0, 100, 320, 50).
struct Screen {
    std::shared_ptr<UIView> root;
    std::shared_ptr<SizedView> a;
    std::shared_ptr<SizedView> b;
    std::shared_ptr<UIView> bar;

    Screen()
    {
        root = std::make_shared<UIView>();
        root->initWithFrame(CGRectMake(0, 0, 320, 480));
        a = makeConstrained(root);
        b = makeConstrained(root);
        bar = std::make_shared<UIView>();
        bar->initWithFrame(CGRectMake(0, 100, 320, 50));
        root->addSubview(bar);
    }
};

struct ScreenCase {
    const char* reason;
    std::function<Constraints(Screen&)> constraints;
    CGRect a;
    CGRect b;
};

const ScreenCase screenCases[] = {
    { "a label pinned to its superview with insets",
      [](Screen& s) {
          return Constraints { s.a->leftAnchor()->constraintEqualToAnchor_constant(s.root->leftAnchor(), 20),
                               s.a->rightAnchor()->constraintEqualToAnchor_constant(s.root->rightAnchor(), -20),
                               s.a->topAnchor()->constraintEqualToAnchor_constant(s.root->topAnchor(), 15),
                               s.a->heightAnchor()->constraintEqualToConstant(30),
                               s.b->topAnchor()->constraintEqualToAnchor_constant(s.a->bottomAnchor(), 15),
                               s.b->leadingAnchor()->constraintEqualToAnchor(s.a->leadingAnchor()),
                               s.b->trailingAnchor()->constraintEqualToAnchor(s.a->trailingAnchor()),
                               s.b->bottomAnchor()->constraintEqualToAnchor_constant(s.root->bottomAnchor(), -10) };
      },
      CGRectMake(20, 15, 280, 30), CGRectMake(20, 60, 280, 410) },
    { "two buttons side by side, equally wide, with a gap",
      [](Screen& s) {
          return Constraints { s.a->leftAnchor()->constraintEqualToAnchor_constant(s.root->leftAnchor(), 20),
                               s.b->leftAnchor()->constraintEqualToAnchor_constant(s.a->rightAnchor(), 10),
                               s.b->rightAnchor()->constraintEqualToAnchor_constant(s.root->rightAnchor(), -20),
                               s.a->widthAnchor()->constraintEqualToAnchor(s.b->widthAnchor()),
                               s.a->heightAnchor()->constraintEqualToConstant(44),
                               s.b->heightAnchor()->constraintEqualToAnchor(s.a->heightAnchor()),
                               s.a->bottomAnchor()->constraintEqualToAnchor_constant(s.root->bottomAnchor(), -18),
                               s.b->centerYAnchor()->constraintEqualToAnchor(s.a->centerYAnchor()) };
      },
      CGRectMake(20, 418, 135, 44), CGRectMake(165, 418, 135, 44) },
    { "a preferred width at low priority gives way to a required margin",
      [](Screen& s) {
          auto wide = s.a->widthAnchor()->constraintEqualToConstant(500);
          wide->setPriority(UILayoutPriorityDefaultLow);
          return Constraints { wide, s.a->leftAnchor()->constraintEqualToAnchor_constant(s.root->leftAnchor(), 20),
                               s.a->rightAnchor()->constraintLessThanOrEqualToAnchor_constant(s.root->rightAnchor(), -20),
                               s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()), s.a->heightAnchor()->constraintEqualToConstant(10),
                               s.b->widthAnchor()->constraintEqualToConstant(0), s.b->heightAnchor()->constraintEqualToConstant(0) };
      },
      CGRectMake(20, 0, 280, 10), CGRectMake(0, 0, 0, 0) },
    { "the higher of two conflicting optional constraints holds",
      [](Screen& s) {
          auto low = s.a->topAnchor()->constraintEqualToAnchor_constant(s.root->topAnchor(), 59);
          low->setPriority(250);
          auto high = s.a->topAnchor()->constraintEqualToAnchor_constant(s.root->topAnchor(), 20);
          high->setPriority(749);
          return Constraints { low, high, s.a->leftAnchor()->constraintEqualToAnchor(s.root->leftAnchor()),
                               s.a->widthAnchor()->constraintEqualToConstant(10), s.a->heightAnchor()->constraintEqualToConstant(10) };
      },
      CGRectMake(0, 20, 10, 10), CGRectZero },
    { "centred, half as wide as the superview",
      [](Screen& s) {
          return Constraints { s.a->centerXAnchor()->constraintEqualToAnchor(s.root->centerXAnchor()),
                               s.a->centerYAnchor()->constraintEqualToAnchor(s.root->centerYAnchor()),
                               s.a->widthAnchor()->constraintEqualToAnchor_multiplier(s.root->widthAnchor(), 0.5),
                               s.a->heightAnchor()->constraintEqualToConstant(90) };
      },
      CGRectMake(80, 195, 160, 90), CGRectZero },
    { "constrained views lean on a hand-placed one",
      [](Screen& s) {
          return Constraints { s.a->topAnchor()->constraintEqualToAnchor_constant(s.bar->bottomAnchor(), 10),
                               s.a->leftAnchor()->constraintEqualToAnchor_constant(s.bar->leftAnchor(), 15),
                               s.a->widthAnchor()->constraintEqualToConstant(90), s.a->heightAnchor()->constraintEqualToConstant(130),
                               s.b->topAnchor()->constraintGreaterThanOrEqualToAnchor_constant(s.a->bottomAnchor(), 20),
                               s.b->leftAnchor()->constraintEqualToAnchor(s.a->leftAnchor()),
                               s.b->widthAnchor()->constraintEqualToConstant(50), s.b->heightAnchor()->constraintEqualToConstant(50) };
      },
      CGRectMake(15, 160, 90, 130), CGRectMake(15, 310, 50, 50) },
    { "the view that hugs harder keeps its natural width, the other fills the row",
      [](Screen& s) {
          s.a->size = CGSizeMake(100, 20);
          s.b->size = CGSizeMake(60, 20);
          s.a->setContentHuggingPriority_forAxis(750, UILayoutConstraintAxis::Horizontal);
          s.b->setContentHuggingPriority_forAxis(1, UILayoutConstraintAxis::Horizontal);
          return Constraints { s.a->leftAnchor()->constraintEqualToAnchor_constant(s.root->leftAnchor(), 20),
                               s.b->leftAnchor()->constraintEqualToAnchor_constant(s.a->rightAnchor(), 8),
                               s.b->rightAnchor()->constraintEqualToAnchor_constant(s.root->rightAnchor(), -20),
                               s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()),
                               s.b->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()) };
      },
      CGRectMake(20, 0, 100, 20), CGRectMake(128, 0, 172, 20) },
    { "too little room: the view that resists compression less is squeezed",
      [](Screen& s) {
          s.a->size = CGSizeMake(200, 20);
          s.b->size = CGSizeMake(200, 20);
          s.a->setContentCompressionResistancePriority_forAxis(750, UILayoutConstraintAxis::Horizontal);
          s.b->setContentCompressionResistancePriority_forAxis(749, UILayoutConstraintAxis::Horizontal);
          return Constraints { s.a->leftAnchor()->constraintEqualToAnchor_constant(s.root->leftAnchor(), 15),
                               s.b->leftAnchor()->constraintEqualToAnchor_constant(s.a->rightAnchor(), 15),
                               s.b->rightAnchor()->constraintEqualToAnchor_constant(s.root->rightAnchor(), -15),
                               s.a->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()),
                               s.b->topAnchor()->constraintEqualToAnchor(s.root->topAnchor()) };
      },
      CGRectMake(15, 0, 200, 20), CGRectMake(230, 0, 75, 20) },
};

} // namespace

class AutoLayoutTest : public UIKitTest {};

TEST_F(AutoLayoutTest, ScreensLayOutAsConstrained)
{
    for (const auto& c : screenCases) {
        Screen screen;
        NSLayoutConstraint::activateConstraints(c.constraints(screen));
        screen.root->layoutIfNeeded();
        EXPECT_EQ(screen.a->frame(), c.a) << c.reason;
        EXPECT_EQ(screen.b->frame(), c.b) << c.reason;
        EXPECT_EQ(screen.bar->frame(), CGRectMake(0, 100, 320, 50)) << c.reason << ": a hand-placed view keeps its frame";
    }
}

TEST_F(AutoLayoutTest, ActiveConstraintsLiveOnTheNearestCommonAncestor)
{
    Screen screen;
    auto inner = makeConstrained(screen.a);
    auto sideBySide = inner->leftAnchor()->constraintEqualToAnchor(screen.b->rightAnchor());
    auto own = inner->widthAnchor()->constraintEqualToConstant(5);
    NSLayoutConstraint::activateConstraints({ sideBySide, own });
    EXPECT_EQ(sideBySide->holder(), screen.root);
    EXPECT_EQ(own->holder(), inner);

    auto stranger = std::make_shared<UIView>();
    stranger->init();
    auto unrelated = stranger->topAnchor()->constraintEqualToAnchor(screen.a->topAnchor());
    unrelated->setActive(true);
    EXPECT_FALSE(unrelated->isActive()) << "views of different trees share no ancestor";

    own->setActive(false);
    EXPECT_TRUE(inner->constraints().empty());
}

TEST_F(AutoLayoutTest, AChangedConstantMovesTheViewAtTheNextLayoutPass)
{
    Screen screen;
    auto top = screen.a->topAnchor()->constraintEqualToAnchor_constant(screen.root->topAnchor(), 480);
    NSLayoutConstraint::activateConstraints({ top, screen.a->leftAnchor()->constraintEqualToAnchor(screen.root->leftAnchor()),
                                              screen.a->rightAnchor()->constraintEqualToAnchor(screen.root->rightAnchor()),
                                              screen.a->heightAnchor()->constraintEqualToAnchor(screen.root->heightAnchor()) });
    screen.root->layoutIfNeeded();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 480, 320, 480));

    top->setConstant(0);
    EXPECT_EQ(screen.a->frame().origin.y, 480) << "frames change in a layout pass, not at once";
    EXPECT_TRUE(screen.root->needsLayout());
    screen.root->layoutIfNeeded();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 0, 320, 480));
}

TEST_F(AutoLayoutTest, RemovingAViewDropsTheConstraintsThatNameIt)
{
    Screen screen;
    auto content = makeConstrained(screen.root);
    auto label = makeConstrained(content);
    NSLayoutConstraint::activateConstraints({ content->topAnchor()->constraintEqualToAnchor(screen.root->topAnchor()),
                                              content->leftAnchor()->constraintEqualToAnchor(screen.root->leftAnchor()),
                                              content->widthAnchor()->constraintEqualToConstant(300),
                                              content->heightAnchor()->constraintEqualToConstant(200) });
    auto pin = [&](double top) {
        NSLayoutConstraint::activateConstraints({ label->topAnchor()->constraintEqualToAnchor_constant(content->topAnchor(), top),
                                                  label->leftAnchor()->constraintEqualToAnchor_constant(content->leftAnchor(), 15),
                                                  label->rightAnchor()->constraintEqualToAnchor_constant(content->rightAnchor(), -15),
                                                  label->heightAnchor()->constraintEqualToConstant(20) });
    };
    pin(20);
    screen.root->layoutIfNeeded();
    EXPECT_EQ(label->frame(), CGRectMake(15, 20, 270, 20));

    // Taken out and put back with other constraints: the old ones would contradict them.
    label->removeFromSuperview();
    EXPECT_EQ(content->constraints().size(), 2u) << "only its own width and height are left";
    EXPECT_EQ(label->constraints().size(), 1u) << "the label keeps the constraint on itself alone";
    content->addSubview(label);
    pin(50);
    screen.root->layoutIfNeeded();
    EXPECT_EQ(label->frame(), CGRectMake(15, 50, 270, 20));
    EXPECT_EQ(content->frame(), CGRectMake(0, 0, 300, 200)) << "constraints among the views that stay are kept";
}

namespace {

// Remakes its constraints in updateConstraints, as a cell does when its content changes.
struct UpdatingView : UIView {
    std::shared_ptr<UIView> child;
    std::shared_ptr<NSLayoutConstraint> left;
    double offset = 10;
    std::vector<std::string>* journal = nullptr;

    void updateConstraints() override
    {
        if (left)
            left->setActive(false);
        left = child->leftAnchor()->constraintEqualToAnchor_constant(leftAnchor(), offset);
        left->setActive(true);
        if (journal)
            journal->push_back("parent");
        UIView::updateConstraints();
    }
};

struct JournalView : UIView {
    std::vector<std::string>* journal = nullptr;
    void updateConstraints() override
    {
        journal->push_back("child");
        UIView::updateConstraints();
    }
};

} // namespace

TEST_F(AutoLayoutTest, UpdateConstraintsRunsInTheLayoutPassSubviewsFirst)
{
    std::vector<std::string> journal;
    auto parent = std::make_shared<UpdatingView>();
    parent->initWithFrame(CGRectMake(0, 0, 200, 100));
    parent->journal = &journal;
    auto child = std::make_shared<JournalView>();
    child->init();
    child->journal = &journal;
    child->setTranslatesAutoresizingMaskIntoConstraints(false);
    parent->addSubview(child);
    parent->child = child;
    NSLayoutConstraint::activateConstraints({ child->topAnchor()->constraintEqualToAnchor(parent->topAnchor()),
                                              child->widthAnchor()->constraintEqualToConstant(20),
                                              child->heightAnchor()->constraintEqualToConstant(20) });

    child->setNeedsUpdateConstraints();
    parent->setNeedsUpdateConstraints();
    parent->layoutIfNeeded();
    EXPECT_EQ(journal, (std::vector<std::string> { "child", "parent" }));
    EXPECT_EQ(child->frame(), CGRectMake(10, 0, 20, 20)) << "constraints made in updateConstraints count in the same pass";

    parent->offset = 70;
    parent->setNeedsUpdateConstraints();
    parent->layoutIfNeeded();
    EXPECT_EQ(child->frame(), CGRectMake(70, 0, 20, 20));
    EXPECT_EQ(journal.size(), 3u) << "only marked views update";
}

namespace {

// Places its header by hand in layoutSubviews; constrained views below lean on the header.
struct HeaderView : UIView {
    std::shared_ptr<UIView> header;
    double headerHeight = 40;
    void layoutSubviews() override
    {
        UIView::layoutSubviews();
        header->setFrame(CGRectMake(0, 0, bounds().size.width, headerHeight));
    }
};

} // namespace

TEST_F(AutoLayoutTest, HandPlacedFramesSetDuringLayoutAreSolvedAgainInTheSamePass)
{
    auto view = std::make_shared<HeaderView>();
    view->initWithFrame(CGRectMake(0, 0, 320, 480));
    view->header = std::make_shared<UIView>();
    view->header->init();
    view->addSubview(view->header);
    auto body = makeConstrained(view);
    NSLayoutConstraint::activateConstraints({ body->topAnchor()->constraintEqualToAnchor(view->header->bottomAnchor()),
                                              body->leftAnchor()->constraintEqualToAnchor(view->leftAnchor()),
                                              body->rightAnchor()->constraintEqualToAnchor(view->rightAnchor()),
                                              body->bottomAnchor()->constraintEqualToAnchor(view->bottomAnchor()) });
    view->layoutIfNeeded();
    EXPECT_EQ(body->frame(), CGRectMake(0, 40, 320, 440));

    view->headerHeight = 100;
    view->setNeedsLayout();
    view->layoutIfNeeded();
    EXPECT_EQ(body->frame(), CGRectMake(0, 100, 320, 380));
}

TEST_F(AutoLayoutTest, NestedConstrainedViewsGetFramesInTheirSuperviewsCoordinates)
{
    Screen screen;
    auto inner = makeConstrained(screen.a);
    NSLayoutConstraint::activateConstraints({ screen.a->leftAnchor()->constraintEqualToAnchor_constant(screen.root->leftAnchor(), 30),
                                              screen.a->topAnchor()->constraintEqualToAnchor_constant(screen.root->topAnchor(), 40),
                                              screen.a->widthAnchor()->constraintEqualToConstant(100),
                                              screen.a->heightAnchor()->constraintEqualToConstant(100),
                                              inner->leftAnchor()->constraintEqualToAnchor_constant(screen.a->leftAnchor(), 5),
                                              inner->topAnchor()->constraintEqualToAnchor_constant(screen.a->topAnchor(), 5),
                                              inner->rightAnchor()->constraintEqualToAnchor_constant(screen.a->rightAnchor(), -5),
                                              inner->bottomAnchor()->constraintEqualToAnchor_constant(screen.a->bottomAnchor(), -5) });
    screen.root->layoutIfNeeded();
    EXPECT_EQ(screen.a->frame(), CGRectMake(30, 40, 100, 100));
    EXPECT_EQ(inner->frame(), CGRectMake(5, 5, 90, 90));
}

TEST_F(AutoLayoutTest, ContradictingRequiredConstraintsAreLoggedNotFatal)
{
    Screen screen;
    NSLayoutConstraint::activateConstraints({ screen.a->widthAnchor()->constraintEqualToConstant(50),
                                              screen.a->widthAnchor()->constraintEqualToConstant(80),
                                              screen.a->heightAnchor()->constraintEqualToConstant(-1),
                                              screen.a->leftAnchor()->constraintEqualToAnchor(screen.root->leftAnchor()),
                                              screen.a->topAnchor()->constraintEqualToAnchor(screen.root->topAnchor()) });
    auto invalid = screen.b->widthAnchor()->constraintEqualToConstant(10);
    invalid->setPriority(0);
    invalid->setActive(true);
    screen.root->layoutIfNeeded();
    EXPECT_EQ(screen.a->frame().size.width, 50) << "the first of two contradicting constraints holds";
    EXPECT_EQ(screen.b->frame(), CGRectZero);
}

TEST_F(AutoLayoutTest, TopLayoutGuideSitsUnderTheStatusBar)
{
    auto controller = std::make_shared<UIViewController>();
    controller->init();
    auto window = showWindow(controller);
    auto view = controller->view();
    auto label = makeConstrained(view);
    NSLayoutConstraint::activateConstraints({ label->topAnchor()->constraintEqualToAnchor_constant(controller->topLayoutGuide()->bottomAnchor(), 15),
                                              label->leftAnchor()->constraintEqualToAnchor_constant(view->leftAnchor(), 15),
                                              label->widthAnchor()->constraintEqualToConstant(100),
                                              label->bottomAnchor()->constraintEqualToAnchor(controller->bottomLayoutGuide()->topAnchor()) });
    window->layoutIfNeeded();
    EXPECT_EQ(controller->topLayoutGuide()->length(), 20);
    EXPECT_EQ(controller->topLayoutGuide()->layoutFrame(), CGRectMake(0, 0, 320, 20));
    EXPECT_EQ(label->frame(), CGRectMake(15, 35, 100, 445));
}

namespace {

// A 320 x 200 scroll view filling the screen's top, and a content view inside it.
struct ScrollScreen {
    std::shared_ptr<UIView> root;
    std::shared_ptr<UIScrollView> scroll;
    std::shared_ptr<SizedView> content;

    ScrollScreen()
    {
        root = std::make_shared<UIView>();
        root->initWithFrame(CGRectMake(0, 0, 320, 480));
        scroll = std::make_shared<UIScrollView>();
        scroll->initWithFrame(CGRectMake(0, 0, 320, 200));
        root->addSubview(scroll);
        content = makeConstrained(scroll);
    }
};

struct ScrollCase {
    const char* reason;
    std::function<Constraints(ScrollScreen&)> constraints;
    CGRect content;
    CGSize contentSize;
};

const ScrollCase scrollCases[] = {
    { "content pinned to all four edges, its own height: the content size is the content's",
      [](ScrollScreen& s) {
          return Constraints { s.content->topAnchor()->constraintEqualToAnchor(s.scroll->topAnchor()),
                               s.content->leftAnchor()->constraintEqualToAnchor(s.scroll->leftAnchor()),
                               s.content->rightAnchor()->constraintEqualToAnchor(s.scroll->rightAnchor()),
                               s.content->bottomAnchor()->constraintEqualToAnchor(s.scroll->bottomAnchor()),
                               s.content->widthAnchor()->constraintEqualToAnchor(s.scroll->widthAnchor()),
                               s.content->heightAnchor()->constraintEqualToConstant(600) };
      },
      CGRectMake(0, 0, 320, 600), CGSizeMake(320, 600) },
    { "insets from the edges add to the content size",
      [](ScrollScreen& s) {
          return Constraints { s.content->topAnchor()->constraintEqualToAnchor_constant(s.scroll->topAnchor(), 20),
                               s.content->leadingAnchor()->constraintEqualToAnchor_constant(s.scroll->leadingAnchor(), 10),
                               s.content->trailingAnchor()->constraintEqualToAnchor_constant(s.scroll->trailingAnchor(), -10),
                               s.content->bottomAnchor()->constraintEqualToAnchor_constant(s.scroll->bottomAnchor(), -30),
                               s.content->widthAnchor()->constraintEqualToAnchor_constant(s.scroll->widthAnchor(), -20),
                               s.content->heightAnchor()->constraintEqualToConstant(400) };
      },
      CGRectMake(10, 20, 300, 400), CGSizeMake(320, 450) },
    { "pages side by side, each as wide as the scroll view: the content is as wide as all of them",
      [](ScrollScreen& s) {
          return Constraints { s.content->topAnchor()->constraintEqualToAnchor(s.scroll->topAnchor()),
                               s.content->leftAnchor()->constraintEqualToAnchor(s.scroll->leftAnchor()),
                               s.content->rightAnchor()->constraintEqualToAnchor(s.scroll->rightAnchor()),
                               s.content->bottomAnchor()->constraintEqualToAnchor(s.scroll->bottomAnchor()),
                               s.content->widthAnchor()->constraintEqualToAnchor_multiplier(s.scroll->widthAnchor(), 3),
                               s.content->heightAnchor()->constraintEqualToAnchor(s.scroll->heightAnchor()) };
      },
      CGRectMake(0, 0, 960, 200), CGSizeMake(960, 200) },
    { "content pinned to the top only keeps the size it was given",
      [](ScrollScreen& s) {
          s.scroll->setContentSize(CGSizeMake(320, 1000));
          return Constraints { s.content->topAnchor()->constraintEqualToAnchor(s.scroll->topAnchor()),
                               s.content->leftAnchor()->constraintEqualToAnchor(s.scroll->leftAnchor()),
                               s.content->widthAnchor()->constraintEqualToConstant(100),
                               s.content->heightAnchor()->constraintEqualToConstant(50) };
      },
      CGRectMake(0, 0, 100, 50), CGSizeMake(320, 1000) },
};

} // namespace

// The content of a scroll view is laid out in the content's own space: edges pinned to the
// scroll view make the content size, and scrolling moves the content without solving again.
TEST_F(AutoLayoutTest, ContentConstrainedToAScrollViewSetsTheContentSizeAndScrolls)
{
    for (const auto& c : scrollCases) {
        ScrollScreen screen;
        NSLayoutConstraint::activateConstraints(c.constraints(screen));
        screen.root->layoutIfNeeded();
        EXPECT_EQ(screen.content->frame(), c.content) << c.reason;
        EXPECT_EQ(screen.scroll->contentSize(), c.contentSize) << c.reason;

        // Scrolled to the end: the content keeps its frame in the content's space, so it
        // shows moved, and nothing is solved for it.
        const auto solves = Layout::Engine::solveCount();
        screen.scroll->setContentOffset(screen.scroll->maximumContentOffset());
        screen.root->layoutIfNeeded();
        EXPECT_EQ(screen.content->frame(), c.content) << c.reason;
        EXPECT_EQ(Layout::Engine::solveCount(), solves) << c.reason;
    }
}

// A view inside the scroll view held to a view outside it stays put on screen as the content
// moves, so there the offset is an input of the solve.
TEST_F(AutoLayoutTest, ContentHeldToAViewOutsideTheScrollViewStaysOnScreen)
{
    ScrollScreen screen;
    auto badge = makeConstrained(screen.scroll);
    NSLayoutConstraint::activateConstraints({ screen.content->topAnchor()->constraintEqualToAnchor(screen.scroll->topAnchor()),
                                              screen.content->leftAnchor()->constraintEqualToAnchor(screen.scroll->leftAnchor()),
                                              screen.content->rightAnchor()->constraintEqualToAnchor(screen.scroll->rightAnchor()),
                                              screen.content->bottomAnchor()->constraintEqualToAnchor(screen.scroll->bottomAnchor()),
                                              screen.content->widthAnchor()->constraintEqualToConstant(320),
                                              screen.content->heightAnchor()->constraintEqualToConstant(800),
                                              badge->topAnchor()->constraintEqualToAnchor_constant(screen.root->topAnchor(), 10),
                                              badge->leftAnchor()->constraintEqualToAnchor_constant(screen.root->leftAnchor(), 10),
                                              badge->widthAnchor()->constraintEqualToConstant(20),
                                              badge->heightAnchor()->constraintEqualToConstant(20) });
    screen.root->layoutIfNeeded();
    EXPECT_EQ(badge->frame(), CGRectMake(10, 10, 20, 20));
    screen.scroll->setContentOffset(CGPointMake(0, 300));
    screen.root->layoutIfNeeded();
    EXPECT_EQ(badge->frame(), CGRectMake(10, 310, 20, 20));
    EXPECT_EQ(screen.content->frame(), CGRectMake(0, 0, 320, 800));
}
