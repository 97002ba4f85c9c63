#include "UIKit/UITableView.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITouch.h"

namespace {

CGFloat sane(CGFloat height) { return std::isfinite(height) && height > 0 ? height : 0; }

std::string describe(const std::vector<NSIndexPath>& indexPaths)
{
    std::string text;
    for (const auto& indexPath : indexPaths)
        text += (text.empty() ? "" : " ") + indexPath.description();
    return text;
}

} // namespace

void UITableView::initWithFrame_style(CGRect frame, UITableViewStyle style)
{
    m_style = style;
    initWithFrame(frame);
}

void UITableView::initWithFrame(CGRect frame)
{
    UIScrollView::initWithFrame(frame);
    setAlwaysBounceVertical(true);
    if (m_style == UITableViewStyle::Grouped) {
        m_sectionHeaderHeight = m_sectionFooterHeight = 18;
        setBackgroundColor(UIColor::colorWithRed_green_blue_alpha(239 / 255.0, 239 / 255.0, 244 / 255.0, 1));
    } else {
        setBackgroundColor(UIColor::whiteColor());
    }
    m_separatorColor = UIColor::colorWithRed_green_blue_alpha(200 / 255.0, 199 / 255.0, 204 / 255.0, 1);
}

std::shared_ptr<UITableView> UITableView::self() { return std::static_pointer_cast<UITableView>(shared_from_this()); }

void UITableView::setDataSource(std::weak_ptr<UITableViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setDelegate(std::weak_ptr<UITableViewDelegate> delegate)
{
    m_tableDelegate = delegate;
    UIScrollView::setDelegate(std::weak_ptr<UIScrollViewDelegate>(delegate.lock()));
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setTableHeaderView(std::shared_ptr<UIView> view) { replaceTableView(m_tableHeaderView, std::move(view)); }

void UITableView::setTableFooterView(std::shared_ptr<UIView> view) { replaceTableView(m_tableFooterView, std::move(view)); }

void UITableView::replaceTableView(std::shared_ptr<UIView>& slot, std::shared_ptr<UIView> view)
{
    if (slot)
        slot->removeFromSuperview();
    slot = std::move(view);
    if (slot)
        addSubview(slot);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setSeparatorStyle(UITableViewCellSeparatorStyle style)
{
    m_separatorStyle = style;
    setNeedsLayout();
}

void UITableView::setSeparatorColor(std::shared_ptr<UIColor> color)
{
    m_separatorColor = std::move(color);
    setNeedsLayout();
}

void UITableView::setSeparatorInset(UIEdgeInsets inset)
{
    m_separatorInset = inset;
    setNeedsLayout();
}

void UITableView::registerCellFactory_forCellReuseIdentifier(CellFactory factory, const std::string& identifier)
{
    if (factory)
        m_factories[identifier] = std::move(factory);
    else
        m_factories.erase(identifier);
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    KVN_ASSERT_MAIN_THREAD();
    if (auto pool = m_reusePool.find(identifier); pool != m_reusePool.end() && !pool->second.empty()) {
        auto cell = pool->second.back();
        pool->second.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    auto factory = m_factories.find(identifier);
    if (factory == m_factories.end())
        return nullptr;
    auto cell = factory->second();
    if (cell)
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, identifier);
    return cell;
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier_forIndexPath(const std::string& identifier,
                                                                                             const NSIndexPath& indexPath)
{
    if (auto cell = dequeueReusableCellWithIdentifier(identifier))
        return cell;
    UIKitLog("no cell is registered for the identifier \"%s\" (row %s); a plain cell stands in", identifier.c_str(),
             indexPath.description().c_str());
    auto cell = std::make_shared<UITableViewCell>();
    cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, identifier);
    return cell;
}

std::vector<long> UITableView::countsFromDataSource()
{
    std::vector<long> counts;
    auto source = dataSource();
    if (!source)
        return counts;
    auto keep = self();
    long sections = source->numberOfSectionsInTableView(keep);
    if (sections < 0) {
        UIKitLog("the data source answered %ld sections; none are shown", sections);
        sections = 0;
    }
    for (long s = 0; s < sections; ++s) {
        long rows = source->tableView_numberOfRowsInSection(keep, s);
        if (rows < 0) {
            UIKitLog("the data source answered %ld rows for section %ld; none are shown", rows, s);
            rows = 0;
        }
        counts.push_back(rows);
    }
    return counts;
}

void UITableView::rebuild()
{
    for (auto& section : m_sections) {
        if (section.headerView)
            section.headerView->removeFromSuperview();
        if (section.footerView)
            section.footerView->removeFromSuperview();
    }
    m_sections.clear();
    auto counts = countsFromDataSource();
    auto d = delegate();
    auto keep = self();
    auto rowDefault = [&] {
        CGFloat height =
            m_rowHeight == UITableViewAutomaticDimension ? (m_estimatedRowHeight > 0 ? m_estimatedRowHeight : 44) : m_rowHeight;
        return sane(height);
    };
    CGFloat y = m_tableHeaderView ? sane(m_tableHeaderView->frame().size.height) : 0;
    for (long s = 0; s < long(counts.size()); ++s) {
        Section section;
        section.top = y;
        if (d) {
            section.headerView = d->tableView_viewForHeaderInSection(keep, s);
            section.footerView = d->tableView_viewForFooterInSection(keep, s);
        }
        auto header = d ? d->tableView_heightForHeaderInSection(keep, s) : std::nullopt;
        auto footer = d ? d->tableView_heightForFooterInSection(keep, s) : std::nullopt;
        section.header =
            sane(header                                                                  ? *header
                     : section.headerView && section.headerView->frame().size.height > 0 ? section.headerView->frame().size.height
                                                                                         : m_sectionHeaderHeight);
        section.footer =
            sane(footer                                                                  ? *footer
                     : section.footerView && section.footerView->frame().size.height > 0 ? section.footerView->frame().size.height
                                                                                         : m_sectionFooterHeight);
        CGFloat rowsHeight = 0;
        for (long r = 0; r < counts[s]; ++r) {
            auto height = d ? d->tableView_heightForRowAtIndexPath(keep, NSIndexPath(s, r)) : std::nullopt;
            CGFloat h = !height ? rowDefault() : *height == UITableViewAutomaticDimension ? rowDefault() : sane(*height);
            section.rowTops.push_back(rowsHeight);
            section.rows.push_back(h);
            rowsHeight += h;
        }
        for (const auto& view : {section.headerView, section.footerView})
            if (view)
                addSubview(view);
        y += section.header + rowsHeight + section.footer;
        m_sections.push_back(std::move(section));
    }
    m_contentHeight = y + (m_tableFooterView ? sane(m_tableFooterView->frame().size.height) : 0);
    m_loaded = true;
    setContentSize(CGSizeMake(bounds().size.width, m_contentHeight));
    placeSupplementaryViews();
}

void UITableView::placeSupplementaryViews()
{
    CGFloat width = bounds().size.width;
    if (m_tableHeaderView)
        m_tableHeaderView->setFrame(CGRectMake(0, 0, width, m_tableHeaderView->frame().size.height));
    for (const auto& section : m_sections) {
        if (section.headerView)
            section.headerView->setFrame(CGRectMake(0, section.top, width, section.header));
        CGFloat rowsHeight = section.rows.empty() ? 0 : section.rowTops.back() + section.rows.back();
        if (section.footerView)
            section.footerView->setFrame(CGRectMake(0, section.top + section.header + rowsHeight, width, section.footer));
    }
    if (m_tableFooterView) {
        CGFloat height = m_tableFooterView->frame().size.height;
        m_tableFooterView->setFrame(CGRectMake(0, m_contentHeight - height, width, height));
    }
}

void UITableView::ensureLoaded()
{
    if (!m_loaded)
        reloadData();
}

void UITableView::reloadData()
{
    KVN_ASSERT_MAIN_THREAD();
    recycleVisibleCells();
    m_selected.reset();
    m_pressed.reset();
    rebuild();
    layoutVisibleCells();
}

void UITableView::enqueue(const std::shared_ptr<UITableViewCell>& cell)
{
    cell->removeFromSuperview();
    if (cell->reuseIdentifier())
        m_reusePool[*cell->reuseIdentifier()].push_back(cell);
}

void UITableView::recycleVisibleCells()
{
    auto cells = std::move(m_visibleCells);
    m_visibleCells.clear();
    for (const auto& [indexPath, cell] : cells)
        enqueue(cell);
}

std::shared_ptr<UITableViewCell> UITableView::fetchCell(const NSIndexPath& indexPath)
{
    std::shared_ptr<UITableViewCell> cell;
    if (auto source = dataSource())
        cell = source->tableView_cellForRowAtIndexPath(self(), indexPath);
    if (!cell) {
        UIKitLog("the data source gave no cell for row %s; an empty cell stands in", indexPath.description().c_str());
        cell = std::make_shared<UITableViewCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
    }
    return cell;
}

void UITableView::layoutVisibleCells()
{
    if (!m_loaded || m_laying)
        return; // a data source that scrolls or reloads from inside a cell request waits
    m_laying = true;
    auto keep = self();
    CGRect visible = bounds();
    std::set<NSIndexPath> wanted;
    for (long s = 0; s < long(m_sections.size()); ++s) {
        const auto& section = m_sections[s];
        for (long r = 0; r < long(section.rows.size()); ++r) {
            CGFloat top = section.top + section.header + section.rowTops[r];
            if (section.rows[r] > 0 && top + section.rows[r] > CGRectGetMinY(visible) && top < CGRectGetMaxY(visible))
                wanted.insert(NSIndexPath(s, r));
        }
    }
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        enqueue(it->second);
        it = m_visibleCells.erase(it);
    }
    bool showsSeparators = m_separatorStyle != UITableViewCellSeparatorStyleNone;
    for (const auto& indexPath : wanted) {
        auto existing = m_visibleCells.find(indexPath);
        bool fresh = existing == m_visibleCells.end();
        auto cell = fresh ? fetchCell(indexPath) : existing->second;
        const auto& section = m_sections[indexPath.section()];
        cell->setFrame(CGRectMake(0, section.top + section.header + section.rowTops[indexPath.row()], visible.size.width,
                                  section.rows[indexPath.row()]));
        cell->setSeparatorAppearance({}, showsSeparators, m_separatorColor, m_separatorInset);
        if (!fresh)
            continue;
        cell->setSelected(m_selected == indexPath);
        if (cell->superview().get() != this)
            insertSubview_atIndex(cell, 0);
        m_visibleCells[indexPath] = cell;
        if (auto d = delegate())
            d->tableView_willDisplayCell_forRowAtIndexPath(keep, cell, indexPath);
    }
    m_laying = false;
}

void UITableView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    ensureLoaded();
    if (contentSize().width != bounds().size.width)
        setContentSize(CGSizeMake(bounds().size.width, m_contentHeight));
    placeSupplementaryViews();
    layoutVisibleCells();
}

void UITableView::drawRect(CGRect)
{
    // A plain table without a footer rules the empty rows under its last one.
    if (m_style != UITableViewStyle::Plain || m_tableFooterView || m_separatorStyle == UITableViewCellSeparatorStyleNone ||
        !m_separatorColor)
        return;
    CGFloat pitch = sane(m_rowHeight == UITableViewAutomaticDimension ? 44 : m_rowHeight);
    if (pitch < 1)
        return;
    auto context = UIGraphicsGetCurrentContext();
    CGRect visible = bounds();
    CGFloat line = 1 / std::max<CGFloat>(1, UIScreen::mainScreen()->scale());
    CGContextSetFillColorWithColor(context, m_separatorColor->CGColor());
    CGFloat width = std::max<CGFloat>(0, visible.size.width - m_separatorInset.left - m_separatorInset.right);
    CGFloat y = m_contentHeight + pitch;
    if (y < CGRectGetMinY(visible))
        y += std::floor((CGRectGetMinY(visible) - y) / pitch) * pitch;
    for (; y - line < CGRectGetMaxY(visible); y += pitch)
        CGContextFillRect(context, CGRectMake(visible.origin.x + m_separatorInset.left, y - line, width, line));
}

bool UITableView::isValid(const NSIndexPath& indexPath) const
{
    return indexPath.section() >= 0 && indexPath.section() < long(m_sections.size()) && indexPath.row() >= 0 &&
        indexPath.row() < long(m_sections[indexPath.section()].rows.size());
}

long UITableView::numberOfSections()
{
    ensureLoaded();
    return long(m_sections.size());
}

long UITableView::numberOfRowsInSection(long section)
{
    ensureLoaded();
    return section >= 0 && section < long(m_sections.size()) ? long(m_sections[section].rows.size()) : 0;
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& indexPath)
{
    ensureLoaded();
    if (!isValid(indexPath))
        return CGRectZero;
    const auto& section = m_sections[indexPath.section()];
    return CGRectMake(0, section.top + section.header + section.rowTops[indexPath.row()], bounds().size.width,
                      section.rows[indexPath.row()]);
}

CGRect UITableView::rectForHeaderInSection(long section)
{
    ensureLoaded();
    if (section < 0 || section >= long(m_sections.size()))
        return CGRectZero;
    return CGRectMake(0, m_sections[section].top, bounds().size.width, m_sections[section].header);
}

std::optional<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point)
{
    ensureLoaded();
    if (point.x < 0 || point.x >= bounds().size.width)
        return std::nullopt;
    for (long s = 0; s < long(m_sections.size()); ++s) {
        const auto& section = m_sections[s];
        for (long r = 0; r < long(section.rows.size()); ++r) {
            CGFloat top = section.top + section.header + section.rowTops[r];
            if (point.y >= top && point.y < top + section.rows[r])
                return NSIndexPath(s, r);
        }
    }
    return std::nullopt;
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) const
{
    auto it = m_visibleCells.find(indexPath);
    return it == m_visibleCells.end() ? nullptr : it->second;
}

std::optional<NSIndexPath> UITableView::indexPathForCell(const std::shared_ptr<UITableViewCell>& cell) const
{
    for (const auto& [indexPath, visible] : m_visibleCells)
        if (visible == cell)
            return indexPath;
    return std::nullopt;
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells() const
{
    std::vector<std::shared_ptr<UITableViewCell>> cells;
    for (const auto& [indexPath, cell] : m_visibleCells)
        cells.push_back(cell);
    return cells;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows() const
{
    std::vector<NSIndexPath> indexPaths;
    for (const auto& [indexPath, cell] : m_visibleCells)
        indexPaths.push_back(indexPath);
    return indexPaths;
}

void UITableView::scrollToRowAtIndexPath_atScrollPosition_animated(const NSIndexPath& indexPath, UITableViewScrollPosition position,
                                                                   bool animated)
{
    ensureLoaded();
    if (!isValid(indexPath)) {
        UIKitLog("cannot scroll to row %s: the table has no such row", indexPath.description().c_str());
        return;
    }
    CGRect row = rectForRowAtIndexPath(indexPath);
    CGFloat height = bounds().size.height;
    CGFloat y = contentOffset().y;
    switch (position) {
    case UITableViewScrollPositionTop:
        y = row.origin.y;
        break;
    case UITableViewScrollPositionMiddle:
        y = CGRectGetMidY(row) - height / 2;
        break;
    case UITableViewScrollPositionBottom:
        y = CGRectGetMaxY(row) - height;
        break;
    default:
        return scrollRectToVisible_animated(row, animated);
    }
    y = std::clamp(y, minimumContentOffset().y, maximumContentOffset().y);
    setContentOffset_animated(CGPointMake(contentOffset().x, y), animated);
}

void UITableView::selectRowAtIndexPath_animated_scrollPosition(const std::optional<NSIndexPath>& indexPath, bool animated,
                                                               UITableViewScrollPosition position)
{
    ensureLoaded();
    if (m_selected)
        deselectRowAtIndexPath_animated(*m_selected, animated);
    if (!indexPath || !isValid(*indexPath))
        return;
    m_selected = indexPath;
    if (auto cell = cellForRowAtIndexPath(*indexPath))
        cell->setSelected_animated(true, animated);
    if (position != UITableViewScrollPositionNone)
        scrollToRowAtIndexPath_atScrollPosition_animated(*indexPath, position, animated);
}

void UITableView::deselectRowAtIndexPath_animated(const NSIndexPath& indexPath, bool animated)
{
    if (m_selected != indexPath)
        return;
    m_selected.reset();
    if (auto cell = cellForRowAtIndexPath(indexPath))
        cell->setSelected_animated(false, animated);
}

void UITableView::touchDidBegin(const std::shared_ptr<UITouch>& touch)
{
    if (!m_allowsSelection)
        return;
    m_pressed = indexPathForRowAtPoint(touch->locationInView(shared_from_this()));
    if (m_pressed)
        if (auto cell = cellForRowAtIndexPath(*m_pressed))
            cell->setHighlighted(true);
}

void UITableView::dropSelectionLook()
{
    if (!m_pressed)
        return;
    if (auto cell = cellForRowAtIndexPath(*m_pressed))
        cell->setHighlighted(false);
}

void UITableView::touchDidStopBeingATap()
{
    dropSelectionLook();
    m_pressed.reset();
}

void UITableView::touchDidTap(const std::shared_ptr<UITouch>& touch)
{
    dropSelectionLook();
    auto pressed = std::exchange(m_pressed, std::nullopt);
    if (!pressed || indexPathForRowAtPoint(touch->locationInView(shared_from_this())) != pressed)
        return;
    auto keep = self();
    auto d = delegate();
    if (m_selected && m_selected != pressed) {
        auto old = *m_selected;
        deselectRowAtIndexPath_animated(old, false);
        if (d)
            d->tableView_didDeselectRowAtIndexPath(keep, old);
    }
    m_selected = pressed;
    if (auto cell = cellForRowAtIndexPath(*pressed))
        cell->setSelected(true);
    if (d)
        d->tableView_didSelectRowAtIndexPath(keep, *pressed);
}

void UITableView::applyRowChanges(const std::vector<NSIndexPath>& inserted, const std::vector<NSIndexPath>& deleted)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_loaded)
        return reloadData();
    std::vector<long> expected;
    for (const auto& section : m_sections)
        expected.push_back(long(section.rows.size()));
    bool consistent = true;
    for (const auto& indexPath : deleted) {
        consistent = consistent && isValid(indexPath);
        if (consistent)
            --expected[indexPath.section()];
    }
    for (const auto& indexPath : inserted) {
        consistent = consistent && indexPath.section() >= 0 && indexPath.section() < long(expected.size()) && indexPath.row() >= 0;
        if (consistent)
            ++expected[indexPath.section()];
    }
    for (const auto& indexPath : inserted)
        consistent = consistent && indexPath.row() < expected[indexPath.section()];
    auto counts = countsFromDataSource();
    if (!consistent || counts != expected) {
        UIKitLog("the rows inserted (%s) and deleted (%s) do not match the data source's counts; the table reloads instead",
                 describe(inserted).c_str(), describe(deleted).c_str());
        return reloadData();
    }
    // The selection follows its row: deletions count in the old order, insertions in the new.
    if (m_selected) {
        NSIndexPath selected = *m_selected;
        long row = selected.row();
        bool gone = false;
        for (const auto& indexPath : deleted) {
            if (indexPath.section() != selected.section())
                continue;
            gone = gone || indexPath.row() == selected.row();
            row -= indexPath.row() < selected.row() ? 1 : 0;
        }
        std::vector<long> insertedRows;
        for (const auto& indexPath : inserted)
            if (indexPath.section() == selected.section())
                insertedRows.push_back(indexPath.row());
        std::sort(insertedRows.begin(), insertedRows.end());
        for (long r : insertedRows)
            row += r <= row ? 1 : 0;
        m_selected = gone ? std::nullopt : std::optional<NSIndexPath>(NSIndexPath(selected.section(), row));
    }
    recycleVisibleCells();
    auto selected = m_selected;
    rebuild();
    m_selected = selected;
    layoutVisibleCells();
}

void UITableView::insertRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation)
{
    applyRowChanges(indexPaths, {});
}

void UITableView::deleteRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation)
{
    applyRowChanges({}, indexPaths);
}

void UITableView::reloadRowsAtIndexPaths_withRowAnimation(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_loaded)
        return reloadData();
    std::vector<NSIndexPath> unknown;
    for (const auto& indexPath : indexPaths)
        if (!isValid(indexPath))
            unknown.push_back(indexPath);
    if (!unknown.empty())
        UIKitLog("cannot reload rows %s: the table has no such rows", describe(unknown).c_str());
    std::vector<long> before;
    for (const auto& section : m_sections)
        before.push_back(long(section.rows.size()));
    if (countsFromDataSource() != before) {
        UIKitLog("the data source's counts changed without an insertion or deletion; the table reloads instead");
        return reloadData();
    }
    for (const auto& indexPath : indexPaths) {
        auto it = m_visibleCells.find(indexPath);
        if (it == m_visibleCells.end())
            continue;
        enqueue(it->second);
        m_visibleCells.erase(it);
    }
    auto visible = std::move(m_visibleCells);
    auto selected = m_selected;
    rebuild(); // heights may have changed
    m_visibleCells = std::move(visible);
    m_selected = selected;
    layoutVisibleCells();
}

void UITableView::reloadSections_withRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation animation)
{
    ensureLoaded();
    std::vector<NSIndexPath> rows;
    for (long s : sections)
        for (long r = 0; r < numberOfRowsInSection(s); ++r)
            rows.emplace_back(s, r);
    std::vector<long> before;
    for (const auto& section : m_sections)
        before.push_back(long(section.rows.size()));
    if (countsFromDataSource() != before)
        return reloadData(); // a section's row count may change on its reload
    reloadRowsAtIndexPaths_withRowAnimation(rows, animation);
}
