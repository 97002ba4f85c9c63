#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeInputView.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNTextField.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"

void KVNIdentCodeInputView::initWithTitle_textFieldPlaceholder_textFieldText_checkMarkVisible(const std::optional<std::string>& title,
                                                                                              const std::optional<std::string>& placeholder,
                                                                                              const std::optional<std::string>& text,
                                                                                              bool checkMarkVisible)
{
    KVN_ASSERT_MAIN_THREAD();
    initWithFrame(CGRectZero);
    auto self = std::static_pointer_cast<UIView>(shared_from_this());

    m_titleLabel = std::make_shared<KVNLabel>();
    m_titleLabel->init();
    m_titleLabel->setFont(KVNExtensions::regularFontOfSize(15));
    m_titleLabel->setText(title);

    auto field = std::make_shared<KVNTextField>();
    field->init();
    field->setFont(KVNExtensions::regularFontOfSize(15));
    field->setPlaceholder(placeholder);
    field->setText(text);
    m_textField = field;

    m_checkBoxButton = std::make_shared<KVNCheckBoxButton>();
    m_checkBoxButton->init();
    m_checkBoxButton->setUserInteractionEnabled(false);

    addSubview(m_checkBoxButton);
    addSubview(m_titleLabel);
    addSubview(m_textField);

    if (checkMarkVisible) {
        Layout::ConstraintMaker::make(m_checkBoxButton, [&](Layout::ConstraintMaker& make) {
            make.width().height().equalTo(22);
            make.left().equalTo(self).offset(20);
            make.centerY().equalTo(self);
        });
    } else {
        m_checkBoxButton->setHidden(true);
    }
    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self);
        if (checkMarkVisible)
            make.left().equalTo(m_checkBoxButton->rightAnchor()).offset(12);
        else
            make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
    });
    Layout::ConstraintMaker::make(m_textField, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.height().equalTo(35);
        make.top().equalTo(m_titleLabel->bottomAnchor()).offset(15);
        make.bottom().equalTo(self);
    });
}
