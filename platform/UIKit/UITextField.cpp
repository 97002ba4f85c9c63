#include "UIKit/UITextField.h"

#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"

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

void UITextField::setFont(std::shared_ptr<UIFont> font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
}

void UITextField::setTextColor(std::shared_ptr<UIColor> color)
{
    m_textColor = color ? std::move(color) : UIColor::blackColor();
}

void UITextField::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    bool empty = !m_text || m_text->empty();
    if (empty && !m_attributedPlaceholder)
        return;
    CGRect box = empty ? placeholderRectForBounds(bounds()) : textRectForBounds(bounds());
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
    const NSAttributedString shown = empty ? *m_attributedPlaceholder : NSAttributedString(*m_text);
    Text::TextLayout(shown, options).drawCentredVerticallyInRect(context, box);
}
