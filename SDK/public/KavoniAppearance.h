#pragma once
// The identification library's theme: one process-wide object of colours, image names,
// font names, a corner radius and a few layout flags. Widgets and screens read it when they
// set themselves up (and some again when their state changes); nothing observes it, so a
// change reaches a view only at its next set-up. A host sets what it wants before it starts
// an identification; every property left unset answers its default.
//
// Getters compute their fallbacks on every read from the current values (so a new
// primaryBrandColor also changes every colour that falls back to it); setting a property to
// nil brings its default back. The read-only colours answer a new colour object on every call.
//
// sharedAppearance may be called from any thread; the properties are read and written on the
// main thread only and carry no lock.
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGGeometry.h"

class UIColor;

class KavoniAppearance {
public:
    using Color = std::shared_ptr<UIColor>;

    // The one theme object of the process, created on the first call.
    static std::shared_ptr<KavoniAppearance> sharedAppearance();
    // Tests: puts the shared object (the same object) back to the state of a fresh init.
    static void resetSharedAppearanceForTesting();

    KavoniAppearance() = default;
    // checkBoxPosition 0, seperatorLineComplete NO, markMandatoryCells NO,
    // showResultBackground YES, cornerRadius 4.0, textFieldTextAlignment 1 (centred);
    // everything else unset.
    void init();

    // Fixed colours.
    Color progressTrackTintColor() const;
    Color canvasStrokeColor() const;
    Color canvasContainerColor() const;
    Color webViewBackgroundColor() const;
    Color subscriberGradientTopColor() const;
    Color subscriberGradientBottomColor() const;
    // textFieldColor when set, else 0x666666.
    Color textFieldBorderColor() const;

    bool showResultBackground() const { return m_showResultBackground; }
    void setShowResultBackground(bool value) { m_showResultBackground = value; }

    Color subscriberBorderColor() const;
    void setSubscriberBorderColor(Color value) { m_subscriberBorderColor = std::move(value); }

    std::string resultSuccessImageName() const;
    void setResultSuccessImageName(std::optional<std::string> value) { m_resultSuccessImageName = std::move(value); }
    std::string resultFailureImageName() const;
    void setResultFailureImageName(std::optional<std::string> value) { m_resultFailureImageName = std::move(value); }
    std::string bgImageName() const;
    void setBgImageName(std::optional<std::string> value) { m_bgImageName = std::move(value); }

    // 24.0 while the stored value is 0.0.
    CGFloat resultIconToTextVerticalSpacing() const;
    void setResultIconToTextVerticalSpacing(CGFloat value) { m_resultIconToTextVerticalSpacing = value; }
    CGFloat cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(CGFloat value) { m_cornerRadius = value; }
    // A text alignment value (NSTextAlignment).
    long textFieldTextAlignment() const { return m_textFieldTextAlignment; }
    void setTextFieldTextAlignment(long value) { m_textFieldTextAlignment = value; }

    // nil: no colour of their own for the disabled state.
    Color proceedButtonBackgroundColorDisabled() const { return m_proceedButtonBackgroundColorDisabled; }
    void setProceedButtonBackgroundColorDisabled(Color value) { m_proceedButtonBackgroundColorDisabled = std::move(value); }
    Color proceedButtonTextColorDisabled() const { return m_proceedButtonTextColorDisabled; }
    void setProceedButtonTextColorDisabled(Color value) { m_proceedButtonTextColorDisabled = std::move(value); }
    // nil: spinners take primaryBrandColor.
    Color activityIndicatorColor() const { return m_activityIndicatorColor; }
    void setActivityIndicatorColor(Color value) { m_activityIndicatorColor = std::move(value); }

    Color defaultTextColor() const;
    void setDefaultTextColor(Color value) { m_defaultTextColor = std::move(value); }
    Color primaryBrandColor() const;
    void setPrimaryBrandColor(Color value) { m_primaryBrandColor = std::move(value); }
    // These four fall back to primaryBrandColor.
    Color headlineColor() const;
    void setHeadlineColor(Color value) { m_headlineColor = std::move(value); }
    Color linkColor() const;
    void setLinkColor(Color value) { m_linkColor = std::move(value); }
    Color checkIconColor() const;
    void setCheckIconColor(Color value) { m_checkIconColor = std::move(value); }
    Color proceedButtonBackgroundColor() const;
    void setProceedButtonBackgroundColor(Color value) { m_proceedButtonBackgroundColor = std::move(value); }
    // White while proceedButtonBackgroundColor is unset (the default background is the brand
    // colour, which wants white text); once a background is set, the stored value, nil included.
    Color proceedButtonTextColor() const;
    void setProceedButtonTextColor(Color value) { m_proceedButtonTextColor = std::move(value); }
    // Falls back to defaultTextColor.
    Color photoIdentRetakeButtonBackgroundColor() const;
    void setPhotoIdentRetakeButtonBackgroundColor(Color value) { m_photoIdentRetakeButtonBackgroundColor = std::move(value); }
    // Falls back to proceedButtonTextColor.
    Color photoIdentRetakeButtonTextColor() const;
    void setPhotoIdentRetakeButtonTextColor(Color value) { m_photoIdentRetakeButtonTextColor = std::move(value); }
    Color textFieldColor() const { return m_textFieldColor; }
    void setTextFieldColor(Color value) { m_textFieldColor = std::move(value); }
    Color failureColor() const;
    void setFailureColor(Color value) { m_failureColor = std::move(value); }
    Color successColor() const;
    void setSuccessColor(Color value) { m_successColor = std::move(value); }

    // 0: check box on the left; any other value: on the right.
    int checkBoxPosition() const { return m_checkBoxPosition; }
    void setCheckBoxPosition(int value) { m_checkBoxPosition = value; }
    bool seperatorLineComplete() const { return m_seperatorLineComplete; }
    void setSeperatorLineComplete(bool value) { m_seperatorLineComplete = value; }
    bool markMandatoryCells() const { return m_markMandatoryCells; }
    void setMarkMandatoryCells(bool value) { m_markMandatoryCells = value; }
    bool enableStatusBarStyleLightContent() const { return m_enableStatusBarStyleLightContent; }
    void setEnableStatusBarStyleLightContent(bool value) { m_enableStatusBarStyleLightContent = value; }

    // Names of installed fonts; the font helpers fall back to the system font.
    const std::optional<std::string>& fontNameRegular() const { return m_fontNameRegular; }
    void setFontNameRegular(std::optional<std::string> value) { m_fontNameRegular = std::move(value); }
    const std::optional<std::string>& fontNameMedium() const { return m_fontNameMedium; }
    void setFontNameMedium(std::optional<std::string> value) { m_fontNameMedium = std::move(value); }
    const std::optional<std::string>& fontNameLight() const { return m_fontNameLight; }
    void setFontNameLight(std::optional<std::string> value) { m_fontNameLight = std::move(value); }

private:
    bool m_showResultBackground = false;
    Color m_subscriberBorderColor;
    std::optional<std::string> m_resultSuccessImageName;
    std::optional<std::string> m_resultFailureImageName;
    std::optional<std::string> m_bgImageName;
    CGFloat m_resultIconToTextVerticalSpacing = 0.0;
    CGFloat m_cornerRadius = 0.0;
    long m_textFieldTextAlignment = 0;
    Color m_proceedButtonBackgroundColorDisabled;
    Color m_proceedButtonTextColorDisabled;
    Color m_activityIndicatorColor;
    Color m_defaultTextColor;
    Color m_primaryBrandColor;
    Color m_headlineColor;
    Color m_linkColor;
    Color m_checkIconColor;
    Color m_proceedButtonBackgroundColor;
    Color m_proceedButtonTextColor;
    Color m_photoIdentRetakeButtonBackgroundColor;
    Color m_photoIdentRetakeButtonTextColor;
    Color m_textFieldColor;
    Color m_failureColor;
    Color m_successColor;
    int m_checkBoxPosition = 0;
    bool m_seperatorLineComplete = false;
    bool m_markMandatoryCells = false;
    bool m_enableStatusBarStyleLightContent = false;
    std::optional<std::string> m_fontNameRegular;
    std::optional<std::string> m_fontNameMedium;
    std::optional<std::string> m_fontNameLight;
};
