#pragma once
// A one-line text entry field. It draws its text in the field's font, colour and alignment
// (as bullets when the entry is secure), or while the text is empty the placeholder in grey
// (or as its attributed form says), one line centred vertically in the text rectangle, a
// text too long clipped and a placeholder cut with "…". As on the platform the text is never
// nil once read: a field starts empty, and setting nil empties it.
//
// Editing: a tap on an enabled field, or becomeFirstResponder, makes it the window's first
// responder when its delegate lets it begin (EditingDidBegin, textFieldDidBeginEditing,
// UITextFieldTextDidBeginEditingNotification), and the keyboard shows. Typed text replaces
// the selection, a caret at the end of the text unless set otherwise, once the delegate's
// textField_shouldChangeCharactersInRange_replacementString allows it (EditingChanged,
// UITextFieldTextDidChangeNotification); text that is not well-formed UTF-8 is refused. The
// return key asks textFieldShouldReturn and then sends EditingDidEndOnExit, after which a
// field with a target for that event resigns. Resigning asks textFieldShouldEndEditing
// (unless forced) and ends with EditingDidEnd, textFieldDidEndEditing and
// UITextFieldTextDidEndEditingNotification. Text set in code sends no events. Ranges count
// bytes of the UTF-8 text and always fall on character boundaries.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "Foundation/NSRange.h"
#include "UIKit/EditableView.h"
#include "UIKit/UIControl.h"

class UIColor;
class UIFont;
class UITextField;

inline const std::string UITextFieldTextDidBeginEditingNotification = "UITextFieldTextDidBeginEditingNotification";
inline const std::string UITextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";
inline const std::string UITextFieldTextDidEndEditingNotification = "UITextFieldTextDidEndEditingNotification";

enum UITextBorderStyle : long {
    UITextBorderStyleNone = 0,
    UITextBorderStyleLine = 1,
    UITextBorderStyleBezel = 2,
    UITextBorderStyleRoundedRect = 3,
};

// Every operation is optional; the defaults let editing go on.
class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>& textField) { return true; }
    virtual void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& textField) {}
    virtual bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& textField) { return true; }
    virtual void textFieldDidEndEditing(const std::shared_ptr<UITextField>& textField) {}
    virtual bool textField_shouldChangeCharactersInRange_replacementString(const std::shared_ptr<UITextField>& textField, NSRange range,
                                                                           const std::string& string)
    {
        return true;
    }
    virtual bool textFieldShouldReturn(const std::shared_ptr<UITextField>& textField) { return true; }
};

class UITextField : public Text::EditableView<UIControl> {
public:
    UITextField();
    ~UITextField() override;

    // Never nil.
    std::optional<std::string> text() const { return bufferText(); }
    // Moves the caret to the end. Text that is not well-formed UTF-8 is refused (logged).
    void setText(const std::optional<std::string>& text);

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
    // Kept for the look of the field; the field draws no border of its own.
    UITextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(UITextBorderStyle style) { m_borderStyle = style; }

    std::shared_ptr<UITextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UITextFieldDelegate>& delegate) { m_delegate = delegate; }

    // The rectangles the text and the placeholder are drawn in: the bounds, unless a
    // subclass insets them.
    virtual CGRect textRectForBounds(CGRect bounds) const { return bounds; }
    virtual CGRect editingRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }
    virtual CGRect placeholderRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }

    // The text as drawn: bullets in place of the characters of a secure entry.
    std::string displayedText() const;

    bool canBecomeFirstResponder() const override;

    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void drawRect(CGRect rect) override;

protected:
    bool editingShouldBegin() override;
    void editingDidBegin() override;
    bool editingShouldEnd() override;
    void editingDidEnd() override;
    bool editShouldReplace(NSRange range, const std::string& replacement) override;
    void editDidReplace(NSRange range, const std::string& replacement) override;
    // The return key, or text whose line breaks become spaces on the one line.
    void typed(const std::string& text) override;

private:
    std::shared_ptr<UITextField> self();
    void returnKey();
    std::optional<std::string> m_placeholder;
    std::shared_ptr<NSAttributedString> m_attributedPlaceholder;
    std::shared_ptr<UIFont> m_font;
    std::shared_ptr<UIColor> m_textColor;
    NSTextAlignment m_textAlignment = NSTextAlignmentNatural;
    UITextBorderStyle m_borderStyle = UITextBorderStyleNone;
    std::weak_ptr<UITextFieldDelegate> m_delegate;
};
