#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include <cmath>
#include <functional>

#include "UIKit/CAGradientLayer.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIBezierPath.h"

using fixtures::makeView;
using fixtures::pixel;
using fixtures::snapshot;

class CALayerTest : public UIKitTest {};

TEST_F(CALayerTest, ViewAndLayerShareTheirState)
{
    auto view = makeView(CGRectMake(10, 20, 30, 40), UIColor::redColor());
    auto layer = view->layer();
    EXPECT_EQ(layer->frame(), CGRectMake(10, 20, 30, 40));
    EXPECT_EQ(layer->position(), CGPointMake(25, 40));
    ASSERT_NE(layer->backgroundColor(), nullptr);
    EXPECT_DOUBLE_EQ(layer->backgroundColor()->red(), 1.0);

    layer->setBackgroundColor(CGColorCreateSRGB(0, 0, 1, 1));
    EXPECT_TRUE(view->backgroundColor()->isEqual(*UIColor::blueColor()));
    layer->setOpacity(0.25f);
    EXPECT_DOUBLE_EQ(view->alpha(), 0.25);
    view->setClipsToBounds(true);
    EXPECT_TRUE(layer->masksToBounds());
    layer->setHidden(true);
    EXPECT_TRUE(view->isHidden());
    layer->setFrame(CGRectMake(0, 0, 8, 8));
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 8, 8));
}

TEST_F(CALayerTest, BadValuesAndCyclesAreRefused)
{
    auto layer = CALayer::layer();
    layer->setCornerRadius(-3);
    layer->setBorderWidth(NAN);
    layer->setShadowOpacity(7);
    EXPECT_EQ(layer->cornerRadius(), 0);
    EXPECT_EQ(layer->borderWidth(), 0);
    EXPECT_EQ(layer->shadowOpacity(), 1.0f);

    auto child = CALayer::layer();
    layer->addSublayer(child);
    child->addSublayer(layer); // would be a cycle
    EXPECT_TRUE(child->sublayers().empty());
    child->setMask(layer); // an ancestor cannot mask
    EXPECT_EQ(child->mask(), nullptr);
    layer->addSublayer(makeView(CGRectZero)->layer()); // a view's layer belongs to its view
    EXPECT_EQ(layer->sublayers().size(), 1u);

    auto other = CALayer::layer();
    other->addSublayer(child); // moves
    EXPECT_TRUE(layer->sublayers().empty());
    EXPECT_EQ(child->superlayer(), other);
}

// One view drawn in a 60 x 60 white-less root; each case reads a few pixels.
TEST_F(CALayerTest, CornersBordersAndClippingAreDrawn)
{
    struct Case {
        const char* why;
        double radius;
        bool masks;
        double border;
        bool child; // a green 10 x 10 subview in the top-left corner
        CGPoint probe;
        fixtures::Pixel expected; // alpha, red, green, blue
    };
    const Case cases[] = {
        {"the background is rounded", 10, false, 0, false, {11, 11}, {0, 0, 0, 0}},
        {"inside the rounding it is filled", 10, false, 0, false, {30, 30}, {255, 255, 0, 0}},
        {"without clipping a subview shows in the corner", 10, false, 0, true, {11, 11}, {255, 0, 255, 0}},
        {"clipping cuts the subview at the rounded corner", 10, true, 0, true, {11, 11}, {0, 0, 0, 0}},
        {"clipping keeps the subview inside", 10, true, 0, true, {18, 18}, {255, 0, 255, 0}},
        {"the border lies inside the edge", 0, false, 4, false, {11, 30}, {255, 0, 0, 255}},
        {"the border is drawn over subviews", 0, true, 4, true, {13, 13}, {255, 0, 0, 255}},
        {"within the border the content shows", 0, false, 4, false, {16, 30}, {255, 255, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto root = makeView(CGRectMake(0, 0, 60, 60));
        auto view = makeView(CGRectMake(10, 10, 40, 40), UIColor::redColor());
        root->addSubview(view);
        if (c.child)
            view->addSubview(makeView(CGRectMake(0, 0, 10, 10), UIColor::greenColor()));
        view->layer()->setCornerRadius(c.radius);
        view->layer()->setMasksToBounds(c.masks);
        view->layer()->setBorderWidth(c.border);
        view->layer()->setBorderColor(CGColorCreateSRGB(0, 0, 1, 1));
        auto shot = snapshot(root);
        auto p = pixel(*shot, size_t(c.probe.x), size_t(c.probe.y));
        EXPECT_NEAR(p.a, c.expected.a, 8);
        if (c.expected.a) {
            EXPECT_NEAR(p.r, c.expected.r, 8);
            EXPECT_NEAR(p.g, c.expected.g, 8);
            EXPECT_NEAR(p.b, c.expected.b, 8);
        }
    }
}

TEST_F(CALayerTest, ShadowIsBlurredAndOffset)
{
    auto root = makeView(CGRectMake(0, 0, 80, 80));
    auto view = makeView(CGRectMake(20, 20, 40, 40), UIColor::whiteColor());
    root->addSubview(view);
    view->layer()->setShadowColor(CGColorCreateSRGB(0, 0, 0, 1));
    view->layer()->setShadowRadius(4);
    view->layer()->setShadowOffset(CGSizeMake(0, 6));
    auto noShadow = snapshot(root);
    EXPECT_EQ(pixel(*noShadow, 40, 62).a, 0) << "opacity 0 shows no shadow";

    view->layer()->setShadowOpacity(1);
    auto shot = snapshot(root);
    auto near = pixel(*shot, 40, 61), mid = pixel(*shot, 40, 65), far = pixel(*shot, 40, 72);
    EXPECT_GT(near.a, mid.a) << "the shadow fades with the distance from the edge";
    EXPECT_GT(mid.a, far.a);
    EXPECT_GT(mid.a, 20);
    EXPECT_LT(near.r, 10) << "in the shadow's colour";
    EXPECT_LT(pixel(*shot, 40, 17).a, near.a) << "moved down by the offset, so less shows above";
    EXPECT_EQ(pixel(*shot, 2, 2).a, 0);
    auto body = pixel(*shot, 40, 40);
    EXPECT_EQ(body.a, 255);
    EXPECT_EQ(body.r, 255) << "the view is drawn over its shadow";
}

TEST_F(CALayerTest, GradientSublayerAndAlphaMask)
{
    auto root = makeView(CGRectMake(0, 0, 40, 40));
    auto view = makeView(CGRectMake(0, 0, 40, 40));
    root->addSubview(view);
    auto gradient = CAGradientLayer::layer();
    gradient->setFrame(view->bounds());
    gradient->setColors({CGColorCreateSRGB(1, 0, 0, 1), CGColorCreateSRGB(0, 0, 1, 1)});
    view->layer()->addSublayer(gradient);
    auto shot = snapshot(root);
    auto top = pixel(*shot, 20, 0), middle = pixel(*shot, 20, 20), bottom = pixel(*shot, 20, 39);
    EXPECT_GT(top.r, 240);
    EXPECT_LT(top.b, 15);
    EXPECT_GT(bottom.b, 240);
    EXPECT_NEAR(middle.r, 128, 10);
    EXPECT_NEAR(middle.b, 128, 10);

    // Locations: all change happens in the lower quarter.
    gradient->setLocations({0.75, 1.0});
    EXPECT_GT(pixel(*snapshot(root), 20, 20).r, 250);

    // A mask fading from clear to opaque lets the content through by its alpha.
    auto mask = CAGradientLayer::layer();
    mask->setFrame(view->bounds());
    mask->setColors({CGColorCreateSRGB(0, 0, 0, 0), CGColorCreateSRGB(0, 0, 0, 1)});
    view->layer()->setMask(mask);
    auto masked = snapshot(root);
    EXPECT_LT(pixel(*masked, 20, 0).a, 10);
    EXPECT_NEAR(pixel(*masked, 20, 20).a, 128, 12);
    EXPECT_GT(pixel(*masked, 20, 39).a, 245);
}

TEST_F(CALayerTest, TranslucentLayerWithMaskFadesAsOnePicture)
{
    auto root = makeView(CGRectMake(0, 0, 20, 20));
    auto view = makeView(CGRectMake(0, 0, 20, 20), UIColor::redColor());
    auto child = makeView(CGRectMake(0, 0, 20, 20), UIColor::blueColor());
    root->addSubview(view);
    view->addSubview(child);
    view->setAlpha(0.5);
    auto solid = CALayer::layer();
    solid->setFrame(view->bounds());
    solid->setBackgroundColor(CGColorCreateSRGB(0, 0, 0, 1));
    view->layer()->setMask(solid);
    auto p = pixel(*snapshot(root), 10, 10);
    EXPECT_NEAR(p.a, 128, 3);
    EXPECT_LT(p.r, 8) << "the red underneath does not shine through the blue child";
}

class ViewTransformTest : public UIKitTest {};

TEST_F(ViewTransformTest, FrameAndConversionsFollowTheTransform)
{
    struct Case {
        const char* why;
        CGAffineTransform transform;
        CGRect frame;
        CGPoint corner; // the child's (0, 0) in the root
    };
    const Case cases[] = {
        {"identity", CGAffineTransformIdentity, CGRectMake(100, 100, 40, 20), {100, 100}},
        {"scaled about the center", CGAffineTransformMakeScale(2, 0.5), CGRectMake(80, 105, 80, 10), {80, 105}},
        {"moved", CGAffineTransformMakeTranslation(5, -5), CGRectMake(105, 95, 40, 20), {105, 95}},
        {"a quarter turn", CGAffineTransformMakeRotation(M_PI / 2), CGRectMake(110, 90, 20, 40), {130, 90}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto root = makeView(CGRectMake(0, 0, 300, 300));
        auto view = makeView(CGRectMake(100, 100, 40, 20));
        auto child = makeView(CGRectMake(0, 0, 4, 4));
        root->addSubview(view);
        view->addSubview(child);
        view->setTransform(c.transform);
        CGRect frame = view->frame();
        EXPECT_NEAR(frame.origin.x, c.frame.origin.x, 1e-9);
        EXPECT_NEAR(frame.origin.y, c.frame.origin.y, 1e-9);
        EXPECT_NEAR(frame.size.width, c.frame.size.width, 1e-9);
        EXPECT_NEAR(frame.size.height, c.frame.size.height, 1e-9);
        EXPECT_EQ(view->bounds().size, CGSizeMake(40, 20)) << "bounds are untouched";
        CGPoint corner = child->convertPoint_toView(CGPointZero, root);
        EXPECT_NEAR(corner.x, c.corner.x, 1e-9);
        EXPECT_NEAR(corner.y, c.corner.y, 1e-9);
        CGPoint back = child->convertPoint_fromView(corner, root);
        EXPECT_NEAR(back.x, 0, 1e-9);
        EXPECT_NEAR(back.y, 0, 1e-9);
        CGRect box = view->convertRect_toView(view->bounds(), root);
        EXPECT_NEAR(box.size.width, c.frame.size.width, 1e-9) << "a rectangle converts to the box around it";
    }
}

TEST_F(ViewTransformTest, SettingTheFrameKeepsTheTransform)
{
    auto view = makeView(CGRectMake(0, 0, 40, 20));
    view->setTransform(CGAffineTransformMakeScale(2, 2));
    view->setFrame(CGRectMake(0, 0, 100, 50));
    EXPECT_EQ(view->bounds().size, CGSizeMake(50, 25));
    EXPECT_EQ(view->center(), CGPointMake(50, 25));
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 100, 50));

    view->setTransform(CGAffineTransformMake(NAN, 0, 0, 1, 0, 0));
    EXPECT_EQ(view->transform(), CGAffineTransformMakeScale(2, 2)) << "a transform that is not finite is refused";
}

TEST_F(ViewTransformTest, ScaledViewIsDrawnScaledAboutItsCenter)
{
    auto root = makeView(CGRectMake(0, 0, 100, 100));
    auto view = makeView(CGRectMake(30, 30, 40, 40), UIColor::blackColor());
    root->addSubview(view);
    view->setTransform(CGAffineTransformMakeScale(0.5, 0.5));
    auto ink = fixtures::inkBounds(*snapshot(root));
    EXPECT_EQ(ink, CGRectMake(40, 40, 20, 20));
}

TEST_F(CALayerTest, ExtremeValuesDrawWithoutHarm)
{
    struct Case {
        const char* why;
        std::function<void(UIView&)> set;
    };
    const Case cases[] = {
        {"a shadow too wide to compose apart",
         [](UIView& v) {
             v.layer()->setShadowOpacity(1);
             v.layer()->setShadowRadius(1e9);
         }},
        {"a corner radius beyond the size",
         [](UIView& v) {
             v.layer()->setCornerRadius(1e6);
             v.layer()->setMasksToBounds(true);
         }},
        {"a border wider than the view", [](UIView& v) { v.layer()->setBorderWidth(500); }},
        {"an empty mask hides everything", [](UIView& v) { v.layer()->setMask(CALayer::layer()); }},
        {"a view without size",
         [](UIView& v) {
             v.setFrame(CGRectZero);
             v.layer()->setShadowOpacity(1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto root = makeView(CGRectMake(0, 0, 40, 40));
        auto view = makeView(CGRectMake(10, 10, 20, 20), UIColor::redColor());
        root->addSubview(view);
        c.set(*view);
        auto shot = snapshot(root);
        ASSERT_NE(shot, nullptr);
        EXPECT_LE(fixtures::inkBounds(*shot).size.width, 40);
    }
    auto root = makeView(CGRectMake(0, 0, 40, 40));
    auto view = makeView(CGRectMake(10, 10, 20, 20), UIColor::redColor());
    root->addSubview(view);
    view->layer()->setMask(CALayer::layer());
    EXPECT_EQ(fixtures::inkBounds(*snapshot(root)), CGRectNull) << "an empty mask lets nothing through";
}

TEST_F(CALayerTest, ShadowPathShapesTheShadowWhereNothingIsDrawn)
{
    for (bool withPath : {false, true}) {
        SCOPED_TRACE(withPath ? "with a path" : "by the drawing");
        auto root = makeView(CGRectMake(0, 0, 60, 60));
        auto view = makeView(CGRectMake(10, 10, 40, 40)); // draws nothing
        root->addSubview(view);
        view->layer()->setShadowOpacity(1);
        view->layer()->setShadowRadius(2);
        view->layer()->setShadowOffset(CGSizeZero);
        if (withPath)
            view->layer()->setShadowPath(UIBezierPath::bezierPathWithOvalInRect(CGRectMake(-5, -5, 20, 20))->CGPath());
        auto shot = snapshot(root);
        EXPECT_EQ(pixel(*shot, 15, 15).a > 200, withPath) << "inside the oval, which reaches out of the bounds";
        EXPECT_EQ(pixel(*shot, 40, 40).a, 0) << "outside it";
    }
}
