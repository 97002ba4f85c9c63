#pragma once
// What the e-signature overlay needs from the call screen that hosts it: the call's cancel
// button, chat button and agent video (which it fades out while the user reads a contract),
// and the upload of a drawn signature. Every operation is required. The host answers the
// upload with KVNESignatureViewController::didUploadSignatureWithError. Main thread.
#include <memory>

class KVNESignatureViewController;
class UIButton;
class UIImage;
class UIView;

class KVNESignatureViewControllerDelegate {
public:
    virtual ~KVNESignatureViewControllerDelegate() = default;

    virtual std::shared_ptr<UIButton> cancelButton() = 0;
    virtual std::shared_ptr<UIView> subscriberView() = 0;
    virtual std::shared_ptr<UIButton> chatButton() = 0;
    virtual void eSignatureViewController_requestsSignatureUpload(const std::shared_ptr<KVNESignatureViewController>& controller,
                                                                  const std::shared_ptr<UIImage>& signature) = 0;
};
