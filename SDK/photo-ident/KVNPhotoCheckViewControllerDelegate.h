#pragma once
// Told by the photo review which of its buttons the user tapped. Main thread only.
#include <memory>

class KVNPhotoCheckViewController;

class KVNPhotoCheckViewControllerDelegate {
public:
    virtual ~KVNPhotoCheckViewControllerDelegate() = default;
    virtual void photoCheckViewControllerDidPressRetryButton(const std::shared_ptr<KVNPhotoCheckViewController>& controller) {}
    virtual void photoCheckViewControllerDidPressSaveButton(const std::shared_ptr<KVNPhotoCheckViewController>& controller) {}
};
