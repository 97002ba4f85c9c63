#pragma once
// The base of the screens that show a table. It keeps the table style chosen at creation;
// the table itself joins it when the table view does. Main thread only.
#include "UIKit/UITableViewStyle.h"
#include "UIKit/UIViewController.h"

class UITableViewController : public UIViewController {
public:
    UITableViewController() = default;

    // Funnels into init, as every initialiser does.
    void initWithStyle(UITableViewStyle style);

    UITableViewStyle style() const { return m_style; }

private:
    UITableViewStyle m_style = UITableViewStyle::Plain;
};
