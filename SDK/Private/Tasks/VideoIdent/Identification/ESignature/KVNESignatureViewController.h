#pragma once
// The e-signature overlay the video screen lays below the agent box while the agent has the
// user sign on the remote signing page. The video screen tells it how the upload of the drawn
// signature ended. Main thread only.
#include <memory>

#include "Foundation/NSError.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewControllerDelegate.h"
#include "UIKit/UIViewController.h"

class KVNESignatureViewController : public UIViewController {
public:
    std::shared_ptr<KVNESignatureViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNESignatureViewControllerDelegate>& delegate) { m_delegate = delegate; }

    // Null when the upload succeeded.
    virtual void didUploadSignatureWithError(const std::shared_ptr<NSError>& error) {}

private:
    std::weak_ptr<KVNESignatureViewControllerDelegate> m_delegate;
};
