#pragma once
// The base of the screens that show a table: its view is a table of the style chosen at
// creation, with the controller as the table's data source and delegate. Subclasses answer
// the data source's questions; by default the table has no rows. Main thread only.
#include <memory>

#include "UIKit/UITableView.h"
#include "UIKit/UITableViewStyle.h"
#include "UIKit/UIViewController.h"

class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    UITableViewController() = default;

    // Funnels into init, as every initialiser does.
    void initWithStyle(UITableViewStyle style);

    UITableViewStyle style() const { return m_style; }
    // The controller's view, loaded on first use.
    std::shared_ptr<UITableView> tableView();

    void loadView() override;

    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override { return 0; }
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override
    {
        return nullptr;
    }

private:
    UITableViewStyle m_style = UITableViewStyle::Plain;
    std::shared_ptr<UITableView> m_tableView;
};
