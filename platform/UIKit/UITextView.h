#pragma once
// A block of text that wraps at its width, drawn from the top inside textContainerInset (8
// points above and below) and a line padding of 5 points on each side; editable unless told
// otherwise. Plain text takes the view's font (the system font at 12 by default), colour and
// alignment; attributed text keeps its own where it has them. Editing works as in a text
// field, except that the return key types a line break: a tap or becomeFirstResponder
// begins (textViewShouldBeginEditing, textViewDidBeginEditing) and shows the keyboard, typed
// text replaces the selection once textView_shouldChangeTextInRange_replacementText allows
// it (textViewDidChange, UITextViewTextDidChangeNotification), and resigning ends
// (textViewShouldEndEditing unless forced, textViewDidEndEditing). Typing into attributed
// text gives the typed characters the attributes of the text before them. Text set in code
// sends no change. Text taller than the view scrolls: the content size follows the text at
// the view's width, and a drag moves it while a tap still begins editing.
// Main thread only.
#include <memory>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "Foundation/NSRange.h"
#include "UIKit/EditableView.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIScrollView.h"

class UIColor;
class UIFont;
class UITextView;

inline const std::string UITextViewTextDidBeginEditingNotification = "UITextViewTextDidBeginEditingNotification";
inline const std::string UITextViewTextDidChangeNotification = "UITextViewTextDidChangeNotification";
inline const std::string UITextViewTextDidEndEditingNotification = "UITextViewTextDidEndEditingNotification";

// Every operation is optional; the defaults let editing go on.
class UITextViewDelegate {
public:
    virtual ~UITextViewDelegate() = default;
    virtual bool textViewShouldBeginEditing(const std::shared_ptr<UITextView>& textView) { return true; }
    virtual void textViewDidBeginEditing(const std::shared_ptr<UITextView>& textView) {}
    virtual bool textViewShouldEndEditing(const std::shared_ptr<UITextView>& textView) { return true; }
    virtual void textViewDidEndEditing(const std::shared_ptr<UITextView>& textView) {}
    virtual bool textView_shouldChangeTextInRange_replacementText(const std::shared_ptr<UITextView>& textView, NSRange range,
                                                                  const std::string& text)
    {
        return true;
    }
    virtual void textViewDidChange(const std::shared_ptr<UITextView>& textView) {}
};

class UITextView : public Text::EditableView<UIScrollView> {
public:
    UITextView();
    ~UITextView() override;

    // Never nil: a view starts empty. Text that is not well-formed UTF-8 is refused (logged).
    std::string text() const;
    void setText(const std::string& text);
    // The text with its attributes as shown (plain text with the view's font and colour).
    std::shared_ptr<NSAttributedString> attributedText() const;
    void setAttributedText(const std::shared_ptr<NSAttributedString>& text);

    // nil sets the default again.
    std::shared_ptr<UIFont> font() const { return m_font; }
    void setFont(std::shared_ptr<UIFont> font);
    std::shared_ptr<UIColor> textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor> color);
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }
    bool isEditable() const { return m_editable; }
    // Making an editing view read-only ends its editing.
    void setEditable(bool editable);
    UIEdgeInsets textContainerInset() const { return m_textContainerInset; }
    void setTextContainerInset(UIEdgeInsets inset);

    std::shared_ptr<UITextViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UITextViewDelegate>& delegate) { m_delegate = delegate; }

    // The height the text takes at `size.width`, insets included; the width as given.
    CGSize sizeThatFits(CGSize size) const;

    bool canBecomeFirstResponder() const override { return m_editable; }

    bool gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer) override;
    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void layoutSubviews() override;
    void drawRect(CGRect rect) override;

    static constexpr double kLineFragmentPadding = 5;

protected:
    bool editingShouldBegin() override;
    void editingDidBegin() override;
    bool editingShouldEnd() override;
    void editingDidEnd() override;
    bool editShouldReplace(NSRange range, const std::string& replacement) override;
    // Splices attributed text, then tells the delegate.
    void editDidReplace(NSRange range, const std::string& replacement) override;
    void touchDidTap(const std::shared_ptr<UITouch>& touch) override;

private:
    std::shared_ptr<UITextView> self();
    NSAttributedString shownText() const;
    void updateContentSize();
    void beginEditingIfTouched(const std::shared_ptr<UITouch>& touch);

    std::shared_ptr<NSAttributedString> m_attributedText; // null: plain text
    std::shared_ptr<UIFont> m_font;
    std::shared_ptr<UIColor> m_textColor;
    NSTextAlignment m_textAlignment = NSTextAlignmentNatural;
    bool m_editable = true;
    UIEdgeInsets m_textContainerInset = UIEdgeInsetsMake(8, 0, 8, 0);
    std::weak_ptr<UITextViewDelegate> m_delegate;
};
