#pragma once
// The bar at the bottom of the contract viewer while the user reads: a back button over a
// blurred backdrop. Its owner places it and handles the button. Main thread only.
#include <memory>

#include "Private/UIElements/KVNBlurredView.h"

class KVNRoundedButton;

class KVNCheckContractFooter : public KVNBlurredView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNRoundedButton>& backButton() const { return m_backButton; }

private:
    void setUp();

    std::shared_ptr<KVNRoundedButton> m_backButton;
};
