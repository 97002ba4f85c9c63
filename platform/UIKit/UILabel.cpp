#include "UIKit/UILabel.h"

#include <any>
#include <cmath>

#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"

namespace {

constexpr CGFloat kDefaultFontSize = 17;

bool hasParagraphStyle(const NSAttributedString& text)
{
    return !text.runs().empty() && text.runs().front().attributes.count(NSParagraphStyleAttributeName);
}

// The attribute's value when it is set and of the expected type.
template<typename T>
const T* attributeOf(const NSDictionary& attributes, const std::string& name)
{
    auto it = attributes.find(name);
    if (it == attributes.end())
        return nullptr;
    auto value = std::any_cast<T>(&it->second);
    return value && *value ? value : nullptr;
}

// Rounds up, forgiving the last bits of floating-point noise (19.000000001 is 19).
CGFloat roundedUp(CGFloat value) { return std::ceil(value - 1e-9); }

} // namespace

UILabel::UILabel() : m_font(UIFont::systemFontOfSize(kDefaultFontSize)), m_textColor(UIColor::blackColor())
{
    // Text lets touches through to what lies under it, as on the platform.
    setUserInteractionEnabled(false);
}

UILabel::~UILabel() = default;

std::optional<std::string> UILabel::text() const
{
    if (!m_attributedText)
        return std::nullopt;
    return m_attributedText->string();
}

void UILabel::setText(const std::optional<std::string>& text)
{
    m_plain = true;
    m_attributedText = text ? std::make_shared<NSAttributedString>(*text) : nullptr;
    setNeedsDisplay();
    invalidateIntrinsicContentSize();
}

std::shared_ptr<NSAttributedString> UILabel::attributedText() const
{
    if (!m_attributedText)
        return nullptr;
    if (!m_plain)
        return m_attributedText;
    return std::make_shared<NSAttributedString>(shownText());
}

void UILabel::setAttributedText(const std::shared_ptr<NSAttributedString>& text)
{
    m_plain = false;
    m_attributedText = text;
    // The label's style follows what the text says at its start, so a later setText (or a
    // size asked of the label's font) shows the text as it was given.
    if (text && text->length() > 0) {
        auto attributes = text->attributesAtIndex_effectiveRange(0);
        if (auto font = attributeOf<std::shared_ptr<UIFont>>(attributes, NSFontAttributeName))
            m_font = *font;
        if (auto color = attributeOf<std::shared_ptr<UIColor>>(attributes, NSForegroundColorAttributeName))
            m_textColor = *color;
        if (auto style = attributeOf<std::shared_ptr<NSParagraphStyle>>(attributes, NSParagraphStyleAttributeName))
            m_textAlignment = (*style)->alignment();
    }
    setNeedsDisplay();
    invalidateIntrinsicContentSize();
}

void UILabel::setFont(std::shared_ptr<UIFont> font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
    setNeedsDisplay();
    invalidateIntrinsicContentSize();
}

void UILabel::setTextColor(std::shared_ptr<UIColor> color)
{
    m_textColor = color ? std::move(color) : UIColor::blackColor();
    setNeedsDisplay();
}

void UILabel::setTextAlignment(NSTextAlignment alignment)
{
    m_textAlignment = alignment;
    setNeedsDisplay();
}

void UILabel::setMinimumScaleFactor(CGFloat factor)
{
    m_minimumScaleFactor = std::isfinite(factor) ? std::clamp(factor, 0.0, 1.0) : 0;
}

NSAttributedString UILabel::shownText() const
{
    if (!m_attributedText)
        return NSAttributedString();
    if (!m_plain)
        return *m_attributedText;
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setAlignment(m_textAlignment);
    style->setLineBreakMode(m_lineBreakMode);
    return NSAttributedString(m_attributedText->string(), {{NSFontAttributeName, m_font},
                                                           {NSForegroundColorAttributeName, m_textColor},
                                                           {NSParagraphStyleAttributeName, std::shared_ptr<NSParagraphStyle>(style)}});
}

Text::LayoutOptions UILabel::layoutOptions(CGSize box, bool shrink) const
{
    Text::LayoutOptions options;
    options.width = box.width;
    options.height = box.height;
    options.maximumNumberOfLines = m_numberOfLines;
    options.defaultFont = m_font;
    options.defaultColor = m_textColor;
    if (m_plain || (m_attributedText && !hasParagraphStyle(*m_attributedText)))
        options.alignment = m_textAlignment;
    if (m_lineBreakMode == NSLineBreakByCharWrapping)
        options.wrapping = Text::Wrapping::Character;
    // A one-line label that clips cuts at the edge; more lines wrap at words.
    if (m_lineBreakMode == NSLineBreakByClipping && m_numberOfLines == 1)
        options.wrapping = Text::Wrapping::None;
    options.truncation = Text::truncationFor(m_lineBreakMode);
    if (shrink && m_adjustsFontSizeToFitWidth && m_minimumScaleFactor > 0)
        options.minimumScaleFactor = m_minimumScaleFactor;
    return options;
}

CGSize UILabel::sizeThatFits(CGSize size) const
{
    if (!m_attributedText || m_attributedText->string().empty())
        return CGSizeZero;
    CGSize box = CGSizeMake(m_numberOfLines == 1 ? Text::Unbounded : size.width, Text::Unbounded);
    Text::TextLayout layout(shownText(), layoutOptions(box, false));
    CGRect used = layout.usedRect();
    return CGSizeMake(roundedUp(used.size.width), roundedUp(used.size.height));
}

void UILabel::sizeToFit()
{
    CGRect frame = this->frame();
    frame.size = sizeThatFits(bounds().size);
    setFrame(frame);
}

void UILabel::setBounds(CGRect bounds)
{
    const bool widthChanged = bounds.size.width != this->bounds().size.width;
    UIView::setBounds(bounds);
    if (widthChanged && m_numberOfLines != 1 && !(m_preferredMaxLayoutWidth > 0))
        invalidateIntrinsicContentSize();
}

CGSize UILabel::intrinsicContentSize() const
{
    CGFloat width = m_preferredMaxLayoutWidth > 0 ? m_preferredMaxLayoutWidth : bounds().size.width;
    return sizeThatFits(CGSizeMake(width, Text::Unbounded));
}

CGRect UILabel::textRectForBounds_limitedToNumberOfLines(CGRect bounds, long numberOfLines) const
{
    if (!m_attributedText || m_attributedText->string().empty())
        return CGRectMake(bounds.origin.x, bounds.origin.y, 0, 0);
    auto options = layoutOptions(bounds.size, true);
    options.maximumNumberOfLines = numberOfLines;
    Text::TextLayout layout(shownText(), options);
    CGRect used = layout.usedRect();
    return CGRectMake(bounds.origin.x, bounds.origin.y, std::min(roundedUp(used.size.width), std::max(0.0, bounds.size.width)),
                      std::min(roundedUp(used.size.height), std::max(0.0, bounds.size.height)));
}

void UILabel::drawTextInRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context || !m_attributedText || m_attributedText->string().empty() || !(rect.size.width > 0 && rect.size.height > 0))
        return;
    Text::TextLayout(shownText(), layoutOptions(rect.size, true)).drawCentredVerticallyInRect(context, rect);
}

void UILabel::drawRect(CGRect rect)
{
    drawTextInRect(bounds());
}

std::optional<std::string> UILabel::accessibilityLabel() const
{
    if (auto own = UIView::accessibilityLabel())
        return own;
    return text();
}
