#include "Private/UIElements/KVNMediumLabel.h"

#include "Private/Extensions/UIFont+KVNExtensions.h"

void KVNMediumLabel::setUp()
{
    KVNLabel::setUp();
    setFontSize(fontSize());
}

std::shared_ptr<UIFont> KVNMediumLabel::faceOfSize(CGFloat size) const
{
    return KVNExtensions::mediumFontOfSize(size);
}
