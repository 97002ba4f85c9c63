#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvasContainer.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "public/KavoniAppearance.h"

namespace {
constexpr CGFloat kHatchSpacing = 5;
}

void KVNCanvasContainer::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    KVN_ASSERT_MAIN_THREAD();
    setBackgroundColor(KavoniAppearance::sharedAppearance()->canvasContainerColor()->colorWithAlphaComponent(0.7));
}

void KVNCanvasContainer::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    const CGFloat width = rect.size.width;
    const CGFloat height = rect.size.height;
    // The lines run past the bottom edge; they must not reach the views below the container.
    CGContextSaveGState(context);
    CGContextClipToRect(context, bounds());
    CGContextSetStrokeColorWithColor(context, KavoniAppearance::sharedAppearance()->canvasContainerColor()->CGColor());
    CGContextSetLineWidth(context, 1);
    CGContextBeginPath(context);
    // Lines at 45° from the top edge to the right edge; once they start past -height the
    // whole rectangle is covered.
    for (int k = 1;; ++k) {
        const CGFloat offset = kHatchSpacing * k;
        CGContextMoveToPoint(context, width - offset, 0);
        CGContextAddLineToPoint(context, width, offset);
        if (width - offset < -height)
            break;
    }
    CGContextStrokePath(context);
    CGContextRestoreGState(context);
}
