#pragma once
// The round chat button of the video screen: its badge and tint follow the chat store's count
// of agent messages nobody has read yet. It watches one store at a time and none once it is
// gone. Main thread only (the count changes there).
#include <memory>

#include "UIKit/UIButton.h"

class KVNBadgeView;
class KVNMessageProvider;
class KVOObservation;

class KVNChatButton : public UIButton {
public:
    ~KVNChatButton() override;
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNBadgeView>& badgeView() const { return m_badgeView; }
    const std::shared_ptr<KVNMessageProvider>& messageProvider() const { return m_messageProvider; }
    void setMessageProvider(std::shared_ptr<KVNMessageProvider> messageProvider);
    void updateUI();

private:
    void setUp();

    std::shared_ptr<KVNBadgeView> m_badgeView;
    std::shared_ptr<KVNMessageProvider> m_messageProvider;
    std::shared_ptr<KVOObservation> m_observation;
};
