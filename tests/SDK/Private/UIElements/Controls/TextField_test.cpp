#include <gtest/gtest.h>

#include <memory>

#include "public/KavoniAppearance.h"
#include "Private/UIElements/KVNTextField.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"

namespace {

class TextFieldTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        KavoniAppearance::resetSharedAppearanceForTesting();
        m_scale = UIScreen::mainScreen()->scale();
    }
    void TearDown() override
    {
        UIScreen::mainScreen()->setScale(m_scale);
        KavoniAppearance::resetSharedAppearanceForTesting();
        UIKitTest::TearDown();
    }

    std::shared_ptr<KVNTextField> makeField()
    {
        auto field = std::make_shared<KVNTextField>();
        field->initWithFrame(CGRectMake(20, 20, 200, 40));
        return field;
    }

private:
    CGFloat m_scale = 2;
};

TEST_F(TextFieldTest, BorderIsOneDevicePixelAndTextKeepsOffTheEdges)
{
    struct Case {
        CGFloat scale, border;
    } cases[] = {{1, 1.0}, {2, 0.5}, {3, 0.5}};
    for (const auto& c : cases) {
        UIScreen::mainScreen()->setScale(c.scale);
        EXPECT_EQ(makeField()->layer()->borderWidth(), c.border) << c.scale;
    }
    auto field = makeField();
    EXPECT_EQ(field->textRectForBounds(field->bounds()), CGRectMake(10, 0, 180, 40));
    EXPECT_EQ(field->editingRectForBounds(field->bounds()), CGRectMake(10, 0, 180, 40));
}

TEST_F(TextFieldTest, ThemeColourTintsBackgroundAndPlaceholder)
{
    auto plain = makeField();
    plain->setPlaceholder("Code");
    EXPECT_TRUE(*plain->backgroundColor() == *UIColor::whiteColor());

    KavoniAppearance::sharedAppearance()->setTextFieldColor(UIColor::blueColor());
    auto tinted = makeField();
    EXPECT_TRUE(*tinted->backgroundColor() == *UIColor::blueColor()->colorWithAlphaComponent(0.15));
    tinted->setPlaceholder("Code");
    ASSERT_NE(tinted->attributedPlaceholder(), nullptr);
    EXPECT_EQ(tinted->attributedPlaceholder()->string(), "Code");
    // nil clears the placeholder instead of making an attributed one of nothing.
    tinted->setPlaceholder(std::nullopt);
    EXPECT_EQ(tinted->placeholder(), std::nullopt);
}

TEST_F(TextFieldTest, TakesTypedGermanText)
{
    auto screen = showBlankScreen();
    auto field = makeField();
    screen.view->addSubview(field);
    ASSERT_TRUE(Automation::Driver::tap(field));
    ASSERT_TRUE(Automation::Driver::type("Größe ändern"));
    EXPECT_EQ(field->text(), "Größe ändern");
}

} // namespace
