#pragma once
// What every view that takes typed text does, whatever it derives from (text fields are
// controls, text views plain views): it edits while it is the first responder, holds its
// text and selection in an EditBuffer, refuses text that is not well-formed UTF-8, and asks
// its subclass at each step through the hooks below, so that fields and views differ only in
// what they tell their delegates. Beginning and ending are judged by the keyboard once the
// whole change is done. Main thread only.
#include <string>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/EditBuffer.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIKeyInput.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UITextInputTraits.h"
#include "UIKit/UIWindow.h"

namespace Text {

template <class Base>
class EditableView : public Base, public UIKeyInput, public UITextInputTraits {
public:
    bool isEditing() const { return m_editing; }
    // The selection; clamped to the text and widened to whole characters.
    NSRange selectedRange() const { return m_buffer.selection(); }
    void setSelectedRange(NSRange range) { m_buffer.setSelection(range); }

    bool becomeFirstResponder() override
    {
        KVN_ASSERT_MAIN_THREAD();
        if (this->isFirstResponder())
            return true;
        auto self = this->shared_from_this();
        if (!this->canBecomeFirstResponder() || !this->window() || !editingShouldBegin())
            return false;
        // The keyboard is judged once editing has begun, as its observers expect.
        kvn::SoftwareKeyboard::ResponderChange change;
        if (!Base::becomeFirstResponder())
            return false;
        m_editing = true;
        m_buffer.setSelection(NSMakeRange(m_buffer.text().size(), 0));
        editingDidBegin();
        return true;
    }

    bool resignFirstResponder() override
    {
        KVN_ASSERT_MAIN_THREAD();
        if (!this->isFirstResponder())
            return Base::resignFirstResponder();
        auto self = this->shared_from_this();
        auto window = this->window();
        bool forced = window && window->isForcingResign();
        if (!forced && !editingShouldEnd())
            return false;
        kvn::SoftwareKeyboard::ResponderChange change;
        if (!Base::resignFirstResponder())
            return false;
        m_editing = false;
        editingDidEnd();
        return true;
    }

    bool hasText() const override { return !m_buffer.text().empty(); }

    void insertText(const std::string& text) override
    {
        KVN_ASSERT_MAIN_THREAD();
        if (!m_editing)
            return;
        if (!EditBuffer::isWellFormed(text)) {
            UIKitLog("typed text that is not well-formed UTF-8 was refused");
            return;
        }
        typed(text);
    }

    void deleteBackward() override
    {
        KVN_ASSERT_MAIN_THREAD();
        if (!m_editing)
            return;
        NSRange range = m_buffer.rangeForDeleteBackward();
        if (range.length > 0)
            replace(range, std::string());
    }

protected:
    // Asked before editing begins and ends (not when the end is forced).
    virtual bool editingShouldBegin() { return true; }
    virtual void editingDidBegin() {}
    virtual bool editingShouldEnd() { return true; }
    virtual void editingDidEnd() {}
    // Whether `range` may become `replacement`; then what changed (the range as replaced,
    // whole characters).
    virtual bool editShouldReplace(NSRange range, const std::string& replacement) { return true; }
    virtual void editDidReplace(NSRange range, const std::string& replacement) {}
    // A key or pasted text, well-formed: by default it replaces the selection.
    virtual void typed(const std::string& text) { replace(m_buffer.rangeForInsertion(), text); }

    // Replaces when the subclass allows it; answers whether it did.
    bool replace(NSRange range, const std::string& replacement)
    {
        auto self = this->shared_from_this();
        if (!editShouldReplace(range, replacement))
            return false;
        size_t before = m_buffer.text().size();
        m_buffer.replace(range, replacement);
        size_t location = m_buffer.selection().location - replacement.size();
        NSRange done = NSMakeRange(location, before + replacement.size() - m_buffer.text().size());
        this->setNeedsDisplay();
        editDidReplace(done, replacement);
        return true;
    }

    // Text set in code: no hooks, the caret at the end. Answers false (and logs) for text
    // that is not well-formed UTF-8, which is refused.
    bool setBufferText(const std::string& text, const char* owner)
    {
        if (!EditBuffer::isWellFormed(text)) {
            UIKitLog("%s: text that is not well-formed UTF-8 was refused", owner);
            return false;
        }
        m_buffer.setText(text);
        this->setNeedsDisplay();
        return true;
    }

    const std::string& bufferText() const { return m_buffer.text(); }

private:
    EditBuffer m_buffer;
    bool m_editing = false;
};

} // namespace Text
