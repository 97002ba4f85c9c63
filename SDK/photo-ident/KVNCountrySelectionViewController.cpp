#include "photo-ident/KVNCountrySelectionViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLocale.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
#include "Private/Helper/KVNPushFromTop.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIPickerView.h"
#include "UIKit/UIToolbar.h"
#include "models/KVNCountry.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNDocumentSelectionViewController.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"

#include <algorithm>
#include <cmath>

namespace {

std::shared_ptr<KVNPhotoIdentification> photoSession()
{
    return KVNIdentification::sharedIdentification()->photoIdentification();
}

} // namespace

void KVNCountrySelectionViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::whiteColor());
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_COUNTRY"));
    setupViews();

    auto session = photoSession();
    m_sortedCountries = session ? session->availableCountries() : std::vector<std::shared_ptr<KVNCountry>>{};
    // Plain character order, not a locale's collation.
    std::stable_sort(m_sortedCountries.begin(), m_sortedCountries.end(),
                     [](const auto& a, const auto& b) { return a->localeDisplayName() < b->localeDisplayName(); });
    m_countryPicker->reloadAllComponents();

    long row = 0;
    std::shared_ptr<KVNCountry> preselected;
    if (auto code = NSLocale::currentLocale()->countryCode()) {
        for (size_t i = 0; i < m_sortedCountries.size(); ++i) {
            if (m_sortedCountries[i]->locale() == *code) {
                preselected = m_sortedCountries[i];
                row = static_cast<long>(i) + 1;
                break;
            }
        }
    }
    setSelectedCountry(preselected);
    m_countryPicker->selectRow_inComponent_animated(row, 0, false);

    auto navigation = navigationController();
    if (navigation && !navigation->viewControllers().empty() && navigation->viewControllers().front().get() == this) {
        auto weak = std::weak_ptr<KVNCountrySelectionViewController>(
            std::static_pointer_cast<KVNCountrySelectionViewController>(shared_from_this()));
        m_cancelButton = std::make_shared<UIBarButtonItem>();
        m_cancelButton->initWithBarButtonSystemItem_target_action(
            UIBarButtonSystemItem::Cancel, nullptr,
            kvn::bindToMainQueue(weak, [](KVNCountrySelectionViewController& self, const std::shared_ptr<UIBarButtonItem>&) { self.cancel(); }));
        navigationItem()->setRightBarButtonItem(m_cancelButton);
    }
}

void KVNCountrySelectionViewController::setupViews()
{
    auto self = view();
    auto brand = KavoniAppearance::sharedAppearance()->primaryBrandColor();
    auto weak = std::weak_ptr<KVNCountrySelectionViewController>(std::static_pointer_cast<KVNCountrySelectionViewController>(shared_from_this()));

    auto headline = std::make_shared<KVNMediumLabel>();
    headline->initWithFrame(CGRectZero);
    headline->setFontSize(16);
    headline->setText(KVNLocalizer::localizedStringForKey("COUNTRY_SELECTION_TITLE"));
    self->addSubview(headline);
    Layout::ConstraintMaker::make(headline, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        make.top().equalTo(topLayoutGuide()->bottomAnchor()).offset(20).priorityLow();
    });

    m_nextButton = std::make_shared<KVNRoundedButton>();
    m_nextButton->initWithFrame(CGRectZero);
    m_nextButton->setTitle_forState(KVNLocalizer::localizedStringForKey("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"), UIControlStateNormal);
    m_nextButton->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNCountrySelectionViewController& self, const std::shared_ptr<UIControl>&) { self.moveOn(); }),
        UIControlEventTouchUpInside);
    self->addSubview(m_nextButton);
    Layout::ConstraintMaker::make(m_nextButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(headline);
        make.bottom().equalTo(self).offset(-18);
    });

    auto help = std::make_shared<KVNLabel>();
    help->initWithFrame(CGRectZero);
    help->setFont(KVNExtensions::regularFontOfSize(14));
    help->setNumberOfLines(0);
    help->setText(KVNLocalizer::localizedStringForKey("COUNTRY_SELECTION_HELP_TEXT"));
    self->addSubview(help);
    Layout::ConstraintMaker::make(help, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(headline);
        make.top().equalTo(headline->bottomAnchor()).offset(10);
    });

    auto row = UIButton::buttonWithType(UIButtonTypeCustom);
    row->addTarget_action_forControlEvents(
        nullptr,
        kvn::bindToMainQueue(weak, [](KVNCountrySelectionViewController& self, const std::shared_ptr<UIControl>&) { self.countryButtonPressed(); }),
        UIControlEventTouchUpInside);
    self->addSubview(row);
    Layout::ConstraintMaker::make(row, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(headline);
        make.top().equalTo(help->bottomAnchor()).offset(28);
    });

    m_countryImageView = std::make_shared<UIImageView>();
    m_countryImageView->initWithFrame(CGRectZero);
    row->addSubview(m_countryImageView);
    Layout::ConstraintMaker::make(m_countryImageView, [&](Layout::ConstraintMaker& make) {
        make.width().height().equalTo(50);
        make.left().top().bottom().equalTo(row);
    });

    auto underline = std::make_shared<UIView>();
    underline->initWithFrame(CGRectZero);
    underline->setBackgroundColor(brand);
    underline->setUserInteractionEnabled(false);
    row->addSubview(underline);
    Layout::ConstraintMaker::make(underline, [&](Layout::ConstraintMaker& make) {
        make.height().equalTo(1);
        make.right().equalTo(row);
        make.left().equalTo(m_countryImageView->rightAnchor()).offset(12);
        make.bottom().equalTo(m_countryImageView->bottomAnchor()).offset(-14);
    });

    m_countryFoldImageView = std::make_shared<UIImageView>();
    m_countryFoldImageView->initWithImage(KVNImageProvider::imageNamed("kvn-icon-chevron")
                                              ? KVNImageProvider::imageNamed("kvn-icon-chevron")->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate)
                                              : nullptr);
    m_countryFoldImageView->setTintColor(brand);
    row->addSubview(m_countryFoldImageView);
    Layout::ConstraintMaker::make(m_countryFoldImageView, [&](Layout::ConstraintMaker& make) {
        make.width().equalTo(20);
        make.height().equalTo(12);
        make.right().equalTo(underline->rightAnchor()).offset(-4);
        make.bottom().equalTo(underline->topAnchor()).offset(-7);
    });

    m_countryLabel = std::make_shared<KVNLabel>();
    m_countryLabel->initWithFrame(CGRectZero);
    m_countryLabel->setFont(KVNExtensions::regularFontOfSize(15));
    row->addSubview(m_countryLabel);
    Layout::ConstraintMaker::make(m_countryLabel, [&](Layout::ConstraintMaker& make) {
        make.bottom().equalTo(m_countryFoldImageView->bottomAnchor());
        make.left().equalTo(underline->leftAnchor()).offset(11);
        make.right().equalTo(m_countryFoldImageView->leftAnchor()).offset(-15);
    });

    auto panel = std::make_shared<UIView>();
    panel->initWithFrame(CGRectZero);
    self->addSubview(panel);
    Layout::ConstraintMaker::make(panel, [&](Layout::ConstraintMaker& make) {
        make.top().greaterThanOrEqualTo(row->bottomAnchor()).offset(20);
        make.left().right().equalTo(self);
        m_pickerViewBottomConstraint = make.bottom().equalTo(self).offset(kPickerPanelHiddenOffset).kept();
    });

    auto blur = std::make_shared<KVNBlurredView>();
    blur->initWithFrame(CGRectZero);
    panel->addSubview(blur);
    Layout::ConstraintMaker::make(blur, [&](Layout::ConstraintMaker& make) { make.left().right().bottom().equalTo(panel); });

    m_countryPicker = std::make_shared<UIPickerView>();
    m_countryPicker->initWithFrame(CGRectZero);
    auto self_ = std::static_pointer_cast<KVNCountrySelectionViewController>(shared_from_this());
    m_countryPicker->setDataSource(std::static_pointer_cast<UIPickerViewDataSource>(self_));
    m_countryPicker->setDelegate(std::static_pointer_cast<UIPickerViewDelegate>(self_));
    blur->contentView()->addSubview(m_countryPicker);
    Layout::ConstraintMaker::make(m_countryPicker, [&](Layout::ConstraintMaker& make) {
        make.edges().equalTo(blur->contentView());
        make.height().equalTo(220);
    });

    auto toolbar = std::make_shared<UIToolbar>();
    toolbar->initWithFrame(CGRectZero);
    auto space = std::make_shared<UIBarButtonItem>();
    space->initWithBarButtonSystemItem_target_action(UIBarButtonSystemItem::FlexibleSpace, nullptr, nullptr);
    auto done = std::make_shared<UIBarButtonItem>();
    done->initWithBarButtonSystemItem_target_action(
        UIBarButtonSystemItem::Done, nullptr,
        kvn::bindToMainQueue(weak, [](KVNCountrySelectionViewController& self, const std::shared_ptr<UIBarButtonItem>&) { self.doneButtonPressed(); }));
    done->setTitleColor(brand);
    toolbar->setItems({ space, done });
    panel->addSubview(toolbar);
    Layout::ConstraintMaker::make(toolbar, [&](Layout::ConstraintMaker& make) {
        make.top().left().right().equalTo(panel);
        make.bottom().equalTo(blur->topAnchor());
    });
}

void KVNCountrySelectionViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    KVNExtensions::adjustStatusBarStyleAnimated(shared_from_this(), true);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden_animated(false, true);
}

void KVNCountrySelectionViewController::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    auto navigation = navigationController();
    if (navigation) {
        auto stack = navigation->viewControllers();
        if (std::any_of(stack.begin(), stack.end(), [this](const auto& vc) { return vc.get() == this; }))
            return;
    }
    auto controller = KavoniController::currentKavoniController();
    if (controller && !controller->shouldBlockUserCancellation())
        controller->identificationCanceledByUser();
}

void KVNCountrySelectionViewController::setSelectedCountry(std::shared_ptr<KVNCountry> country)
{
    m_selectedCountry = std::move(country);
    if (auto session = photoSession())
        session->setSelectedCountry(m_selectedCountry);
    if (m_selectedCountry) {
        m_countryLabel->setText(m_selectedCountry->localeDisplayName());
        m_countryImageView->setImage(m_selectedCountry->countryImage());
    } else {
        m_countryLabel->setText(KVNLocalizer::localizedStringForKey("COUNTRY_SELECTION_COMMENT"));
        m_countryImageView->setImage(KVNImageProvider::imageNamed("kvn-flag-placeholder"));
    }
    m_nextButton->setEnabled_animated(m_selectedCountry != nullptr, false);
}

void KVNCountrySelectionViewController::moveOn()
{
    if (!KVNExtensions::isTopOfStack(shared_from_this()))
        return;
    auto next = std::make_shared<KVNDocumentSelectionViewController>();
    next->init();
    KVNExtensions::pushFromTop(shared_from_this(), next, true);
}

void KVNCountrySelectionViewController::setPickerPanelShown(bool shown)
{
    m_pickerViewBottomConstraint->setOffset(shown ? 0 : kPickerPanelHiddenOffset);
    m_countryFoldImageView->setTransform(shown ? CGAffineTransformMakeRotation(M_PI) : CGAffineTransformIdentity);
    auto self = view();
    UIView::animateWithDuration_animations(0.3, [self] { self->layoutIfNeeded(); });
}

void KVNCountrySelectionViewController::countryButtonPressed()
{
    setPickerPanelShown(true);
}

void KVNCountrySelectionViewController::doneButtonPressed()
{
    setPickerPanelShown(false);
}

void KVNCountrySelectionViewController::cancel()
{
    if (auto presenting = presentingViewController())
        presenting->dismissViewControllerAnimated_completion(true, nullptr);
    if (auto controller = KavoniController::currentKavoniController())
        controller->identificationCanceledByUser();
}

long KVNCountrySelectionViewController::pickerView_numberOfRowsInComponent(const std::shared_ptr<UIPickerView>&, long)
{
    return static_cast<long>(m_sortedCountries.size()) + 1;
}

std::optional<std::string> KVNCountrySelectionViewController::pickerView_titleForRow_forComponent(const std::shared_ptr<UIPickerView>&,
                                                                                                 long row, long)
{
    if (row <= 0 || row > static_cast<long>(m_sortedCountries.size()))
        return std::string();
    return m_sortedCountries[static_cast<size_t>(row - 1)]->localeDisplayName();
}

void KVNCountrySelectionViewController::pickerView_didSelectRow_inComponent(const std::shared_ptr<UIPickerView>&, long row, long)
{
    if (row <= 0 || row > static_cast<long>(m_sortedCountries.size()))
        setSelectedCountry(nullptr);
    else
        setSelectedCountry(m_sortedCountries[static_cast<size_t>(row - 1)]);
}
