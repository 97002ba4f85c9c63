#pragma once
// What the native consent screen asks of the video screen over which it lies: the call's
// cancel button, which its own close button stands in for. Main thread.
#include <memory>

class UIButton;

class KVNnativeESignViewControllerDelegate {
public:
    virtual ~KVNnativeESignViewControllerDelegate() = default;
    virtual std::shared_ptr<UIButton> cancelButton() = 0;
};
