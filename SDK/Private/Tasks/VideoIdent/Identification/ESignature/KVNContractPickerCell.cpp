#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerCell.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNLabel.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "models/KVNContract.h"

void KVNContractPickerCell::initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    UITableViewCell::initWithStyle_reuseIdentifier(style, std::move(reuseIdentifier));
    setUp();
}

void KVNContractPickerCell::awakeFromNib() { setUp(); }

void KVNContractPickerCell::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    setSelectionStyle(UITableViewCellSelectionStyleNone);
    setBackgroundColor(UIColor::clearColor());
    contentView()->setBackgroundColor(UIColor::clearColor());

    m_contractNameLabel = std::make_shared<KVNLabel>();
    m_contractNameLabel->initWithFrame(CGRectZero);
    m_contractNameLabel->setFont(KVNExtensions::regularFontOfSize(16));
    m_contractNameLabel->setAdjustsFontSizeToFitWidth(true);
    m_contractNameLabel->setMinimumScaleFactor(0.8);
    addSubview(m_contractNameLabel);
    auto self = shared_from_this();
    Layout::ConstraintMaker::make(m_contractNameLabel, [&](Layout::ConstraintMaker& make) {
        make.centerY().equalTo(self);
        make.left().equalTo(self).offset(15);
        make.right().equalTo(self).offset(-15);
    });
}

void KVNContractPickerCell::setContract(const std::shared_ptr<KVNContract>& contract)
{
    m_contract = contract;
    m_contractNameLabel->setText(contract ? contract->name() : std::nullopt);
}
