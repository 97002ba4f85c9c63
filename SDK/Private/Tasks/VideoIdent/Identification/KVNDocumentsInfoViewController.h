#pragma once
// A static help screen on the identity documents a video identification accepts: a title and
// an explanation in a scroll view, pushed onto the data check screen's navigation stack.
// Main thread only.
#include <memory>

#include "UIKit/UIViewController.h"

class KVNLabel;
class KVNMediumLabel;

class KVNDocumentsInfoViewController : public UIViewController {
public:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    const std::shared_ptr<KVNMediumLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNLabel>& explanationLabel() const { return m_explanationLabel; }

private:
    std::shared_ptr<KVNMediumLabel> m_titleLabel;
    std::shared_ptr<KVNLabel> m_explanationLabel;
};
