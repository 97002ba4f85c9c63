#pragma once
// A one-line text entry field. This slice holds the text, which the phone check reads and
// rewrites, and draws it: the text in the field's font, colour and alignment, or while the
// text is empty the placeholder in grey (or as its attributed form says), one line centred
// vertically in the text rectangle, a text too long clipped and a placeholder cut with "…".
// Typing and editing events come with the screens that need them. As on the platform the
// text is never nil once read: a field starts empty, and setting nil empties it.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "UIKit/UIView.h"

class UIColor;
class UIFont;

class UITextField : public UIView {
public:
    UITextField();
    ~UITextField() override;

    const std::optional<std::string>& text() const { return m_text; }
    void setText(const std::optional<std::string>& text) { m_text = text.value_or(std::string()); }

    // Setting the plain placeholder replaces an attributed one, and the other way round.
    const std::optional<std::string>& placeholder() const { return m_placeholder; }
    void setPlaceholder(const std::optional<std::string>& placeholder);
    std::shared_ptr<NSAttributedString> attributedPlaceholder() const { return m_attributedPlaceholder; }
    void setAttributedPlaceholder(const std::shared_ptr<NSAttributedString>& placeholder);

    // The system font at 17 and black by default; nil sets the default again.
    std::shared_ptr<UIFont> font() const { return m_font; }
    void setFont(std::shared_ptr<UIFont> font);
    std::shared_ptr<UIColor> textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor> color);
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }

    // The rectangles the text and the placeholder are drawn in: the bounds, unless a
    // subclass insets them.
    virtual CGRect textRectForBounds(CGRect bounds) const { return bounds; }
    virtual CGRect editingRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }
    virtual CGRect placeholderRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }

    void drawRect(CGRect rect) override;

private:
    std::optional<std::string> m_text = std::string();
    std::optional<std::string> m_placeholder;
    std::shared_ptr<NSAttributedString> m_attributedPlaceholder;
    std::shared_ptr<UIFont> m_font;
    std::shared_ptr<UIColor> m_textColor;
    NSTextAlignment m_textAlignment = NSTextAlignmentNatural;
};
