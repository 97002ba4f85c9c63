#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

using KVNExtensions::colorWithRGBHex;
using Color = KavoniAppearance::Color;

namespace {

class KavoniAppearanceTest : public ::testing::Test {
protected:
    void SetUp() override { KavoniAppearance::resetSharedAppearanceForTesting(); }
    void TearDown() override { KavoniAppearance::resetSharedAppearanceForTesting(); }

    std::shared_ptr<KavoniAppearance> theme = KavoniAppearance::sharedAppearance();
};

::testing::AssertionResult isHex(const Color& color, uint32_t hex)
{
    if (!color)
        return ::testing::AssertionFailure() << "nil colour";
    if (*color == *colorWithRGBHex(hex))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << color->description();
}

using Getter = std::function<Color(const KavoniAppearance&)>;

} // namespace

TEST_F(KavoniAppearanceTest, ColourDefaults)
{
    struct Case {
        const char* name;
        Getter get;
        uint32_t hex;
    };
    const Case cases[] = {
        {"progressTrackTintColor", &KavoniAppearance::progressTrackTintColor, 0x60605B},
        {"canvasStrokeColor", &KavoniAppearance::canvasStrokeColor, 0x979797},
        {"canvasContainerColor", &KavoniAppearance::canvasContainerColor, 0xD8D8D8},
        {"webViewBackgroundColor", &KavoniAppearance::webViewBackgroundColor, 0xE6E6E6},
        {"subscriberGradientTopColor", &KavoniAppearance::subscriberGradientTopColor, 0x666666},
        {"subscriberGradientBottomColor", &KavoniAppearance::subscriberGradientBottomColor, 0x262626},
        {"textFieldBorderColor", &KavoniAppearance::textFieldBorderColor, 0x666666},
        {"subscriberBorderColor", &KavoniAppearance::subscriberBorderColor, 0xF8F8F8},
        {"defaultTextColor", &KavoniAppearance::defaultTextColor, 0x4A4A4A},
        {"primaryBrandColor", &KavoniAppearance::primaryBrandColor, 0xF95602},
        {"headlineColor", &KavoniAppearance::headlineColor, 0xF95602},
        {"linkColor", &KavoniAppearance::linkColor, 0xF95602},
        {"checkIconColor", &KavoniAppearance::checkIconColor, 0xF95602},
        {"proceedButtonBackgroundColor", &KavoniAppearance::proceedButtonBackgroundColor, 0xF95602},
        {"proceedButtonTextColor (white)", &KavoniAppearance::proceedButtonTextColor, 0xFFFFFF},
        {"photoIdentRetakeButtonBackgroundColor", &KavoniAppearance::photoIdentRetakeButtonBackgroundColor, 0x4A4A4A},
        {"photoIdentRetakeButtonTextColor", &KavoniAppearance::photoIdentRetakeButtonTextColor, 0xFFFFFF},
        {"failureColor", &KavoniAppearance::failureColor, 0xE0727A},
        {"successColor", &KavoniAppearance::successColor, 0xA4AC49},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(isHex(c.get(*theme), c.hex)) << c.name;

    EXPECT_EQ(theme->proceedButtonBackgroundColorDisabled(), nullptr);
    EXPECT_EQ(theme->proceedButtonTextColorDisabled(), nullptr);
    EXPECT_EQ(theme->activityIndicatorColor(), nullptr);
    EXPECT_EQ(theme->textFieldColor(), nullptr);
}

TEST_F(KavoniAppearanceTest, ValueDefaultsSetAtCreation)
{
    EXPECT_TRUE(theme->showResultBackground());
    EXPECT_EQ(theme->cornerRadius(), 4.0);
    EXPECT_EQ(theme->textFieldTextAlignment(), 1);
    EXPECT_EQ(theme->checkBoxPosition(), 0);
    EXPECT_FALSE(theme->seperatorLineComplete());
    EXPECT_FALSE(theme->markMandatoryCells());
    EXPECT_FALSE(theme->enableStatusBarStyleLightContent());
    EXPECT_EQ(theme->resultIconToTextVerticalSpacing(), 24.0);
    EXPECT_EQ(theme->resultSuccessImageName(), "kvn-icon-result-success");
    EXPECT_EQ(theme->resultFailureImageName(), "kvn-icon-result-failure");
    EXPECT_EQ(theme->bgImageName(), "kvn-bg");
    EXPECT_EQ(theme->fontNameRegular(), std::nullopt);
    EXPECT_EQ(theme->fontNameMedium(), std::nullopt);
    EXPECT_EQ(theme->fontNameLight(), std::nullopt);

    // A plain object without init has none of the creation values.
    KavoniAppearance bare;
    EXPECT_EQ(bare.cornerRadius(), 0.0);
    EXPECT_FALSE(bare.showResultBackground());
}

TEST_F(KavoniAppearanceTest, BrandColourFallbacksFollowAndOwnValuesWin)
{
    theme->setPrimaryBrandColor(colorWithRGBHex(0x123456));
    EXPECT_TRUE(isHex(theme->headlineColor(), 0x123456));
    EXPECT_TRUE(isHex(theme->linkColor(), 0x123456));
    EXPECT_TRUE(isHex(theme->checkIconColor(), 0x123456));
    EXPECT_TRUE(isHex(theme->proceedButtonBackgroundColor(), 0x123456));

    theme->setHeadlineColor(colorWithRGBHex(0xABCDEF));
    EXPECT_TRUE(isHex(theme->headlineColor(), 0xABCDEF));
    EXPECT_TRUE(isHex(theme->linkColor(), 0x123456)) << "only headlineColor keeps its own value";

    theme->setPrimaryBrandColor(nullptr);
    EXPECT_TRUE(isHex(theme->primaryBrandColor(), 0xF95602)) << "nil brings the default back";
    EXPECT_TRUE(isHex(theme->checkIconColor(), 0xF95602));
    EXPECT_TRUE(isHex(theme->headlineColor(), 0xABCDEF));
}

TEST_F(KavoniAppearanceTest, ProceedButtonTextColourDependsOnTheBackground)
{
    theme->setProceedButtonTextColor(colorWithRGBHex(0x00FF00));
    EXPECT_TRUE(isHex(theme->proceedButtonTextColor(), 0xFFFFFF)) << "white while no background is set";

    theme->setProceedButtonTextColor(nullptr);
    theme->setProceedButtonBackgroundColor(colorWithRGBHex(0x112233));
    EXPECT_EQ(theme->proceedButtonTextColor(), nullptr) << "a background set, no text colour: nil";
    EXPECT_EQ(theme->photoIdentRetakeButtonTextColor(), nullptr) << "its fallback is nil too";

    theme->setProceedButtonTextColor(colorWithRGBHex(0x00FF00));
    EXPECT_TRUE(isHex(theme->proceedButtonTextColor(), 0x00FF00));
    EXPECT_TRUE(isHex(theme->photoIdentRetakeButtonTextColor(), 0x00FF00));

    theme->setPhotoIdentRetakeButtonTextColor(colorWithRGBHex(0x0000FF));
    EXPECT_TRUE(isHex(theme->photoIdentRetakeButtonTextColor(), 0x0000FF));

    theme->setDefaultTextColor(colorWithRGBHex(0x010203));
    EXPECT_TRUE(isHex(theme->photoIdentRetakeButtonBackgroundColor(), 0x010203));
}

TEST_F(KavoniAppearanceTest, SpacingZeroCannotBeSet)
{
    theme->setResultIconToTextVerticalSpacing(0.0);
    EXPECT_EQ(theme->resultIconToTextVerticalSpacing(), 24.0);
    theme->setResultIconToTextVerticalSpacing(10.0);
    EXPECT_EQ(theme->resultIconToTextVerticalSpacing(), 10.0);
}

TEST_F(KavoniAppearanceTest, TextFieldBorderFollowsTextFieldColour)
{
    theme->setTextFieldColor(colorWithRGBHex(0xCAFE00));
    EXPECT_TRUE(isHex(theme->textFieldBorderColor(), 0xCAFE00));
    theme->setTextFieldColor(nullptr);
    EXPECT_TRUE(isHex(theme->textFieldBorderColor(), 0x666666));
}

TEST_F(KavoniAppearanceTest, FixedColoursIgnoreEverythingAndAreFreshObjects)
{
    theme->setPrimaryBrandColor(colorWithRGBHex(0x000001));
    theme->setDefaultTextColor(colorWithRGBHex(0x000002));
    theme->setTextFieldColor(colorWithRGBHex(0x000003));
    theme->setSubscriberBorderColor(colorWithRGBHex(0x000004));
    EXPECT_TRUE(isHex(theme->progressTrackTintColor(), 0x60605B));
    EXPECT_TRUE(isHex(theme->canvasStrokeColor(), 0x979797));
    EXPECT_TRUE(isHex(theme->canvasContainerColor(), 0xD8D8D8));
    EXPECT_TRUE(isHex(theme->webViewBackgroundColor(), 0xE6E6E6));
    EXPECT_TRUE(isHex(theme->subscriberGradientTopColor(), 0x666666));
    EXPECT_TRUE(isHex(theme->subscriberGradientBottomColor(), 0x262626));
    EXPECT_NE(theme->canvasStrokeColor(), theme->canvasStrokeColor()) << "a new colour object on every call";
}

TEST_F(KavoniAppearanceTest, NamesFallBackWhenSetToNil)
{
    theme->setBgImageName("custom-bg");
    theme->setResultSuccessImageName("ok");
    theme->setResultFailureImageName("");
    EXPECT_EQ(theme->bgImageName(), "custom-bg");
    EXPECT_EQ(theme->resultSuccessImageName(), "ok");
    EXPECT_EQ(theme->resultFailureImageName(), "") << "empty is a value, only nil falls back";
    theme->setBgImageName(std::nullopt);
    EXPECT_EQ(theme->bgImageName(), "kvn-bg");
}

TEST_F(KavoniAppearanceTest, SharedObjectIsOneAcrossThreadsAndSurvivesReset)
{
    std::vector<std::shared_ptr<KavoniAppearance>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = KavoniAppearance::sharedAppearance(); });
    for (auto& t : threads)
        t.join();
    for (const auto& s : seen)
        EXPECT_EQ(s, theme);

    theme->setCornerRadius(9);
    theme->setFontNameLight("X");
    KavoniAppearance::resetSharedAppearanceForTesting();
    EXPECT_EQ(KavoniAppearance::sharedAppearance(), theme) << "reset keeps the object others hold";
    EXPECT_EQ(theme->cornerRadius(), 4.0);
    EXPECT_EQ(theme->fontNameLight(), std::nullopt);
}
