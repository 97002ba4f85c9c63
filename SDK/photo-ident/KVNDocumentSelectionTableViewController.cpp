#include "photo-ident/KVNDocumentSelectionTableViewController.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNDocumentSelectionCell.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNDocumentSelectionTableViewControllerDelegate.h"

void KVNDocumentSelectionTableViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UITableViewController::viewDidLoad();
    if (auto session = KVNIdentification::sharedIdentification()->photoIdentification())
        m_selectedCountry = session->selectedCountry();
    auto table = tableView();
    table->setBackgroundColor(UIColor::whiteColor());
    auto footer = std::make_shared<UIView>();
    footer->initWithFrame(CGRectZero);
    table->setTableFooterView(footer);
    table->registerClass_forCellReuseIdentifier<KVNDocumentSelectionCell>(kCellIdentifier);
    setupTableHeaderView();
}

void KVNDocumentSelectionTableViewController::setupTableHeaderView()
{
    CGRect frame = view()->frame();
    m_tableHeaderView = std::make_shared<UIView>();
    m_tableHeaderView->initWithFrame(frame);
    tableView()->setTableHeaderView(m_tableHeaderView);

    m_countryFlagImage = std::make_shared<UIImageView>();
    m_countryFlagImage->initWithImage(m_selectedCountry ? m_selectedCountry->countryImage() : nullptr);
    m_tableHeaderView->addSubview(m_countryFlagImage);
    Layout::ConstraintMaker::make(m_countryFlagImage, [&](Layout::ConstraintMaker& make) {
        make.width().height().equalTo(50);
        make.left().top().equalTo(m_tableHeaderView).offset(20);
    });

    m_documentHeaderLabel = std::make_shared<KVNMediumLabel>();
    m_documentHeaderLabel->initWithFrame(CGRectZero);
    m_documentHeaderLabel->setFontSize(16);
    m_documentHeaderLabel->setNumberOfLines(0);
    m_documentHeaderLabel->setText(KVNLocalizer::localizedStringForKey("DOCUMENT_SELECTION_TITLE"));
    m_tableHeaderView->addSubview(m_documentHeaderLabel);
    Layout::ConstraintMaker::make(m_documentHeaderLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_countryFlagImage->rightAnchor()).offset(12);
        make.right().equalTo(m_tableHeaderView).offset(-20);
        make.top().equalTo(m_countryFlagImage);
    });

    m_chooseDokumentsLabel = std::make_shared<KVNLabel>();
    m_chooseDokumentsLabel->initWithFrame(CGRectZero);
    m_chooseDokumentsLabel->setFont(KVNExtensions::regularFontOfSize(14));
    m_chooseDokumentsLabel->setNumberOfLines(0);
    m_chooseDokumentsLabel->setText(KVNLocalizer::localizedStringForKey("DOCUMENT_SELECTION_COMMENT"));
    m_tableHeaderView->addSubview(m_chooseDokumentsLabel);
    Layout::ConstraintMaker::make(m_chooseDokumentsLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_documentHeaderLabel);
        make.top().equalTo(m_documentHeaderLabel->bottomAnchor()).offset(10);
    });

    // The table takes its header's frame as given, so the height is measured, not laid out.
    CGFloat width = frame.size.width - 20 - 50 - 12 - 20;
    CGFloat height = kvn::textHeight(m_documentHeaderLabel->text().value_or(""), KVNExtensions::mediumFontOfSize(16), width) + 20 + 10
                     + kvn::textHeight(m_chooseDokumentsLabel->text().value_or(""), KVNExtensions::regularFontOfSize(14), width) + 20;
    m_tableHeaderView->setFrame(CGRectMake(frame.origin.x, frame.origin.y, frame.size.width, height));
    tableView()->setTableHeaderView(m_tableHeaderView);
}

long KVNDocumentSelectionTableViewController::tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long)
{
    return m_selectedCountry ? static_cast<long>(m_selectedCountry->documents().size()) : 0;
}

std::shared_ptr<UITableViewCell> KVNDocumentSelectionTableViewController::tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                                          const NSIndexPath& indexPath)
{
    auto cell = tableView->dequeueReusableCellWithIdentifier_forIndexPath(kCellIdentifier, indexPath);
    if (auto documentCell = std::dynamic_pointer_cast<KVNDocumentSelectionCell>(cell))
        documentCell->updateWithDocument(m_selectedCountry->documents().at(static_cast<size_t>(indexPath.row())));
    return cell;
}

std::optional<CGFloat> KVNDocumentSelectionTableViewController::tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                                  const NSIndexPath& indexPath)
{
    auto& document = m_selectedCountry->documents().at(static_cast<size_t>(indexPath.row()));
    return KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth(
        document->localizedTitle(), document->localizedSubtitle().value_or(""), UITableViewCellAccessoryDisclosureIndicator,
        tableView->bounds().size.width);
}

void KVNDocumentSelectionTableViewController::tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>&, const NSIndexPath& indexPath)
{
    if (!m_selectedCountry || indexPath.row() < 0 || indexPath.row() >= static_cast<long>(m_selectedCountry->documents().size()))
        return;
    if (auto session = KVNIdentification::sharedIdentification()->photoIdentification())
        session->setSelectedDocument(m_selectedCountry->documents()[static_cast<size_t>(indexPath.row())]);
    if (auto target = delegate())
        target->documentSelectionTableViewControllerSelectedDocument(
            std::static_pointer_cast<KVNDocumentSelectionTableViewController>(shared_from_this()));
}
