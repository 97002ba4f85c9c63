#include "UIKit/EditBuffer.h"

#include <algorithm>
#include <span>

#include "Foundation/UTF8Validator.h"

namespace Text {

namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

void EditBuffer::setText(std::string text)
{
    m_text = std::move(text);
    m_selection = NSMakeRange(m_text.size(), 0);
}

size_t EditBuffer::startOfCharacter(size_t offset) const
{
    offset = std::min(offset, m_text.size());
    while (offset > 0 && offset < m_text.size() && isContinuation(m_text[offset]))
        --offset;
    return offset;
}

size_t EditBuffer::endOfCharacter(size_t offset) const
{
    offset = std::min(offset, m_text.size());
    while (offset < m_text.size() && isContinuation(m_text[offset]))
        ++offset;
    return offset;
}

NSRange EditBuffer::clamp(NSRange range) const
{
    size_t location = std::min<size_t>(range.location, m_text.size());
    // Measured from the clamped start, so that huge values cannot wrap around.
    size_t end = location + std::min<size_t>(range.length, m_text.size() - location);
    size_t start = startOfCharacter(location);
    // A caret stays a caret: inside a character it moves to the character's start.
    end = range.length == 0 ? start : endOfCharacter(std::max(start, end));
    return NSMakeRange(start, end - start);
}

void EditBuffer::setSelection(NSRange range) { m_selection = clamp(range); }

NSRange EditBuffer::rangeForDeleteBackward() const
{
    if (m_selection.length > 0 || m_selection.location == 0)
        return m_selection;
    size_t start = m_selection.location - 1;
    while (start > 0 && isContinuation(m_text[start]))
        --start;
    return NSMakeRange(start, m_selection.location - start);
}

void EditBuffer::replace(NSRange range, const std::string& replacement)
{
    range = clamp(range);
    m_text.replace(range.location, range.length, replacement);
    m_selection = NSMakeRange(range.location + replacement.size(), 0);
}

bool EditBuffer::isWellFormed(const std::string& text)
{
    return Unicode::UTF8Validator::isValid(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

size_t EditBuffer::characterCount(const std::string& text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(c); }));
}

} // namespace Text
