#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerDetailCell.h"

#include <numbers>

#include "CoreGraphics/CGAffineTransform.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNLabel.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "models/KVNContract.h"
#include "public/KavoniAppearance.h"

void KVNContractPickerDetailCell::setUp()
{
    KVNContractPickerCell::setUp();
    auto self = shared_from_this();
    auto appearance = KavoniAppearance::sharedAppearance();
    auto name = contractNameLabel();
    name->setFont(KVNExtensions::mediumFontOfSize(name->font()->pointSize()));
    name->setTextColor(appearance->headlineColor());
    name->removeFromSuperview();
    addSubview(name);
    Layout::ConstraintMaker::remake(name, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self).offset(8);
        make.left().equalTo(self).offset(15);
    });

    m_chevronImageView = std::make_shared<UIImageView>();
    auto chevron = KVNImageProvider::imageNamed("kvn-icon-chevron");
    m_chevronImageView->initWithImage(chevron ? chevron->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate) : nullptr);
    m_chevronImageView->setTintColor(appearance->headlineColor());
    addSubview(m_chevronImageView);
    Layout::ConstraintMaker::make(m_chevronImageView, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(self).offset(-15);
        make.centerY().equalTo(name);
        make.left().equalTo(name->rightAnchor()).offset(15);
    });
    m_chevronImageView->setContentCompressionResistancePriority_forAxis(UILayoutPriorityDefaultHigh, UILayoutConstraintAxis::Horizontal);
    m_chevronImageView->setContentHuggingPriority_forAxis(UILayoutPriorityDefaultHigh, UILayoutConstraintAxis::Horizontal);

    m_contractIDLabel = std::make_shared<UILabel>();
    m_contractIDLabel->initWithFrame(CGRectZero);
    m_contractIDLabel->setText(KVNLocalizer::localizedStringForKey("CONTRACT_ID_LABEL"));
    m_contractIDLabel->setFont(KVNExtensions::mediumFontOfSize(12));
    m_contractIDLabel->setTextColor(appearance->defaultTextColor()->colorWithAlphaComponent(0.5));
    addSubview(m_contractIDLabel);
    Layout::ConstraintMaker::make(m_contractIDLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(name);
        make.top().equalTo(name->bottomAnchor()).offset(8);
    });

    m_contractIDValueLabel = std::make_shared<KVNLabel>();
    m_contractIDValueLabel->initWithFrame(CGRectZero);
    m_contractIDValueLabel->setFont(KVNExtensions::regularFontOfSize(11));
    addSubview(m_contractIDValueLabel);
    Layout::ConstraintMaker::make(m_contractIDValueLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_contractIDLabel->rightAnchor()).offset(15);
        make.centerY().equalTo(m_contractIDLabel);
        make.right().equalTo(self).offset(-15);
    });
    m_contractIDValueLabel->setContentCompressionResistancePriority_forAxis(UILayoutPriorityDefaultHigh, UILayoutConstraintAxis::Horizontal);
    m_contractIDValueLabel->setContentHuggingPriority_forAxis(1, UILayoutConstraintAxis::Horizontal);

    m_collapsed = true;
}

void KVNContractPickerDetailCell::setContract(const std::shared_ptr<KVNContract>& contract)
{
    KVNContractPickerCell::setContract(contract);
    m_contractIDValueLabel->setText(contract && contract->displayHash() ? *contract->displayHash() : std::string("-"));
}

void KVNContractPickerDetailCell::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    m_chevronImageView->setTransform(collapsed ? CGAffineTransformIdentity : CGAffineTransformMakeRotation(std::numbers::pi));
}

void KVNContractPickerDetailCell::setEnabled(bool enabled)
{
    m_enabled = enabled;
    setUserInteractionEnabled(enabled);
    m_chevronImageView->setHidden(!enabled);
}
