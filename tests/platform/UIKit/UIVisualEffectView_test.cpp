#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include <cmath>

#include "UIKit/UIBlurEffect.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIVibrancyEffect.h"
#include "UIKit/UIVisualEffectView.h"

using fixtures::makeView;
using fixtures::pixel;
using fixtures::snapshot;
using fixtures::Stripes;

namespace {

std::shared_ptr<UIView> stripedRoot()
{
    auto root = std::make_shared<Stripes>();
    root->initWithFrame(CGRectMake(0, 0, 120, 80));
    return root;
}

} // namespace

class UIVisualEffectViewTest : public UIKitTest {};

TEST_F(UIVisualEffectViewTest, BlurAveragesWhatLiesBeneathAndWashesIt)
{
    struct Case {
        UIBlurEffectStyle style;
        double white, alpha; // the wash
    };
    const Case cases[] = {
        {UIBlurEffectStyleLight, 1.0, 0.3},
        {UIBlurEffectStyleExtraLight, 0.97, 0.6},
        {UIBlurEffectStyleDark, 0.11, 0.73},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        auto root = stripedRoot();
        auto sharp = snapshot(root);
        auto effect = std::make_shared<UIVisualEffectView>();
        effect->initWithEffect(UIBlurEffect::effectWithStyle(c.style));
        effect->setFrame(CGRectMake(20, 20, 80, 40));
        root->addSubview(effect);
        auto blurred = snapshot(root);
        EXPECT_NE(UIImagePNGRepresentation(sharp), UIImagePNGRepresentation(blurred));
        double expected = (127.5 * (1 - c.alpha) + 255 * c.white * c.alpha);
        for (size_t x : {22, 41, 60, 79, 97}) {
            auto p = pixel(*blurred, x, 40);
            EXPECT_NEAR(p.r, expected, 4) << "the stripes blur to their mean grey, edges too, at x " << x;
            EXPECT_EQ(p.r, p.b);
        }
        EXPECT_EQ(pixel(*blurred, 10, 40).r, pixel(*sharp, 10, 40).r) << "outside the view nothing changes";
    }
}

TEST_F(UIVisualEffectViewTest, ContentIsDrawnSharpOverTheBlur)
{
    auto root = stripedRoot();
    auto blur = UIBlurEffect::effectWithStyle(UIBlurEffectStyleLight);
    auto effect = std::make_shared<UIVisualEffectView>();
    effect->initWithEffect(blur);
    effect->setFrame(CGRectMake(0, 0, 120, 80));
    auto vibrancy = std::make_shared<UIVisualEffectView>();
    vibrancy->initWithEffect(UIVibrancyEffect::effectForBlurEffect(blur));
    effect->contentView()->addSubview(vibrancy);
    vibrancy->setFrame(CGRectMake(0, 0, 120, 80));
    vibrancy->contentView()->addSubview(makeView(CGRectMake(50, 30, 20, 20), UIColor::redColor()));
    root->addSubview(effect);
    root->layoutIfNeeded();
    EXPECT_EQ(effect->contentView()->frame(), effect->bounds());
    auto p = pixel(*snapshot(root), 60, 40);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
}

TEST_F(UIVisualEffectViewTest, ARedrawBlursWhatLiesBeneathNow)
{
    // The blur of an unchanged backdrop may be kept between draws, but a change beneath the
    // view (or within the blur's reach around it) must show in the next picture, exactly as a
    // fresh tree draws it.
    struct Case {
        const char* why;
        CGRect changed; // a red square put on the stripes before the second draw
    } cases[] = {
        {"a change under the view", CGRectMake(40, 30, 10, 10)},
        {"a change just outside the view, within the blur's reach", CGRectMake(8, 30, 10, 10)},
    };
    for (const auto& c : cases) {
        auto makeTree = [](bool withSquare, CGRect square) {
            auto root = stripedRoot();
            if (withSquare)
                root->addSubview(makeView(square, UIColor::redColor()));
            auto effect = std::make_shared<UIVisualEffectView>();
            effect->initWithEffect(UIBlurEffect::effectWithStyle(UIBlurEffectStyleLight));
            effect->setFrame(CGRectMake(20, 20, 80, 40));
            root->addSubview(effect);
            return std::make_pair(root, effect);
        };
        auto [root, effect] = makeTree(false, c.changed);
        auto before = UIImagePNGRepresentation(snapshot(root));
        EXPECT_EQ(UIImagePNGRepresentation(snapshot(root)), before) << c.why << ": the same backdrop, the same picture";
        root->insertSubview_belowSubview(makeView(c.changed, UIColor::redColor()), effect);
        auto after = UIImagePNGRepresentation(snapshot(root));
        EXPECT_NE(after, before) << c.why;
        EXPECT_EQ(after, UIImagePNGRepresentation(snapshot(makeTree(true, c.changed).first))) << c.why;
    }
}
