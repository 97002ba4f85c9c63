#pragma once
// The panel at the bottom of the video identification screen: a title and a description that
// follow the identification status and, while the user waits for an agent, the position in the
// waiting queue and the expected waiting time. The video screen makes a new panel each time it
// enters its info layout, pins its bottom, left and right edges and calls
// updateForIdentificationStatus() on status changes and after every waiting-queue answer.
// The waiting-time text is one for the whole process: a panel computes it once, from the
// estimate it first sees, and later polls only move the position.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIViewController.h"

class KVNBlurredView;
class KVNLabel;
class KVNMediumLabel;

class KVNInfoViewController : public UIViewController {
public:
    void viewDidLoad() override;

    void updateForIdentificationStatus(long status);
    std::optional<std::string> shortInfoLabelTextForIdentificationStatus(long status) const;
    std::optional<std::string> largeInfoLabelTextForIdentificationStatus(long status);
    std::string positionInQueueText() const;
    std::string waitingTimeText();

    const std::shared_ptr<KVNMediumLabel>& shortInfoLabel() const { return m_shortInfoLabel; }
    const std::shared_ptr<KVNLabel>& largeInfoLabel() const { return m_largeInfoLabel; }
    const std::shared_ptr<KVNBlurredView>& blurredView() const { return m_blurredView; }

    // Tests: forget the text the panels share, as in a fresh process.
    static void resetSharedWaitingTimeTextForTesting();

private:
    void layoutLabels();

    std::shared_ptr<KVNMediumLabel> m_shortInfoLabel;
    std::shared_ptr<KVNLabel> m_largeInfoLabel;
    std::shared_ptr<KVNBlurredView> m_blurredView;
    bool m_lockTimeEstimate = false;
};
