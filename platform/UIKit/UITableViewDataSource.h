#pragma once
// Where a table's rows come from: how many sections and rows, and the cell of each row.
// Main thread.
#include <memory>

#include "Foundation/NSIndexPath.h"

class UITableView;
class UITableViewCell;

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;

    virtual long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) { return 1; }
    virtual long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) = 0;
    // Usually a dequeued cell, filled for the row. A missing cell is logged and drawn empty.
    virtual std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                             const NSIndexPath& indexPath) = 0;
};
