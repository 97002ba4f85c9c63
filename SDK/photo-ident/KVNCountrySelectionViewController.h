#pragma once
// The first screen of a photo identification: the choice of the issuing country. For now a
// titled placeholder that KavoniController places as the first screen; the choice itself and
// the report of a cancel when the user leaves come with the photo identification's screens.
// Main thread only.
#include "UIKit/UIViewController.h"

class KVNCountrySelectionViewController : public UIViewController {
public:
    void viewDidLoad() override;
};
