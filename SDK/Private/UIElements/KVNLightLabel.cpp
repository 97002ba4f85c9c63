#include "Private/UIElements/KVNLightLabel.h"

#include "Private/Extensions/UIFont+KVNExtensions.h"

void KVNLightLabel::setUp()
{
    KVNLabel::setUp();
    setFontSize(fontSize());
}

std::shared_ptr<UIFont> KVNLightLabel::faceOfSize(CGFloat size) const
{
    return KVNExtensions::lightFontOfSize(size);
}
