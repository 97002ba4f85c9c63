#include "public/KavoniAppearance.h"

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "UIKit/UIColor.h"

using KVNExtensions::colorWithRGBHex;

std::shared_ptr<KavoniAppearance> KavoniAppearance::sharedAppearance()
{
    // A function-local static is initialised exactly once, even under concurrent first calls.
    static const std::shared_ptr<KavoniAppearance> shared = [] {
        auto appearance = std::make_shared<KavoniAppearance>();
        appearance->init();
        return appearance;
    }();
    return shared;
}

void KavoniAppearance::resetSharedAppearanceForTesting()
{
    auto shared = sharedAppearance();
    *shared = KavoniAppearance();
    shared->init();
}

void KavoniAppearance::init()
{
    m_checkBoxPosition = 0;
    m_seperatorLineComplete = false;
    m_markMandatoryCells = false;
    m_showResultBackground = true;
    m_cornerRadius = 4.0;
    m_textFieldTextAlignment = 1;
}

KavoniAppearance::Color KavoniAppearance::progressTrackTintColor() const { return colorWithRGBHex(0x60605B); }
KavoniAppearance::Color KavoniAppearance::canvasStrokeColor() const { return colorWithRGBHex(0x979797); }
KavoniAppearance::Color KavoniAppearance::canvasContainerColor() const { return colorWithRGBHex(0xD8D8D8); }
KavoniAppearance::Color KavoniAppearance::webViewBackgroundColor() const { return colorWithRGBHex(0xE6E6E6); }
KavoniAppearance::Color KavoniAppearance::subscriberGradientTopColor() const { return colorWithRGBHex(0x666666); }
KavoniAppearance::Color KavoniAppearance::subscriberGradientBottomColor() const { return colorWithRGBHex(0x262626); }

KavoniAppearance::Color KavoniAppearance::textFieldBorderColor() const
{
    return m_textFieldColor ? m_textFieldColor : colorWithRGBHex(0x666666);
}

KavoniAppearance::Color KavoniAppearance::subscriberBorderColor() const
{
    return m_subscriberBorderColor ? m_subscriberBorderColor : colorWithRGBHex(0xF8F8F8);
}

std::string KavoniAppearance::resultSuccessImageName() const
{
    return m_resultSuccessImageName.value_or("kvn-icon-result-success");
}

std::string KavoniAppearance::resultFailureImageName() const
{
    return m_resultFailureImageName.value_or("kvn-icon-result-failure");
}

std::string KavoniAppearance::bgImageName() const { return m_bgImageName.value_or("kvn-bg"); }

CGFloat KavoniAppearance::resultIconToTextVerticalSpacing() const
{
    return m_resultIconToTextVerticalSpacing == 0.0 ? 24.0 : m_resultIconToTextVerticalSpacing;
}

KavoniAppearance::Color KavoniAppearance::defaultTextColor() const
{
    return m_defaultTextColor ? m_defaultTextColor : colorWithRGBHex(0x4A4A4A);
}

KavoniAppearance::Color KavoniAppearance::primaryBrandColor() const
{
    return m_primaryBrandColor ? m_primaryBrandColor : colorWithRGBHex(0xF95602);
}

KavoniAppearance::Color KavoniAppearance::headlineColor() const
{
    return m_headlineColor ? m_headlineColor : primaryBrandColor();
}

KavoniAppearance::Color KavoniAppearance::linkColor() const { return m_linkColor ? m_linkColor : primaryBrandColor(); }

KavoniAppearance::Color KavoniAppearance::checkIconColor() const
{
    return m_checkIconColor ? m_checkIconColor : primaryBrandColor();
}

KavoniAppearance::Color KavoniAppearance::proceedButtonBackgroundColor() const
{
    return m_proceedButtonBackgroundColor ? m_proceedButtonBackgroundColor : primaryBrandColor();
}

KavoniAppearance::Color KavoniAppearance::proceedButtonTextColor() const
{
    if (!m_proceedButtonBackgroundColor)
        return UIColor::whiteColor();
    return m_proceedButtonTextColor;
}

KavoniAppearance::Color KavoniAppearance::photoIdentRetakeButtonBackgroundColor() const
{
    return m_photoIdentRetakeButtonBackgroundColor ? m_photoIdentRetakeButtonBackgroundColor : defaultTextColor();
}

KavoniAppearance::Color KavoniAppearance::photoIdentRetakeButtonTextColor() const
{
    return m_photoIdentRetakeButtonTextColor ? m_photoIdentRetakeButtonTextColor : proceedButtonTextColor();
}

KavoniAppearance::Color KavoniAppearance::failureColor() const
{
    return m_failureColor ? m_failureColor : colorWithRGBHex(0xE0727A);
}

KavoniAppearance::Color KavoniAppearance::successColor() const
{
    return m_successColor ? m_successColor : colorWithRGBHex(0xA4AC49);
}
