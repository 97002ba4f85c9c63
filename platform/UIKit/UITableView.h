#pragma once
// A scrolling list of rows in sections, plain (edge to edge, empty rows ruled below the
// last) or grouped. The data source gives the counts and the cells, the delegate the heights,
// header and footer views and hears of selections. Rows are laid out from the heights at
// reload; only the cells of rows in view exist, and cells leaving the view wait in a pool
// by reuse identifier for dequeueReusableCellWithIdentifier. A tap (a touch that does not
// turn into a drag) selects the row under it.
// Main thread only.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSIndexPath.h"
#include "UIKit/UIScrollView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITableViewDataSource.h"
#include "UIKit/UITableViewDelegate.h"
#include "UIKit/UITableViewStyle.h"

// A row or section height that the table works out: the estimate when one is set, else the
// default row height.
inline constexpr CGFloat UITableViewAutomaticDimension = -1;

enum UITableViewScrollPosition : long {
    UITableViewScrollPositionNone = 0,
    UITableViewScrollPositionTop = 1,
    UITableViewScrollPositionMiddle = 2,
    UITableViewScrollPositionBottom = 3,
};

// Rows change at once; the kind of animation is accepted and not shown.
enum UITableViewRowAnimation : long {
    UITableViewRowAnimationFade = 0,
    UITableViewRowAnimationRight = 1,
    UITableViewRowAnimationLeft = 2,
    UITableViewRowAnimationTop = 3,
    UITableViewRowAnimationBottom = 4,
    UITableViewRowAnimationNone = 5,
    UITableViewRowAnimationMiddle = 6,
    UITableViewRowAnimationAutomatic = 100,
};

enum UITableViewCellSeparatorStyle : long {
    UITableViewCellSeparatorStyleNone = 0,
    UITableViewCellSeparatorStyleSingleLine = 1,
};

class UITableView : public UIScrollView {
public:
    using CellFactory = std::function<std::shared_ptr<UITableViewCell>()>;

    UITableView() = default;
    void initWithFrame_style(CGRect frame, UITableViewStyle style);
    void initWithFrame(CGRect frame) override;
    UITableViewStyle style() const { return m_style; }

    std::shared_ptr<UITableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<UITableViewDataSource> dataSource);
    std::shared_ptr<UITableViewDelegate> delegate() const { return m_tableDelegate.lock(); }
    // Also the scroll view's delegate.
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate);

    // Heights used where the delegate gives none. Not finite or negative heights count as 0.
    CGFloat rowHeight() const { return m_rowHeight; }
    void setRowHeight(CGFloat height) { m_rowHeight = height; }
    CGFloat estimatedRowHeight() const { return m_estimatedRowHeight; }
    void setEstimatedRowHeight(CGFloat height) { m_estimatedRowHeight = height; }
    CGFloat sectionHeaderHeight() const { return m_sectionHeaderHeight; }
    void setSectionHeaderHeight(CGFloat height) { m_sectionHeaderHeight = height; }
    CGFloat sectionFooterHeight() const { return m_sectionFooterHeight; }
    void setSectionFooterHeight(CGFloat height) { m_sectionFooterHeight = height; }

    // Views above the first section and below the last, at their own heights.
    std::shared_ptr<UIView> tableHeaderView() const { return m_tableHeaderView; }
    void setTableHeaderView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> tableFooterView() const { return m_tableFooterView; }
    void setTableFooterView(std::shared_ptr<UIView> view);

    UITableViewCellSeparatorStyle separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(UITableViewCellSeparatorStyle style);
    std::shared_ptr<UIColor> separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(std::shared_ptr<UIColor> color);
    UIEdgeInsets separatorInset() const { return m_separatorInset; }
    void setSeparatorInset(UIEdgeInsets inset);

    // Cells made on demand for an identifier that the pool has none of.
    void registerCellFactory_forCellReuseIdentifier(CellFactory factory, const std::string& identifier);
    template <typename Cell>
    void registerClass_forCellReuseIdentifier(const std::string& identifier)
    {
        registerCellFactory_forCellReuseIdentifier([] { return std::make_shared<Cell>(); }, identifier);
    }
    // A waiting cell (after prepareForReuse), else a new one of the registered kind, else none.
    std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    // Never none: without a registered kind the mistake is logged and a plain cell is made.
    std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier_forIndexPath(const std::string& identifier,
                                                                                    const NSIndexPath& indexPath);

    // Asks the data source again for everything; the selection goes.
    void reloadData();
    // The rows must already be reflected in the data source's counts; when they do not add
    // up, the mistake is logged and the whole table reloads.
    void insertRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);
    void deleteRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);
    void reloadRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);
    void reloadSections_withRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation animation);
    void beginUpdates() {}
    void endUpdates() { layoutVisibleCells(); }

    long numberOfSections();
    long numberOfRowsInSection(long section);
    // In content coordinates; CGRectZero for a row that does not exist.
    CGRect rectForRowAtIndexPath(const NSIndexPath& indexPath);
    CGRect rectForHeaderInSection(long section);
    std::optional<NSIndexPath> indexPathForRowAtPoint(CGPoint point);
    // The cell of a row in view, else none.
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath) const;
    std::optional<NSIndexPath> indexPathForCell(const std::shared_ptr<UITableViewCell>& cell) const;
    std::vector<std::shared_ptr<UITableViewCell>> visibleCells() const;
    std::vector<NSIndexPath> indexPathsForVisibleRows() const;
    void scrollToRowAtIndexPath_atScrollPosition_animated(const NSIndexPath& indexPath, UITableViewScrollPosition position, bool animated);

    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows) { m_allowsSelection = allows; }
    std::optional<NSIndexPath> indexPathForSelectedRow() const { return m_selected; }
    // Without telling the delegate, as on the platform.
    void selectRowAtIndexPath_animated_scrollPosition(const std::optional<NSIndexPath>& indexPath, bool animated,
                                                      UITableViewScrollPosition position);
    void deselectRowAtIndexPath_animated(const NSIndexPath& indexPath, bool animated);

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;

protected:
    void contentOffsetDidChange() override { layoutVisibleCells(); }
    void touchDidBegin(const std::shared_ptr<UITouch>& touch) override;
    void touchDidStopBeingATap() override;
    void touchDidTap(const std::shared_ptr<UITouch>& touch) override;

private:
    struct Section {
        CGFloat top = 0;
        CGFloat header = 0;
        CGFloat footer = 0;
        std::vector<CGFloat> rows;
        std::vector<CGFloat> rowTops; // from the end of the header
        std::shared_ptr<UIView> headerView;
        std::shared_ptr<UIView> footerView;
    };

    std::shared_ptr<UITableView> self();
    bool isValid(const NSIndexPath& indexPath) const;
    void ensureLoaded();
    // Asks the data source for counts and the delegate for heights and header views.
    void rebuild();
    std::vector<long> countsFromDataSource();
    void placeSupplementaryViews();
    void replaceTableView(std::shared_ptr<UIView>& slot, std::shared_ptr<UIView> view);
    void layoutVisibleCells();
    void enqueue(const std::shared_ptr<UITableViewCell>& cell);
    void recycleVisibleCells();
    std::shared_ptr<UITableViewCell> fetchCell(const NSIndexPath& indexPath);
    void applyRowChanges(const std::vector<NSIndexPath>& inserted, const std::vector<NSIndexPath>& deleted);
    void dropSelectionLook();

    UITableViewStyle m_style = UITableViewStyle::Plain;
    std::weak_ptr<UITableViewDataSource> m_dataSource;
    std::weak_ptr<UITableViewDelegate> m_tableDelegate;
    CGFloat m_rowHeight = 44;
    CGFloat m_estimatedRowHeight = 0;
    CGFloat m_sectionHeaderHeight = 0;
    CGFloat m_sectionFooterHeight = 0;
    std::shared_ptr<UIView> m_tableHeaderView;
    std::shared_ptr<UIView> m_tableFooterView;
    UITableViewCellSeparatorStyle m_separatorStyle = UITableViewCellSeparatorStyleSingleLine;
    std::shared_ptr<UIColor> m_separatorColor;
    UIEdgeInsets m_separatorInset = UIEdgeInsetsMake(0, 15, 0, 0);
    bool m_allowsSelection = true;

    bool m_loaded = false;
    bool m_laying = false;
    std::vector<Section> m_sections;
    CGFloat m_contentHeight = 0;
    std::map<NSIndexPath, std::shared_ptr<UITableViewCell>> m_visibleCells;
    std::map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> m_reusePool;
    std::map<std::string, CellFactory> m_factories;
    std::optional<NSIndexPath> m_selected;
    std::optional<NSIndexPath> m_pressed;
};
