#pragma once
// The screen after a successful enrolment on the waiting list: the user will be called back by
// SMS or push notification (by the session's channel), with the service's own text for a user
// the service put on the list. It acts like a successful result screen: done closes the
// identification's screens and reports success to the host.
// Main thread only.
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"

class KVNNotificationResultViewController : public KVNResultViewController {
public:
    KVNNotificationResultViewController() { setSuccess(true); }

    void adjustNavigationBar() { setupNavigationBar(); }
    void adjustUI() { setupContent(); }

protected:
    void setupContent() override;
};
