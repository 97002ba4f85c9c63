#include "Private/UIElements/KVNChatInputView.h"

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNChatTextField.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNChatInputView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setup();
}

void KVNChatInputView::setup()
{
    setBackgroundColor(KVNExtensions::colorWithRGBHex(0xC9C9CE));

    m_textField = std::make_shared<KVNChatTextField>();
    m_textField->init();
    m_textField->setReturnKeyType(UIReturnKeySend);
    m_textField->setEnablesReturnKeyAutomatically(true);
    auto weak = std::weak_ptr<KVNChatInputView>(std::static_pointer_cast<KVNChatInputView>(shared_from_this()));
    m_textField->addTarget_action_forControlEvents(
        shared_from_this(),
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto self = weak.lock())
                self->editingChanged(std::dynamic_pointer_cast<KVNChatTextField>(sender));
        },
        UIControlEventEditingChanged);
    addSubview(m_textField);

    m_sendButton = UIButton::buttonWithType(UIButtonTypeSystem);
    m_sendButton->setTitle_forState(KVNLocalizer::localizedStringForKey("CHAT_INPUT_SEND_BUTTON_TITLE"), UIControlStateNormal);
    m_sendButton->setTintColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    m_sendButton->setEnabled(false);
    addSubview(m_sendButton);

    auto self = std::static_pointer_cast<UIView>(shared_from_this());
    Layout::ConstraintMaker::make(m_textField, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self).offset(5);
        make.left().equalTo(self).offset(5);
        make.bottom().equalTo(self).offset(-5);
        make.height().equalTo(30);
    });
    Layout::ConstraintMaker::make(m_sendButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_textField->rightAnchor()).offset(10);
        make.centerY().equalTo(m_textField);
        make.right().equalTo(self).offset(-10);
        // The field takes all the room it is given: without a floor, a title that comes out
        // empty (no string table) left the button no size at all, and nothing could be sent.
        make.width().greaterThanOrEqualTo(44);
        make.height().greaterThanOrEqualTo(m_textField);
    });
}

void KVNChatInputView::editingChanged(const std::shared_ptr<KVNChatTextField>& textField)
{
    m_sendButton->setEnabled(textField && canSendText(textField->text()));
}

bool KVNChatInputView::canSendText(const std::optional<std::string>& text)
{
    if (!text)
        return false;
    return text->find_first_not_of(" \t\n\r\f\v") != std::string::npos;
}
