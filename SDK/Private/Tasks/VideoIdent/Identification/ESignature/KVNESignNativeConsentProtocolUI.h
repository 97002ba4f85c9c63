#pragma once
// The native consent screen the video screen lays full screen over the call while the user
// confirms the contracts in the app. Main thread only.
#include <memory>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNnativeESignViewControllerDelegate.h"
#include "UIKit/UIViewController.h"

class KVNESignNativeConsentProtocolUI : public UIViewController {
public:
    std::shared_ptr<KVNnativeESignViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNnativeESignViewControllerDelegate>& delegate) { m_delegate = delegate; }

private:
    std::weak_ptr<KVNnativeESignViewControllerDelegate> m_delegate;
};
