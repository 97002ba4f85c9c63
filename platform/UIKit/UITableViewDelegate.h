#pragma once
// What a table asks of and tells its delegate, besides scrolling. Every operation is
// optional: a height the delegate does not give (nullopt) is the table's own, a header or
// footer view it does not give is none.
// Main thread.
#include <memory>
#include <optional>

#include "Foundation/NSIndexPath.h"
#include "UIKit/UIScrollViewDelegate.h"

class UITableView;
class UITableViewCell;
class UIView;

class UITableViewDelegate : public UIScrollViewDelegate {
public:
    virtual std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath)
    {
        return std::nullopt;
    }
    virtual std::optional<CGFloat> tableView_heightForHeaderInSection(const std::shared_ptr<UITableView>& tableView, long section)
    {
        return std::nullopt;
    }
    virtual std::optional<CGFloat> tableView_heightForFooterInSection(const std::shared_ptr<UITableView>& tableView, long section)
    {
        return std::nullopt;
    }
    virtual std::shared_ptr<UIView> tableView_viewForHeaderInSection(const std::shared_ptr<UITableView>& tableView, long section)
    {
        return nullptr;
    }
    virtual std::shared_ptr<UIView> tableView_viewForFooterInSection(const std::shared_ptr<UITableView>& tableView, long section)
    {
        return nullptr;
    }
    virtual void tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const std::shared_ptr<UITableViewCell>& cell, const NSIndexPath& indexPath)
    {
    }
    virtual void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {}
    virtual void tableView_didDeselectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) {}
};
