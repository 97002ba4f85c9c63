#include "Private/UIElements/KVNMediumLabel.h"

#include "Private/Extensions/UIFont+KVNExtensions.h"

void KVNMediumLabel::setUp()
{
    KVNLabel::setUp();
    setFontSize(fontSize());
}

void KVNMediumLabel::setFont(std::shared_ptr<UIFont> font)
{
    if (font && font->fontName() != KVNExtensions::mediumFontOfSize(10)->fontName())
        font = KVNExtensions::mediumFontOfSize(font->pointSize());
    UILabel::setFont(std::move(font));
}

void KVNMediumLabel::setFontSize(CGFloat size) { UILabel::setFont(KVNExtensions::mediumFontOfSize(size)); }
