#pragma once
// A view that shows read-only text: plain text in one font and colour, or attributed text
// whose runs without a font or colour take the label's. It wraps to as many lines as
// numberOfLines allows (0: any number) and as its height holds, cuts the last line shown
// as lineBreakMode says, and may shrink the text down to minimumScaleFactor when
// adjustsFontSizeToFitWidth is on. The text block is drawn centred vertically in the
// bounds, as on the platform. Sizes it reports (sizeThatFits, intrinsicContentSize) are the
// measured text rounded up to whole points. A label takes no touches unless told to (user
// interaction is off by default), so a tap on text reaches what lies under it.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "UIKit/UIView.h"

class UIColor;
class UIFont;

namespace Text {
struct LayoutOptions;
}

class UILabel : public UIView {
public:
    UILabel();
    ~UILabel() override;

    // nil when the label has no text. Setting it replaces any attributed text.
    std::optional<std::string> text() const;
    void setText(const std::optional<std::string>& text);
    // The text with its attributes as the label shows it; null when there is no text.
    std::shared_ptr<NSAttributedString> attributedText() const;
    void setAttributedText(const std::shared_ptr<NSAttributedString>& text);

    // The system font at 17 by default; nil sets that again.
    std::shared_ptr<UIFont> font() const { return m_font; }
    void setFont(std::shared_ptr<UIFont> font);
    // Black by default; nil sets that again.
    std::shared_ptr<UIColor> textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor> color);
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment);
    // 1 by default; 0 means any number. Negative values count as 0.
    long numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(long lines) { m_numberOfLines = lines < 0 ? 0 : lines; }
    // Tail truncation by default.
    NSLineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(NSLineBreakMode mode) { m_lineBreakMode = mode; }
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool adjusts) { m_adjustsFontSizeToFitWidth = adjusts; }
    // 0..1; 0 (the default) does not shrink.
    CGFloat minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(CGFloat factor);
    // The width a multi-line label wraps at for its intrinsic size; 0: its bounds' width.
    CGFloat preferredMaxLayoutWidth() const { return m_preferredMaxLayoutWidth; }
    void setPreferredMaxLayoutWidth(CGFloat width) { m_preferredMaxLayoutWidth = width; }

    // The text's size when it wraps at size.width (a one-line label does not wrap), at full
    // font size, rounded up. A width of 0 or less does not limit. No text: zero.
    virtual CGSize sizeThatFits(CGSize size) const;
    // Keeps the origin, takes sizeThatFits(bounds size).
    void sizeToFit();
    virtual CGSize intrinsicContentSize() const;

    // Where the text goes inside `bounds` when at most `numberOfLines` lines (0: any) show:
    // at the bounds' origin, as large as the text, no larger than the bounds.
    virtual CGRect textRectForBounds_limitedToNumberOfLines(CGRect bounds, long numberOfLines) const;
    // Draws the text centred vertically in `rect`.
    virtual void drawTextInRect(CGRect rect);
    void drawRect(CGRect rect) override;
    // A label is measured again when its text or font changes, and a wrapping one when it
    // gets another width, so the next layout pass gives it the size of what it now shows.
    void setBounds(CGRect bounds) override;

    // The text unless a label of its own was set.
    std::optional<std::string> accessibilityLabel() const override;

protected:
    bool isAccessibilityElementByDefault() const override { return true; }
    UIAccessibilityTraits defaultAccessibilityTraits() const override { return UIAccessibilityTraitStaticText; }

private:
    // The label's own text as attributed text: its font, colour and alignment filled in.
    NSAttributedString shownText() const;
    Text::LayoutOptions layoutOptions(CGSize box, bool shrink) const;

    std::shared_ptr<NSAttributedString> m_attributedText;
    bool m_plain = true; // the text came through setText
    std::shared_ptr<UIFont> m_font;
    std::shared_ptr<UIColor> m_textColor;
    NSTextAlignment m_textAlignment = NSTextAlignmentNatural;
    long m_numberOfLines = 1;
    NSLineBreakMode m_lineBreakMode = NSLineBreakByTruncatingTail;
    bool m_adjustsFontSizeToFitWidth = false;
    CGFloat m_minimumScaleFactor = 0;
    CGFloat m_preferredMaxLayoutWidth = 0;
};
