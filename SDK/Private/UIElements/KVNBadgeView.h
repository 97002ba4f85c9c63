#pragma once
// The small round count of unread chat messages on the chat button; hidden while there is
// nothing to count. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UILabel;

class KVNBadgeView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<UILabel>& badgeLabel() const { return m_badgeLabel; }
    long badge() const { return m_badge; }
    // A count of 0 or less hides the badge.
    void setBadge(long badge);

private:
    void setup();

    std::shared_ptr<UILabel> m_badgeLabel;
    long m_badge = 0;
};
