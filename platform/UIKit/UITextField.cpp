#include "UIKit/UITextField.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/EditBuffer.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"

namespace {

constexpr CGFloat kDefaultFontSize = 17;

// The platform's placeholder grey.
std::shared_ptr<UIColor> placeholderColor()
{
    static const auto color = UIColor::colorWithWhite_alpha(0.7, 1);
    return color;
}

} // namespace

UITextField::UITextField() : m_font(UIFont::systemFontOfSize(kDefaultFontSize)), m_textColor(UIColor::blackColor()) {}

UITextField::~UITextField() = default;

void UITextField::setText(const std::optional<std::string>& text)
{
    KVN_ASSERT_MAIN_THREAD();
    std::string value = text.value_or(std::string());
    if (!Text::EditBuffer::isWellFormed(value)) {
        UIKitLog("text field: text that is not well-formed UTF-8 was refused");
        return;
    }
    m_text = std::move(value);
    m_selection = NSMakeRange(m_text->size(), 0);
    setNeedsDisplay();
}

void UITextField::setPlaceholder(const std::optional<std::string>& placeholder)
{
    m_placeholder = placeholder;
    m_attributedPlaceholder = placeholder ? std::make_shared<NSAttributedString>(*placeholder) : nullptr;
}

void UITextField::setAttributedPlaceholder(const std::shared_ptr<NSAttributedString>& placeholder)
{
    m_attributedPlaceholder = placeholder;
    m_placeholder = placeholder ? std::optional<std::string>(placeholder->string()) : std::nullopt;
}

void UITextField::setFont(std::shared_ptr<UIFont> font) { m_font = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize); }

void UITextField::setTextColor(std::shared_ptr<UIColor> color) { m_textColor = color ? std::move(color) : UIColor::blackColor(); }

void UITextField::setSelectedRange(NSRange range)
{
    Text::EditBuffer buffer;
    buffer.setText(*m_text);
    buffer.setSelection(range);
    m_selection = buffer.selection();
}

bool UITextField::canBecomeFirstResponder() const { return isEnabled(); }

bool UITextField::becomeFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    if (isFirstResponder())
        return true;
    auto self = std::static_pointer_cast<UITextField>(shared_from_this());
    if (!canBecomeFirstResponder() || !window())
        return false;
    auto delegate = m_delegate.lock();
    if (delegate && !delegate->textFieldShouldBeginEditing(self))
        return false;
    // The keyboard is judged once the field has begun editing, as observers expect.
    kvn::SoftwareKeyboard::ResponderChange change;
    if (!UIControl::becomeFirstResponder())
        return false;
    m_editing = true;
    m_selection = NSMakeRange(m_text->size(), 0);
    sendActionsForControlEvents(UIControlEventEditingDidBegin);
    if ((delegate = m_delegate.lock()))
        delegate->textFieldDidBeginEditing(self);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidBeginEditingNotification, this);
    return true;
}

bool UITextField::resignFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!isFirstResponder())
        return UIControl::resignFirstResponder();
    auto self = std::static_pointer_cast<UITextField>(shared_from_this());
    auto window = this->window();
    bool forced = window && window->isForcingResign();
    auto delegate = m_delegate.lock();
    if (!forced && delegate && !delegate->textFieldShouldEndEditing(self))
        return false;
    kvn::SoftwareKeyboard::ResponderChange change;
    if (!UIControl::resignFirstResponder())
        return false;
    m_editing = false;
    sendActionsForControlEvents(UIControlEventEditingDidEnd);
    if ((delegate = m_delegate.lock()))
        delegate->textFieldDidEndEditing(self);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidEndEditingNotification, this);
    return true;
}

bool UITextField::hasText() const { return !m_text->empty(); }

void UITextField::insertText(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_editing)
        return;
    if (text == "\n" || text == "\r") {
        returnKey();
        return;
    }
    if (!Text::EditBuffer::isWellFormed(text)) {
        UIKitLog("text field: typed text that is not well-formed UTF-8 was refused");
        return;
    }
    // A one-line field takes a pasted line break as a space, as the platform does.
    std::string line = text;
    for (auto& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    replace(m_selection, line);
}

void UITextField::deleteBackward()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_editing)
        return;
    Text::EditBuffer buffer;
    buffer.setText(*m_text);
    buffer.setSelection(m_selection);
    NSRange range = buffer.rangeForDeleteBackward();
    if (range.length > 0)
        replace(range, std::string());
}

bool UITextField::replace(NSRange range, const std::string& replacement)
{
    auto self = std::static_pointer_cast<UITextField>(shared_from_this());
    if (auto delegate = m_delegate.lock();
        delegate && !delegate->textField_shouldChangeCharactersInRange_replacementString(self, range, replacement))
        return false;
    Text::EditBuffer buffer;
    buffer.setText(*m_text);
    buffer.replace(range, replacement);
    m_text = buffer.text();
    m_selection = buffer.selection();
    setNeedsDisplay();
    sendActionsForControlEvents(UIControlEventEditingChanged);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidChangeNotification, this);
    return true;
}

void UITextField::returnKey()
{
    auto self = std::static_pointer_cast<UITextField>(shared_from_this());
    if (auto delegate = m_delegate.lock(); delegate && !delegate->textFieldShouldReturn(self))
        return;
    bool resigns = allControlEvents() & UIControlEventEditingDidEndOnExit;
    sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
    if (resigns)
        resignFirstResponder();
}

void UITextField::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto self = shared_from_this();
    bool inside = !touches.empty() && CGRectContainsPoint(bounds(), (*touches.begin())->locationInView(self));
    bool enabled = isEnabled();
    UIControl::touchesEnded_withEvent(touches, event);
    if (inside && enabled)
        becomeFirstResponder();
}

std::string UITextField::shownText() const
{
    if (!isSecureTextEntry())
        return *m_text;
    std::string bullets;
    for (size_t i = Text::EditBuffer::characterCount(*m_text); i > 0; --i)
        bullets += "\u2022";
    return bullets;
}

void UITextField::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    bool empty = !m_text || m_text->empty();
    if (empty && !m_attributedPlaceholder)
        return;
    CGRect box = empty ? placeholderRectForBounds(bounds()) : (m_editing ? editingRectForBounds(bounds()) : textRectForBounds(bounds()));
    if (!(box.size.width > 0 && box.size.height > 0))
        return;
    Text::LayoutOptions options;
    options.width = box.size.width;
    options.wrapping = Text::Wrapping::None;
    options.truncation = empty ? Text::Truncation::Tail : Text::Truncation::None;
    options.defaultFont = m_font;
    options.defaultColor = empty ? placeholderColor() : m_textColor;
    options.alignment = m_textAlignment;
    // One line: a line break in the text does not start another.
    options.maximumNumberOfLines = 1;
    const NSAttributedString shown = empty ? *m_attributedPlaceholder : NSAttributedString(shownText());
    Text::TextLayout(shown, options).drawCentredVerticallyInRect(context, box);
}
