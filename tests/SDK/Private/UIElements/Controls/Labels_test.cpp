#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "public/KavoniAppearance.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedFilledLabel.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "../../../../platform/UIKit/Snapshot.h"
#include "ThemedUIKitTest.h"

namespace {

class LabelsTest : public ThemedUIKitTest {
protected:

    template <typename T> std::shared_ptr<T> make(CGRect frame = CGRectMake(0, 0, 200, 40))
    {
        auto view = std::make_shared<T>();
        view->initWithFrame(frame);
        return view;
    }
};

bool same(const std::shared_ptr<UIColor>& a, const std::shared_ptr<UIColor>& b)
{
    return a && b && *a == *b;
}

TEST_F(LabelsTest, DimmingGreysTheTextAndGivesBackTheColourKeptWhenItBegan)
{
    auto label = make<KVNLabel>();
    EXPECT_TRUE(same(label->textColor(), KVNExtensions::colorWithRGBHex(0x4A4A4A)));
    label->setFailureStyle();

    auto parent = fixtures::makeView(CGRectMake(0, 0, 200, 40));
    parent->addSubview(label);
    parent->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
    EXPECT_TRUE(same(label->textColor(), UIColor::lightGrayColor()));
    // A second dimming message (a new tint while dimmed) must not keep the grey.
    parent->setTintColor(UIColor::blueColor());
    label->setTextColor(UIColor::redColor());

    parent->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    EXPECT_TRUE(same(label->textColor(), KVNExtensions::colorWithRGBHex(0xE0727A)));
    EXPECT_EQ(label->previousTextColor(), nullptr);
}

TEST_F(LabelsTest, MediumLabelKeepsItsFaceAtTheSizeItIsGiven)
{
    auto label = make<KVNMediumLabel>();
    auto medium = KVNExtensions::mediumFontOfSize(20)->fontName();
    label->setFont(KVNExtensions::regularFontOfSize(20));
    EXPECT_EQ(label->font()->fontName(), medium);
    EXPECT_EQ(label->fontSize(), 20);
    label->setFontSize(9);
    EXPECT_EQ(label->font()->fontName(), medium);
    EXPECT_EQ(label->fontSize(), 9);
    label->setFont(KVNExtensions::lightFontOfSize(13));
    EXPECT_EQ(label->font()->fontName(), medium);
    EXPECT_EQ(label->fontSize(), 13);
}

TEST_F(LabelsTest, FilledLabelRoundsToHalfItsShorterSideAndDrawsTheBrandDisc)
{
    struct Case {
        CGFloat width, height, radius;
    } cases[] = {{30, 30, 15}, {30, 80, 15}, {80, 31, 15.5}};
    for (const auto& c : cases) {
        auto label = make<KVNRoundedFilledLabel>(CGRectMake(0, 0, c.width, c.height));
        EXPECT_EQ(label->layer()->cornerRadius(), c.radius) << c.width << "x" << c.height;
        EXPECT_TRUE(label->layer()->masksToBounds());
    }

    auto label = make<KVNRoundedFilledLabel>(CGRectMake(0, 0, 30, 30));
    label->setText("3");
    label->setFailureStyle();
    EXPECT_TRUE(same(label->textColor(), UIColor::whiteColor()));
    EXPECT_EQ(label->fontSize(), 17);
    auto image = fixtures::snapshot(label);
    auto corner = fixtures::pixel(*image, 1, 1);
    auto edge = fixtures::pixel(*image, 15, 1);
    EXPECT_EQ(corner.a, 0);
    EXPECT_EQ(edge.a, 255);
    EXPECT_EQ(edge.r, 0xF9);
    EXPECT_EQ(edge.g, 0x56);

    label->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
    EXPECT_TRUE(same(label->backgroundColor(), UIColor::lightGrayColor()));
    EXPECT_TRUE(same(label->textColor(), UIColor::whiteColor()));
    label->setTintAdjustmentMode(UIViewTintAdjustmentModeAutomatic);
    EXPECT_TRUE(same(label->backgroundColor(), KVNExtensions::colorWithRGBHex(0xF95602)));
}

} // namespace
