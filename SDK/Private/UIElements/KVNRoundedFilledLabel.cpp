#include "Private/UIElements/KVNRoundedFilledLabel.h"

#include <algorithm>

#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNRoundedFilledLabel::setUp()
{
    KVNMediumLabel::setUp();
    setFontSize(17);
    setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    setTextAlignment(NSTextAlignmentCenter);
    setTextColor(UIColor::whiteColor());
}

void KVNRoundedFilledLabel::layoutSubviews()
{
    layer()->setMasksToBounds(true);
    layer()->setCornerRadius(static_cast<float>(std::min(bounds().size.width, bounds().size.height)) / 2.0f);
    KVNMediumLabel::layoutSubviews();
}

void KVNRoundedFilledLabel::tintColorDidChange() { setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor()); }
