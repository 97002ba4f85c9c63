#pragma once
// Told by the camera screen when the user saved a slot's photo or threw it away to retry.
// Main thread only.
#include <memory>

class KVNPhoto;
class KVNPhotoViewController;

class KVNPhotoViewControllerDelegate {
public:
    virtual ~KVNPhotoViewControllerDelegate() = default;
    virtual void photoViewController_didCreateImageForPhoto(const std::shared_ptr<KVNPhotoViewController>& controller,
                                                            const std::shared_ptr<KVNPhoto>& photo) {}
    virtual void photoViewController_didDeleteImageForPhoto(const std::shared_ptr<KVNPhotoViewController>& controller,
                                                            const std::shared_ptr<KVNPhoto>& photo) {}
};
