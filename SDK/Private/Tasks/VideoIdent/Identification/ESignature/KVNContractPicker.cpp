#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPicker.h"

#include <algorithm>

#include "Foundation/MainThreadChecker.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerCell.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerDetailCell.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewAnimationOptions.h"

namespace {

constexpr const char* kContractCell = "ContractCell";
constexpr const char* kContractDetailCell = "ContractDetailCell";
constexpr double kSelectedRowHeight = 60;
constexpr double kOtherRowHeight = 35;
constexpr double kCollapseDuration = 0.2;

} // namespace

void KVNContractPicker::initWithContracts(std::vector<std::shared_ptr<KVNContract>> contracts)
{
    initWithStyle(UITableViewStyle::Plain);
    m_contracts = std::move(contracts);
    m_collapsed = true;
    setSelectedContract(m_contracts.empty() ? nullptr : m_contracts.front());
}

void KVNContractPicker::setSelectedContract(const std::shared_ptr<KVNContract>& contract)
{
    m_selectedContract = contract;
    m_notSelectedContracts.clear();
    std::copy_if(m_contracts.begin(), m_contracts.end(), std::back_inserter(m_notSelectedContracts),
                 [&](const auto& candidate) { return candidate != contract; });
}

double KVNContractPicker::expectedHeight() const
{
    if (m_collapsed)
        return kSelectedRowHeight;
    return kSelectedRowHeight + kOtherRowHeight * static_cast<double>(m_notSelectedContracts.size());
}

void KVNContractPicker::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    view()->layer()->setAllowsGroupOpacity(false);
    auto table = tableView();
    table->setBackgroundColor(UIColor::clearColor());
    // The table has no background view of its own: the blur lies under the rows instead, kept
    // at the back as rows come and go, and never takes their touches.
    auto blur = std::make_shared<KVNBlurredView>();
    blur->initWithFrame(CGRectZero);
    blur->setUserInteractionEnabled(false);
    table->insertSubview_atIndex(blur, 0);
    m_backgroundView = blur;
    Layout::ConstraintMaker::make(blur, [&](Layout::ConstraintMaker& make) {
        make.left().top().equalTo(table);
        make.width().height().equalTo(table);
    });
    // The whole height is in the offset, which setCollapsed replaces; an offset on top of a
    // height of its own would be added to it.
    Layout::ConstraintMaker::make(table, [&](Layout::ConstraintMaker& make) {
        m_heightConstraint = make.height().equalTo(0).offset(expectedHeight()).priorityMedium().kept();
    });
    table->registerClass_forCellReuseIdentifier<KVNContractPickerCell>(kContractCell);
    table->registerClass_forCellReuseIdentifier<KVNContractPickerDetailCell>(kContractDetailCell);
}

void KVNContractPicker::viewDidLayoutSubviews()
{
    UITableViewController::viewDidLayoutSubviews();
    auto table = tableView();
    if (m_backgroundView)
        table->sendSubviewToBack(m_backgroundView);
    if (!m_collapsed && table->contentSize().height > table->bounds().size.height)
        table->setScrollEnabled(true);
}

long KVNContractPicker::numberOfSectionsInTableView(const std::shared_ptr<UITableView>&) { return 2; }

long KVNContractPicker::tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long section)
{
    // Without any contract there is nothing to show at the top either.
    if (section == 0)
        return m_selectedContract ? 1 : 0;
    return static_cast<long>(m_notSelectedContracts.size());
}

std::shared_ptr<UITableViewCell> KVNContractPicker::tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                    const NSIndexPath& indexPath)
{
    if (indexPath.section() == 0) {
        auto cell = std::static_pointer_cast<KVNContractPickerDetailCell>(
            tableView->dequeueReusableCellWithIdentifier_forIndexPath(kContractDetailCell, indexPath));
        cell->setContract(m_selectedContract);
        cell->setCollapsed(m_collapsed);
        cell->setEnabled(m_contracts.size() > 1);
        return cell;
    }
    auto cell = std::static_pointer_cast<KVNContractPickerCell>(tableView->dequeueReusableCellWithIdentifier_forIndexPath(kContractCell, indexPath));
    const auto row = static_cast<size_t>(indexPath.row());
    cell->setContract(row < m_notSelectedContracts.size() ? m_notSelectedContracts[row] : nullptr);
    return cell;
}

std::optional<CGFloat> KVNContractPicker::tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath)
{
    return indexPath.section() == 0 ? kSelectedRowHeight : kOtherRowHeight;
}

void KVNContractPicker::tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                    const std::shared_ptr<UITableViewCell>&, const NSIndexPath&)
{
    tableView->setSeparatorInset(UIEdgeInsetsZero);
}

void KVNContractPicker::tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath)
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = std::static_pointer_cast<KVNContractPicker>(shared_from_this());
    if (indexPath.section() == 1) {
        const auto row = static_cast<size_t>(indexPath.row());
        if (row >= m_notSelectedContracts.size())
            return;
        auto chosen = m_notSelectedContracts[row];
        setSelectedContract(chosen);
        setCollapsed_animated(true, true);
        if (auto delegate = m_delegate.lock())
            delegate->contractPicker_didSelectContract(self, chosen);
        return;
    }
    setCollapsed_animated(!m_collapsed, true);
    if (auto cell = std::dynamic_pointer_cast<KVNContractPickerDetailCell>(tableView->cellForRowAtIndexPath(indexPath)))
        cell->setCollapsed(m_collapsed);
}

void KVNContractPicker::setCollapsed_animated(bool collapsed, bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    m_collapsed = collapsed;
    if (!isViewLoaded())
        return;
    auto table = tableView();
    table->setScrollEnabled(false);
    table->reloadSections_withRowAnimation({0}, UITableViewRowAnimationNone);
    if (m_heightConstraint)
        m_heightConstraint->setOffset(expectedHeight());
    std::weak_ptr<UITableView> weakTable = table;
    auto toTop = [weakTable] {
        if (auto table = weakTable.lock()) {
            table->setContentOffset(CGPointZero);
            table->reloadData();
        }
    };
    UIView::animateWithDuration_delay_options_animations_completion(
        animated ? kCollapseDuration : 0, 0, collapsed ? UIViewAnimationOptionCurveEaseOut : UIViewAnimationOptionCurveEaseIn,
        [collapsed, toTop, weakTable] {
            if (auto table = weakTable.lock())
                table->superview() ? table->superview()->layoutIfNeeded() : table->layoutIfNeeded();
            if (collapsed)
                toTop();
        },
        nullptr);
    if (!collapsed)
        toTop();
}
