#pragma once
// What the e-signature overlay asks of the video screen that hosts it: the call's buttons and
// the agent box it places itself around, and the upload of a drawn signature. Main thread.
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
