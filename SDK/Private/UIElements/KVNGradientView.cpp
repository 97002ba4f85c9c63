#include "Private/UIElements/KVNGradientView.h"

#include <cmath>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGradient.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "public/KavoniAppearance.h"

void KVNGradientView::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    auto theme = KavoniAppearance::sharedAppearance();
    auto gradient = CGGradientCreateWithColors(CGColorSpaceCreateDeviceRGB(),
                                               {theme->subscriberGradientTopColor()->CGColor(), theme->subscriberGradientBottomColor()->CGColor()});
    if (!context || !gradient)
        return;
    float width = static_cast<float>(rect.size.width);
    float height = static_cast<float>(rect.size.height);
    CGFloat radius = std::sqrt(width * width + height * height);
    CGContextDrawRadialGradient(context, gradient, bounds().origin, 0, bounds().origin, radius, 0);
}
