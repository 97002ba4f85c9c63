#include "UIKit/UITextField.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/EditBuffer.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UITouch.h"

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
    setBufferText(text.value_or(std::string()), "text field");
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

bool UITextField::canBecomeFirstResponder() const { return isEnabled(); }

std::shared_ptr<UITextField> UITextField::self() { return std::static_pointer_cast<UITextField>(shared_from_this()); }

bool UITextField::editingShouldBegin()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textFieldShouldBeginEditing(self());
}

void UITextField::editingDidBegin()
{
    sendActionsForControlEvents(UIControlEventEditingDidBegin);
    if (auto delegate = m_delegate.lock())
        delegate->textFieldDidBeginEditing(self());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidBeginEditingNotification, this);
}

bool UITextField::editingShouldEnd()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textFieldShouldEndEditing(self());
}

void UITextField::editingDidEnd()
{
    sendActionsForControlEvents(UIControlEventEditingDidEnd);
    if (auto delegate = m_delegate.lock())
        delegate->textFieldDidEndEditing(self());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidEndEditingNotification, this);
}

bool UITextField::editShouldReplace(NSRange range, const std::string& replacement)
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textField_shouldChangeCharactersInRange_replacementString(self(), range, replacement);
}

void UITextField::editDidReplace(NSRange, const std::string&)
{
    sendActionsForControlEvents(UIControlEventEditingChanged);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextFieldTextDidChangeNotification, this);
}

void UITextField::typed(const std::string& text)
{
    if (text == "\n" || text == "\r") {
        returnKey();
        return;
    }
    // A one-line field takes a pasted line break as a space, as the platform does.
    std::string line = text;
    for (auto& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    replace(selectedRange(), line);
}

void UITextField::returnKey()
{
    auto field = self();
    if (auto delegate = m_delegate.lock(); delegate && !delegate->textFieldShouldReturn(field))
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

std::string UITextField::displayedText() const
{
    if (!isSecureTextEntry())
        return bufferText();
    std::string bullets;
    for (size_t i = Text::EditBuffer::characterCount(bufferText()); i > 0; --i)
        bullets += "\u2022";
    return bullets;
}

void UITextField::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    bool empty = bufferText().empty();
    if (empty && !m_attributedPlaceholder)
        return;
    CGRect box = empty ? placeholderRectForBounds(bounds()) : (isEditing() ? editingRectForBounds(bounds()) : textRectForBounds(bounds()));
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
    const NSAttributedString shown = empty ? *m_attributedPlaceholder : NSAttributedString(displayedText());
    Text::TextLayout(shown, options).drawCentredVerticallyInRect(context, box);
}
