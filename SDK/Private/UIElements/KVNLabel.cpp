#include "Private/UIElements/KVNLabel.h"

#include "Foundation/MainThreadChecker.h"
#include "public/KavoniAppearance.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

void KVNLabel::initWithFrame(CGRect frame)
{
    UILabel::initWithFrame(frame);
    setUp();
}

void KVNLabel::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    setTextColor(KavoniAppearance::sharedAppearance()->defaultTextColor());
}

void KVNLabel::setSuccessStyle()
{
    setTextColor(KavoniAppearance::sharedAppearance()->successColor());
}

void KVNLabel::setFailureStyle()
{
    setTextColor(KavoniAppearance::sharedAppearance()->failureColor());
}

CGFloat KVNLabel::fontSize() const
{
    return font()->pointSize();
}

void KVNLabel::setFontSize(CGFloat size)
{
    auto face = faceOfSize(size);
    UILabel::setFont(face ? face : UIFont::fontWithName_size(font()->fontName(), size));
}

void KVNLabel::setFont(std::shared_ptr<UIFont> font)
{
    if (auto face = faceOfSize(font ? font->pointSize() : fontSize())) {
        // The face's name does not depend on its size; any size serves to learn it.
        if (!font || font->fontName() != faceOfSize(10)->fontName())
            font = face;
    }
    UILabel::setFont(std::move(font));
}

void KVNLabel::tintColorDidChange()
{
    UILabel::tintColorDidChange();
    if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed) {
        // A second dimming must not overwrite the kept colour with the grey.
        if (!m_previousTextColor)
            m_previousTextColor = textColor();
        setTextColor(UIColor::lightGrayColor());
    } else if (m_previousTextColor) {
        setTextColor(m_previousTextColor);
        m_previousTextColor = nullptr;
    }
}
