#pragma once
// The data check screen that opens a video identification when the settings ask for it
// (showVideoOverviewCheck). For now a titled placeholder in the plain table style that
// KavoniController places as the first screen; the rows, the consents and the start of the
// video identification screen come with the video identification's screens.
// Main thread only.
#include "UIKit/UITableViewController.h"

class KVNCheckTableViewController : public UITableViewController {
public:
    void viewDidLoad() override;
};
