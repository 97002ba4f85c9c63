#pragma once
// The container of the user's own video: clips what the call puts in it and shows a centred
// themed spinner while the video starts. Main thread only.
#include <memory>

#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "UIKit/UIView.h"

class KVNPublisherView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNActivityIndicatorView>& activityIndicator() const { return m_activityIndicator; }
    void setActivityIndicator(std::shared_ptr<KVNActivityIndicatorView> indicator) { m_activityIndicator = std::move(indicator); }

protected:
    virtual void setUp();

private:
    std::shared_ptr<KVNActivityIndicatorView> m_activityIndicator;
};
