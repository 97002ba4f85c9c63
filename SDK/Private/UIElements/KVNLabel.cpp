#include "Private/UIElements/KVNLabel.h"

#include "UIKit/UIFont.h"
#include "public/KavoniAppearance.h"

void KVNLabel::initWithFrame(CGRect frame)
{
    UILabel::initWithFrame(frame);
    setUp();
}

void KVNLabel::setUp() { setTextColor(KavoniAppearance::sharedAppearance()->defaultTextColor()); }

void KVNLabel::setSuccessStyle() { setTextColor(KavoniAppearance::sharedAppearance()->successColor()); }

void KVNLabel::setFailureStyle() { setTextColor(KavoniAppearance::sharedAppearance()->failureColor()); }

CGFloat KVNLabel::fontSize() const { return font() ? font()->pointSize() : 0; }

void KVNLabel::setFontSize(CGFloat size)
{
    if (font())
        setFont(UIFont::fontWithName_size(font()->fontName(), size));
}
