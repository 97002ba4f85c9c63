#pragma once
// The text of an input being edited and its selection, for text fields and text views: a
// selection always lies inside the text and on character boundaries of its UTF-8, so an edit
// never splits a character. Ranges count bytes. A value; main thread, as its owners.
#include <string>

#include "Foundation/NSRange.h"

namespace Text {

class EditBuffer {
public:
    const std::string& text() const { return m_text; }
    // The caret goes to the end.
    void setText(std::string text);

    NSRange selection() const { return m_selection; }
    // Clamped to the text and widened to whole characters; a caret inside a character moves
    // to its start.
    void setSelection(NSRange range);

    // What typing replaces: the selection (a caret is an empty one).
    NSRange rangeForInsertion() const { return m_selection; }
    // What the delete key removes: the selection, else the character before the caret
    // (empty at the start of the text).
    NSRange rangeForDeleteBackward() const;
    // Replaces `range` (clamped like a selection) and puts the caret after the new text.
    void replace(NSRange range, const std::string& replacement);

    static bool isWellFormed(const std::string& text);
    static size_t characterCount(const std::string& text);

private:
    size_t startOfCharacter(size_t offset) const;
    size_t endOfCharacter(size_t offset) const;
    NSRange clamp(NSRange range) const;

    std::string m_text;
    NSRange m_selection;
};

} // namespace Text
