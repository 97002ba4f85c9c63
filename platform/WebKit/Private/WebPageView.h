#pragma once
// The page as the web view shows it: the engine's latest snapshot, drawn inside the web view's
// scroll view so that the scroll view's background lies under the page, as it does on the
// platform, and never over it. It takes no touches; they go to the scroll view. Main thread
// only.
#include "CoreGraphics/CGImage.h"
#include "UIKit/UIView.h"

namespace kvn {

class WebPageView : public UIView {
public:
    void setSnapshot(CGImageRef image);
    void drawRect(CGRect rect) override;

private:
    CGImageRef m_snapshot;
};

} // namespace kvn
