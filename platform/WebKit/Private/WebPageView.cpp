#include "WebKit/Private/WebPageView.h"

#include "UIKit/UIImage.h"

namespace kvn {

void WebPageView::setSnapshot(CGImageRef image)
{
    m_snapshot = std::move(image);
    setNeedsDisplay();
}

void WebPageView::drawRect(CGRect)
{
    if (!m_snapshot)
        return;
    UIImage::imageWithCGImage(m_snapshot)->drawInRect(bounds());
}

} // namespace kvn
