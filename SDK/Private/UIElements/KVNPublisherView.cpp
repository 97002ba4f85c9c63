#include "Private/UIElements/KVNPublisherView.h"

#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"

void KVNPublisherView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNPublisherView::setUp()
{
    setBackgroundColor(UIColor::clearColor());
    setClipsToBounds(true);
    m_activityIndicator = std::make_shared<KVNActivityIndicatorView>();
    m_activityIndicator->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    m_activityIndicator->setTransform(CGAffineTransformMakeScale(0.9, 0.9));
    m_activityIndicator->setHidesWhenStopped(true);
    addSubview(m_activityIndicator);
    Layout::ConstraintMaker::make(m_activityIndicator, [&](Layout::ConstraintMaker& make) { make.center().equalTo(shared_from_this()); });
}
