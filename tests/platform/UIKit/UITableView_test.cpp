#include "Snapshot.h"
#include "UIKitTestFixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/NSLayoutDimension.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewController.h"

using fixtures::pixel;
using fixtures::snapshot;

namespace {

// Counts how often it was made ready for another row.
struct CountingCell : UITableViewCell {
    int reuses = 0;
    void prepareForReuse() override
    {
        UITableViewCell::prepareForReuse();
        ++reuses;
    }
};

// A data source and delegate over a list of row counts, writing down what it is asked and told.
struct Rows : UITableViewDataSource, UITableViewDelegate {
    std::vector<long> counts;
    std::function<std::optional<CGFloat>(const NSIndexPath&)> height = [](const NSIndexPath&) { return std::nullopt; };
    std::map<long, CGFloat> headerHeights;
    std::vector<std::string> journal;
    int cellsMade = 0;
    int cellRequests = 0;
    bool giveNoCell = false;

    long numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) override { return long(counts.size()); }
    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long section) override { return counts[section]; }
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& table,
                                                                     const NSIndexPath& indexPath) override
    {
        ++cellRequests;
        if (giveNoCell)
            return nullptr;
        auto cell = table->dequeueReusableCellWithIdentifier_forIndexPath("Cell", indexPath);
        cell->textLabel()->setText(indexPath.description());
        return cell;
    }
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) override
    {
        return height(indexPath);
    }
    std::optional<CGFloat> tableView_heightForHeaderInSection(const std::shared_ptr<UITableView>&, long section) override
    {
        auto it = headerHeights.find(section);
        return it == headerHeights.end() ? std::nullopt : std::optional<CGFloat>(it->second);
    }
    void tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>&, const std::shared_ptr<UITableViewCell>&,
                                                     const NSIndexPath& indexPath) override
    {
        journal.push_back("willDisplay " + indexPath.description());
    }
    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) override
    {
        journal.push_back("didSelect " + indexPath.description());
    }
    void tableView_didDeselectRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath) override
    {
        journal.push_back("didDeselect " + indexPath.description());
    }
};

using Journal = std::vector<std::string>;

} // namespace

class UITableViewTest : public UIKitTest {
protected:
    std::shared_ptr<UITableView> makeTable(std::vector<long> counts, UITableViewStyle style = UITableViewStyle::Plain)
    {
        rows = std::make_shared<Rows>();
        rows->counts = std::move(counts);
        auto table = std::make_shared<UITableView>();
        table->initWithFrame_style(CGRectMake(0, 0, 320, 200), style);
        table->registerCellFactory_forCellReuseIdentifier(
            [this] {
                ++rows->cellsMade;
                return std::make_shared<CountingCell>();
            },
            "Cell");
        table->setDataSource(rows);
        table->setDelegate(rows);
        showInWindow(table);
        return table;
    }

    void tap(const std::shared_ptr<UITableView>& table, CGPoint point)
    {
        Automation::Finger finger(table->window());
        finger.down(point);
        finger.up();
    }

    std::shared_ptr<Rows> rows;
};

TEST_F(UITableViewTest, RowsStackUpFromTheirHeights)
{
    auto table = makeTable({3, 2, 0, -4});
    rows->height = [](const NSIndexPath& indexPath) -> std::optional<CGFloat> {
        if (indexPath.section() == 0)
            return indexPath.row() == 2 ? NAN : 30.0;
        return std::nullopt;
    };
    rows->headerHeights = {{1, 20}, {2, -5}};
    auto header = fixtures::makeView(CGRectMake(0, 0, 1, 10));
    table->setTableHeaderView(header);
    table->layoutIfNeeded();
    struct Case {
        const char* why;
        NSIndexPath row;
        CGRect rect;
    };
    const Case cases[] = {
        {"below the table header", {0, 0}, {{0, 10}, {320, 30}}},
        {"rows follow each other", {0, 1}, {{0, 40}, {320, 30}}},
        {"a height that is not a number counts as none", {0, 2}, {{0, 70}, {320, 0}}},
        {"after the next section's header, the table's row height", {1, 0}, {{0, 90}, {320, 44}}},
        {"a row that does not exist", {3, 0}, {{0, 0}, {0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(table->rectForRowAtIndexPath(c.row), c.rect);
    }
    EXPECT_EQ(table->numberOfSections(), 4);
    EXPECT_EQ(table->numberOfRowsInSection(3), 0) << "a negative count shows no rows";
    EXPECT_EQ(table->contentSize(), CGSizeMake(320, 10 + 60 + 20 + 88));
    EXPECT_EQ(header->frame(), CGRectMake(0, 0, 320, 10));
    EXPECT_EQ(table->indexPathForRowAtPoint(CGPointMake(5, 100)), NSIndexPath(1, 0));
    EXPECT_EQ(table->indexPathForRowAtPoint(CGPointMake(5, 85)), std::nullopt) << "in a header";
}

TEST_F(UITableViewTest, OnlyRowsInViewHaveCellsAndCellsAreReused)
{
    auto table = makeTable({100});
    table->layoutIfNeeded();
    EXPECT_EQ(table->indexPathsForVisibleRows(), (std::vector<NSIndexPath>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}));
    EXPECT_EQ(rows->cellsMade, 5);
    auto first = table->cellForRowAtIndexPath({0, 0});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(table->indexPathForCell(first), NSIndexPath(0, 0));
    EXPECT_EQ(first->textLabel()->text(), "{0, 0}");

    rows->journal.clear();
    table->setContentOffset(CGPointMake(0, 44 * 20));
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), NSIndexPath(0, 20));
    EXPECT_EQ(rows->cellsMade, 5) << "every new row took a cell that left";
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), nullptr);
    EXPECT_NE(table->indexPathForCell(first), NSIndexPath(0, 0)) << "waiting, or serving another row";
    EXPECT_EQ(std::static_pointer_cast<CountingCell>(table->cellForRowAtIndexPath({0, 20}))->reuses, 1);
    EXPECT_EQ(rows->journal.front(), "willDisplay {0, 20}");
    EXPECT_EQ(rows->journal.size(), 5u);

    // Small steps bring one new row at a time.
    rows->journal.clear();
    table->setContentOffset(CGPointMake(0, 44 * 20 + 30));
    EXPECT_EQ(rows->journal, (Journal{"willDisplay {0, 25}"}));
}

TEST_F(UITableViewTest, DequeueWithoutARegisteredKind)
{
    auto table = makeTable({1});
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Other"), nullptr);
    auto cell = table->dequeueReusableCellWithIdentifier_forIndexPath("Other", {0, 0});
    ASSERT_NE(cell, nullptr) << "a plain cell stands in";
    EXPECT_EQ(cell->reuseIdentifier(), "Other");

    rows->giveNoCell = true;
    table->reloadData();
    EXPECT_NE(table->cellForRowAtIndexPath({0, 0}), nullptr) << "an empty cell stands in for a missing one";
}

TEST_F(UITableViewTest, TapsSelectThroughTouches)
{
    auto table = makeTable({10});
    table->layoutIfNeeded();
    Automation::Finger finger(table->window());
    finger.down(CGPointMake(100, 50));
    auto cell = table->cellForRowAtIndexPath({0, 1});
    EXPECT_TRUE(cell->isHighlighted()) << "pressed";
    finger.up();
    EXPECT_FALSE(cell->isHighlighted());
    EXPECT_TRUE(cell->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), NSIndexPath(0, 1));

    tap(table, CGPointMake(100, 100));
    EXPECT_FALSE(cell->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), NSIndexPath(0, 2));

    // A drag scrolls and selects nothing.
    Automation::Finger drag(table->window());
    drag.down(CGPointMake(100, 150));
    drag.moveTo(CGPointMake(100, 130));
    drag.moveTo(CGPointMake(100, 100));
    drag.up();
    runFor(3);
    Journal told;
    std::copy_if(rows->journal.begin(), rows->journal.end(), std::back_inserter(told), [](const auto& e) { return e.starts_with("did"); });
    EXPECT_EQ(told, (Journal{"didSelect {0, 1}", "didDeselect {0, 1}", "didSelect {0, 2}"}));

    // The driver's tap on a row's cell, through the hit test, selects that row.
    auto at = table->indexPathForRowAtPoint(CGPointMake(100, table->contentOffset().y + 150));
    ASSERT_TRUE(at);
    auto row = table->cellForRowAtIndexPath(*at);
    ASSERT_TRUE(row);
    ASSERT_NE(at, table->indexPathForSelectedRow());
    ASSERT_TRUE(Automation::Driver::tap(row));
    EXPECT_EQ(table->indexPathForSelectedRow(), table->indexPathForCell(row));

    table->setAllowsSelection(false);
    auto selected = table->indexPathForSelectedRow();
    tap(table, CGPointMake(100, 160));
    EXPECT_EQ(table->indexPathForSelectedRow(), selected);
}

// A table that does not scroll (a short list shown whole) still selects what is tapped; a
// drag moves nothing and selects nothing.
TEST_F(UITableViewTest, WithoutScrollingTapsStillSelect)
{
    auto table = makeTable({10});
    table->setScrollEnabled(false);
    table->layoutIfNeeded();
    auto row = table->cellForRowAtIndexPath({0, 1});
    ASSERT_TRUE(row);
    auto tapped = Automation::Driver::tap(row);
    ASSERT_TRUE(tapped) << tapped.message();
    EXPECT_EQ(table->indexPathForSelectedRow(), NSIndexPath(0, 1));

    Automation::Finger drag(table->window());
    drag.down(CGPointMake(100, 150));
    drag.moveTo(CGPointMake(100, 120));
    drag.moveTo(CGPointMake(100, 90));
    drag.up();
    runFor(3);
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_EQ(table->indexPathForSelectedRow(), NSIndexPath(0, 1));
}

TEST_F(UITableViewTest, InsertionsAndDeletionsKeepTheSelectionOnItsRow)
{
    struct Case {
        const char* why;
        std::vector<NSIndexPath> inserted, deleted;
        long newCount;
        std::optional<NSIndexPath> selected; // row 3 was selected
    };
    const Case cases[] = {
        {"an insertion above moves it down", {{0, 0}}, {}, 6, NSIndexPath(0, 4)},
        {"an insertion below leaves it", {{0, 5}}, {}, 6, NSIndexPath(0, 3)},
        {"a deletion above moves it up", {}, {{0, 1}}, 4, NSIndexPath(0, 2)},
        {"deleting it ends it", {}, {{0, 3}}, 4, std::nullopt},
        {"counts that do not add up reload and drop it", {{0, 0}}, {}, 7, std::nullopt},
        {"a row beyond the section reloads", {}, {{0, 9}}, 4, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto table = makeTable({5});
        table->layoutIfNeeded();
        table->selectRowAtIndexPath_animated_scrollPosition(NSIndexPath(0, 3), false, UITableViewScrollPositionNone);
        rows->counts = {c.newCount};
        if (!c.inserted.empty())
            table->insertRowsAtIndexPaths_withRowAnimation(c.inserted, UITableViewRowAnimationFade);
        else
            table->deleteRowsAtIndexPaths_withRowAnimation(c.deleted, UITableViewRowAnimationAutomatic);
        EXPECT_EQ(table->numberOfRowsInSection(0), c.newCount);
        EXPECT_EQ(table->indexPathForSelectedRow(), c.selected);
        if (c.selected) {
            EXPECT_TRUE(table->cellForRowAtIndexPath(*c.selected)->isSelected());
        }
    }
}

TEST_F(UITableViewTest, ReloadingRowsAsksOnlyForThem)
{
    auto table = makeTable({3});
    table->layoutIfNeeded();
    auto untouched = table->cellForRowAtIndexPath({0, 0});
    rows->cellRequests = 0;
    rows->height = [](const NSIndexPath& indexPath) -> std::optional<CGFloat> { return indexPath.row() == 1 ? 60.0 : 44.0; };
    table->reloadRowsAtIndexPaths_withRowAnimation({{0, 1}, {4, 4}}, UITableViewRowAnimationNone);
    EXPECT_EQ(rows->cellRequests, 1);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), untouched);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 2}).origin.y, 104) << "the new height moved the rows below";
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 2})->frame().origin.y, 104);
}

TEST_F(UITableViewTest, ScrollingToARow)
{
    struct Case {
        UITableViewScrollPosition position;
        double offset; // row 10 spans 440..484 in a 200-high view
    };
    const Case cases[] = {
        {UITableViewScrollPositionTop, 440},
        {UITableViewScrollPositionMiddle, 362},
        {UITableViewScrollPositionBottom, 284},
        {UITableViewScrollPositionNone, 284},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        auto table = makeTable({20});
        table->scrollToRowAtIndexPath_atScrollPosition_animated({0, 10}, c.position, false);
        EXPECT_EQ(table->contentOffset().y, c.offset);
        EXPECT_NE(table->cellForRowAtIndexPath({0, 10}), nullptr);
    }
    auto table = makeTable({20});
    table->scrollToRowAtIndexPath_atScrollPosition_animated({0, 19}, UITableViewScrollPositionTop, true);
    runFor(2);
    EXPECT_EQ(table->contentOffset().y, 20 * 44 - 200) << "held inside the content";
    table->scrollToRowAtIndexPath_atScrollPosition_animated({3, 0}, UITableViewScrollPositionTop, false); // logged, ignored
    EXPECT_EQ(table->contentOffset().y, 20 * 44 - 200);
}

TEST_F(UITableViewTest, SeparatorsAreRuledUnderRowsAndEmptyRows)
{
    struct Case {
        const char* why;
        UITableViewCellSeparatorStyle style;
        bool footer;
        bool underRow, beforeInset, underEmptyRow; // a line at (100, 43), (5, 43), (100, 131)
    };
    const Case cases[] = {
        {"a line under each row, inset on the left", UITableViewCellSeparatorStyleSingleLine, false, true, false, true},
        {"an empty footer keeps empty rows clear", UITableViewCellSeparatorStyleSingleLine, true, true, false, false},
        {"no separators", UITableViewCellSeparatorStyleNone, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto table = makeTable({2});
        table->setSeparatorStyle(c.style);
        table->setSeparatorColor(UIColor::redColor());
        if (c.footer)
            table->setTableFooterView(fixtures::makeView(CGRectZero));
        auto shot = snapshot(table);
        // A hairline covers part of a pixel: red shows as the green falls.
        auto ruled = [&](size_t x, size_t y) { return pixel(*shot, x, y).g < 200; };
        EXPECT_EQ(ruled(100, 43), c.underRow);
        EXPECT_EQ(ruled(5, 43), c.beforeInset);
        EXPECT_EQ(ruled(100, 131), c.underEmptyRow);
        EXPECT_FALSE(ruled(100, 20));
    }
}

class UITableViewCellTest : public UIKitTest {};

TEST_F(UITableViewCellTest, AccessoryNarrowsTheContent)
{
    struct Case {
        UITableViewCellAccessoryType type;
        CGFloat contentWidth;
    };
    const Case cases[] = {
        {UITableViewCellAccessoryNone, 320},
        {UITableViewCellAccessoryDisclosureIndicator, 286},
        {UITableViewCellAccessoryDetailDisclosureButton, 252},
        {UITableViewCellAccessoryCheckmark, 280},
        {UITableViewCellAccessoryDetailButton, 272},
        {UITableViewCellAccessoryType(77), 320},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto cell = std::make_shared<UITableViewCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        cell->setAccessoryType(c.type);
        cell->layoutIfNeeded();
        EXPECT_EQ(cell->contentView()->frame().size.width, c.contentWidth);
    }
}

TEST_F(UITableViewCellTest, StylesLayTheirLabelsOut)
{
    auto plain = std::make_shared<UITableViewCell>();
    plain->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "a");
    EXPECT_EQ(plain->detailTextLabel(), nullptr);

    auto subtitle = std::make_shared<UITableViewCell>();
    subtitle->initWithStyle_reuseIdentifier(UITableViewCellStyle::Subtitle, "b");
    subtitle->textLabel()->setText("Title");
    subtitle->detailTextLabel()->setText("Detail");
    subtitle->layoutIfNeeded();
    CGRect text = subtitle->textLabel()->frame(), detail = subtitle->detailTextLabel()->frame();
    EXPECT_EQ(CGRectGetMaxY(text), detail.origin.y) << "the detail under the text";
    EXPECT_NEAR(text.origin.y, 44 - CGRectGetMaxY(detail), 1e-9) << "the pair centred";
    EXPECT_EQ(text.origin.x, 15);
}

TEST_F(UITableViewCellTest, SelectionShowsUnlessStyledOff)
{
    for (auto style : {UITableViewCellSelectionStyleDefault, UITableViewCellSelectionStyleNone}) {
        auto cell = std::make_shared<UITableViewCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        cell->setSelectionStyle(style);
        auto before = pixel(*snapshot(cell), 100, 20);
        cell->setSelected(true);
        auto after = pixel(*snapshot(cell), 100, 20);
        EXPECT_EQ(after.r < before.r, style != UITableViewCellSelectionStyleNone);
        cell->prepareForReuse();
        EXPECT_FALSE(cell->isSelected());
    }
}

namespace {

// A table screen with three rows of its own.
struct ThreeRows : UITableViewController {
    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 3; }
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath&) override
    {
        auto cell = std::make_shared<UITableViewCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        return cell;
    }
};

} // namespace

TEST_F(UITableViewTest, TableScreensServeTheirOwnTable)
{
    auto screen = std::make_shared<ThreeRows>();
    screen->initWithStyle(UITableViewStyle::Grouped);
    auto table = screen->tableView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(screen->view(), table);
    EXPECT_EQ(table->style(), UITableViewStyle::Grouped);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(table->delegate(), std::static_pointer_cast<UITableViewDelegate>(screen));
}

namespace {

// A cell laid out as the kit's cells are: a view constrained inside its content view.
struct ConstrainedCell : UITableViewCell {
    std::shared_ptr<UIView> inner = std::make_shared<UIView>();
    void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> identifier) override
    {
        UITableViewCell::initWithStyle_reuseIdentifier(style, std::move(identifier));
        inner->init();
        inner->setTranslatesAutoresizingMaskIntoConstraints(false);
        contentView()->addSubview(inner);
        for (const std::shared_ptr<NSLayoutConstraint>& constraint :
             {inner->leftAnchor()->constraintEqualToAnchor_constant(contentView()->leftAnchor(), 15),
              inner->rightAnchor()->constraintEqualToAnchor_constant(contentView()->rightAnchor(), -15),
              inner->topAnchor()->constraintEqualToAnchor(contentView()->topAnchor()),
              inner->bottomAnchor()->constraintEqualToAnchor(contentView()->bottomAnchor())})
            constraint->setActive(true);
        setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    }
};

} // namespace

TEST_F(UITableViewTest, ConstraintsInsideCellsFollowTheRowsSize)
{
    auto table = makeTable({2});
    table->registerClass_forCellReuseIdentifier<ConstrainedCell>("Cell");
    rows->height = [](const NSIndexPath&) -> std::optional<CGFloat> { return 60.0; };
    table->setFrame(CGRectMake(0, 0, 200, 300));
    table->layoutIfNeeded();
    auto cell = std::dynamic_pointer_cast<ConstrainedCell>(table->cellForRowAtIndexPath({0, 1}));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->frame(), CGRectMake(0, 60, 200, 60));
    EXPECT_EQ(cell->inner->frame(), CGRectMake(15, 0, 200 - 34 - 30, 60)) << "inside the content view, left of the accessory";
}
