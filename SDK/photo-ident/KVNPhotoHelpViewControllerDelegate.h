#pragma once
// Asked by the photo help panel to fold it in or out; the camera screen decides which.
// Main thread only.
#include <memory>

class KVNPhotoHelpViewController;

class KVNPhotoHelpViewControllerDelegate {
public:
    virtual ~KVNPhotoHelpViewControllerDelegate() = default;
    virtual void photoHelpViewControllerDidPressCollapseButton(const std::shared_ptr<KVNPhotoHelpViewController>& controller) {}
};
