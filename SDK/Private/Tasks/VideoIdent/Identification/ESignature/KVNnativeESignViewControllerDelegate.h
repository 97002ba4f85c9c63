#pragma once
// The owner of the native consent screen (the video screen): it lends its cancel button, so
// that the consent screen's close button leads into the call's own cancel confirmation.
// Main thread.
#include <memory>

class UIButton;

class KVNnativeESignViewControllerDelegate {
public:
    virtual ~KVNnativeESignViewControllerDelegate() = default;
    // The call screen's cancel button; null when it has none.
    virtual std::shared_ptr<UIButton> cancelButton() = 0;
};
