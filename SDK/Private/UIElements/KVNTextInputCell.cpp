#include "Private/UIElements/KVNTextInputCell.h"

#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNTextField.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/NSLayoutYAxisAnchor.h"

namespace {

constexpr CGFloat kFieldHeight = 35;
constexpr CGFloat kFieldGap = 15;

} // namespace

void KVNTextInputCell::setup()
{
    KVNCheckCell::setup();
    titleContentVerticalSpaceConstraint()->uninstall();

    m_textField = std::make_shared<KVNTextField>();
    m_textField->init();
    m_textField->setFont(KVNExtensions::regularFontOfSize(15));
    contentView()->addSubview(m_textField);
    Layout::ConstraintMaker::make(m_textField, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(titleLabel());
        make.height().equalTo(kFieldHeight);
        make.top().equalTo(titleLabel()->bottomAnchor()).offset(kFieldGap);
        make.bottom().equalTo(contentLabel()->topAnchor()).offset(-kFieldGap);
    });
}

CGFloat KVNTextInputCell::expectedHeightWithTitle_content_cellWidth(const std::string& title, const std::string& content, CGFloat cellWidth)
{
    return KVNCheckCell::expectedHeightWithTitle_content_cellWidth(title, content, cellWidth) + kFieldHeight + kFieldGap;
}
