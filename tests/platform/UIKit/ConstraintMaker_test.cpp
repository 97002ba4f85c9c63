#include "UIKitTestFixture.h"
#include "SizedView.h"

#include <functional>

#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutDimension.h"
#include "UIKit/NSLayoutXAxisAnchor.h"

using Layout::ConstraintMaker;
using Layout::MadeConstraint;

namespace {

// A 320 x 480 screen with two subviews for the maker to place.
struct Screen {
    std::shared_ptr<UIView> root = std::make_shared<UIView>();
    std::shared_ptr<SizedView> a = std::make_shared<SizedView>();
    std::shared_ptr<SizedView> b = std::make_shared<SizedView>();

    Screen()
    {
        root->initWithFrame(CGRectMake(0, 0, 320, 480));
        a->init();
        b->init();
        root->addSubview(a);
        root->addSubview(b);
    }

    void layOut() { root->layoutIfNeeded(); }
};

struct MakerCase {
    const char* reason;
    std::function<void(Screen&)> make;
    CGRect a;
    CGRect b;
};

const MakerCase makerCases[] = {
    { "a label pinned to every edge with insets",
      [](Screen& s) { ConstraintMaker::make(s.a, [&](ConstraintMaker& make) { make.edges().equalTo(s.root).insets(UIEdgeInsetsMake(10, 20, 30, 40)); }); },
      CGRectMake(20, 10, 260, 440), CGRectZero },
    { "two buttons side by side, equally wide, a low-priority wish for more width ignored",
      [](Screen& s) {
          ConstraintMaker::make(s.a, [&](ConstraintMaker& make) {
              make.left().equalTo(s.root).offset(20);
              make.bottom().equalTo(s.root).offset(-20);
              make.height().equalTo(44);
              make.width().equalTo(500).priorityLow();
          });
          ConstraintMaker::make(s.b, [&](ConstraintMaker& make) {
              make.left().equalTo(s.a->rightAnchor()).offset(10);
              make.right().equalTo(s.root).offset(-20);
              make.width().height().centerY().equalTo(s.a);
          });
      },
      CGRectMake(20, 416, 135, 44), CGRectMake(165, 416, 135, 44) },
    { "centred at half the superview's size",
      [](Screen& s) {
          ConstraintMaker::make(s.a, [&](ConstraintMaker& make) {
              make.center().equalTo(s.root);
              make.size().equalTo(s.root).multipliedBy(0.5);
          });
      },
      CGRectMake(80, 120, 160, 240), CGRectZero },
    { "numbers: positions from the superview, sizes in points",
      [](Screen& s) {
          ConstraintMaker::make(s.a, [&](ConstraintMaker& make) {
              make.top().left().equalTo(15);
              make.size().equalTo(50);
          });
          ConstraintMaker::make(s.b, [&](ConstraintMaker& make) {
              make.right().bottom().equalTo(-15);
              make.width().equalTo(s.a).dividedBy(2);
              make.height().equalTo(s.a).inset(5);
          });
      },
      CGRectMake(15, 15, 50, 50), CGRectMake(280, 425, 25, 40) },
    { "bounds on both sides hold the width against a stronger wish",
      [](Screen& s) {
          ConstraintMaker::make(s.a, [&](ConstraintMaker& make) {
              make.left().greaterThanOrEqualTo(s.root).offset(20);
              make.right().lessThanOrEqualTo(s.root).offset(-20);
              make.centerX().equalTo(s.root);
              make.width().equalTo(400).priorityHigh();
              make.top().height().equalTo(10);
          });
      },
      CGRectMake(20, 10, 280, 10), CGRectZero },
    { "a required constraint beats the one at 999 on the same edge",
      [](Screen& s) {
          ConstraintMaker::make(s.a, [&](ConstraintMaker& make) {
              make.edges().equalTo(s.root).inset(20).priority(999);
              make.height().equalTo(44);
          });
      },
      CGRectMake(20, 20, 280, 44), CGRectZero },
};

} // namespace

class ConstraintMakerTest : public UIKitTest {};

TEST_F(ConstraintMakerTest, BlocksLayOutScreens)
{
    for (const auto& c : makerCases) {
        Screen screen;
        c.make(screen);
        screen.layOut();
        EXPECT_EQ(screen.a->frame(), c.a) << c.reason;
        EXPECT_EQ(screen.b->frame(), c.b) << c.reason;
        EXPECT_FALSE(screen.a->translatesAutoresizingMaskIntoConstraints()) << c.reason;
    }
}

// A chat panel opened and closed by changing its top constraint's offset.
TEST_F(ConstraintMakerTest, AKeptConstraintsOffsetMovesTheView)
{
    Screen screen;
    std::shared_ptr<MadeConstraint> top;
    ConstraintMaker::make(screen.a, [&](ConstraintMaker& make) {
        make.left().right().equalTo(screen.root);
        make.height().equalTo(screen.root);
        top = make.top().equalTo(screen.root).offset(screen.root->bounds().size.height).kept();
    });
    screen.layOut();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 480, 320, 480));

    top->setOffset(0);
    screen.layOut();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 0, 320, 480));
    ASSERT_EQ(top->layoutConstraints().size(), 1u);
    EXPECT_EQ(top->layoutConstraints()[0]->constant(), 0);
}

// A row that collapses under a zero height and takes its content's height again when the
// constraint is uninstalled.
TEST_F(ConstraintMakerTest, UninstallAndInstallAgain)
{
    Screen screen;
    screen.a->size = CGSizeMake(UIViewNoIntrinsicMetric, 20);
    std::shared_ptr<MadeConstraint> collapse;
    ConstraintMaker::make(screen.a, [&](ConstraintMaker& make) {
        make.left().right().top().equalTo(screen.root);
        collapse = make.height().equalTo(0).kept();
    });
    screen.layOut();
    EXPECT_EQ(screen.a->frame().size.height, 0);

    collapse->uninstall();
    EXPECT_FALSE(collapse->isInstalled());
    screen.layOut();
    EXPECT_EQ(screen.a->frame().size.height, 20);

    collapse->install();
    EXPECT_TRUE(collapse->isInstalled());
    screen.layOut();
    EXPECT_EQ(screen.a->frame().size.height, 0);
}

TEST_F(ConstraintMakerTest, UpdateChangesTheConstantOfTheMatchingConstraint)
{
    Screen screen;
    ConstraintMaker::make(screen.a, [&](ConstraintMaker& make) {
        make.top().equalTo(screen.root).offset(10);
        make.left().equalTo(screen.root);
        make.size().equalTo(30);
    });
    screen.layOut();
    auto constraintsBefore = screen.root->constraints().size() + screen.a->constraints().size();
    auto top = screen.root->constraints().front();

    ConstraintMaker::update(screen.a, [&](ConstraintMaker& make) {
        make.top().equalTo(screen.root).offset(50);
        make.width().equalTo(60);
    });
    screen.layOut();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 50, 60, 30));
    EXPECT_EQ(screen.root->constraints().size() + screen.a->constraints().size(), constraintsBefore) << "no constraint was added";
    EXPECT_EQ(top->constant(), 50) << "the installed constraint itself changed";

    // Another relation or priority is another constraint: it is added beside the old one.
    ConstraintMaker::update(screen.a, [&](ConstraintMaker& make) { make.top().equalTo(screen.root).offset(70).priorityHigh(); });
    screen.layOut();
    EXPECT_EQ(screen.a->frame().origin.y, 50) << "the required top still holds";
    EXPECT_EQ(screen.root->constraints().size() + screen.a->constraints().size(), constraintsBefore + 1);
}

TEST_F(ConstraintMakerTest, RemakeReplacesEverythingTheMakerInstalled)
{
    Screen screen;
    auto first = ConstraintMaker::make(screen.a, [&](ConstraintMaker& make) {
        make.edges().equalTo(screen.root);
    });
    // A constraint made without the maker is not the maker's to remove.
    auto own = screen.a->heightAnchor()->constraintLessThanOrEqualToConstant(1000);
    own->setActive(true);
    screen.layOut();
    EXPECT_EQ(screen.a->frame(), CGRectMake(0, 0, 320, 480));

    ConstraintMaker::remake(screen.a, [&](ConstraintMaker& make) {
        make.top().left().equalTo(screen.root).offset(5);
        make.size().equalTo(10);
    });
    screen.layOut();
    EXPECT_EQ(screen.a->frame(), CGRectMake(5, 5, 10, 10));
    EXPECT_FALSE(first[0]->isInstalled());
    EXPECT_TRUE(own->isActive());
}

TEST_F(ConstraintMakerTest, BadLinesAreSkippedNotFatal)
{
    Screen screen;
    auto loose = std::make_shared<UIView>();
    loose->init();
    std::shared_ptr<UIView> none;
    auto made = ConstraintMaker::make(screen.a, [&](ConstraintMaker& make) {
        make.top().equalTo(none);
        make.left();
        make.width().equalTo(20).left();
        make.height().equalTo(loose);
        make.size().equalTo(20).dividedBy(0);
    });
    ConstraintMaker::make(loose, [&](ConstraintMaker& make) { make.top().equalTo(10); });
    ConstraintMaker::make(nullptr, [&](ConstraintMaker&) { FAIL() << "no view, no block"; });
    screen.layOut();
    ASSERT_EQ(made.size(), 5u);
    EXPECT_FALSE(made[0]->isInstalled()) << "no target";
    EXPECT_FALSE(made[1]->isInstalled()) << "no relation";
    EXPECT_TRUE(made[2]->isInstalled()) << "an attribute after the relation is ignored, the rest stands";
    EXPECT_FALSE(made[3]->isInstalled()) << "the target is in another tree";
    EXPECT_EQ(screen.a->frame().size.width, 20);
}
