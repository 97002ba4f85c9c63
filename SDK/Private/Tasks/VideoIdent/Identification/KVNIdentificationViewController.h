#pragma once
// The screen of the live video identification. For now a titled placeholder that
// KavoniController presents as the root of a new navigation controller; the call, the session
// driver and the panels come with the video identification's screens.
// Main thread only.
#include "UIKit/UIViewController.h"

class KVNIdentificationViewController : public UIViewController {
public:
    void viewDidLoad() override;
    // Starts a new video identification on this screen (the result screen's retry). The
    // placeholder has no identification to start yet.
    virtual void reset() {}
};
