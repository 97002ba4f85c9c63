#pragma once
// The screen of the live video identification. For now a titled placeholder that
// KavoniController presents as the root of a new navigation controller; the call, the session
// driver and the panels come with the video identification's screens.
// Main thread only.
#include "UIKit/UIViewController.h"

class KVNIdentificationViewController : public UIViewController {
public:
    void viewDidLoad() override;
};
