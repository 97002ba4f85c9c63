#pragma once
// A one-line text entry field. This first slice holds only the text, which the phone check
// reads and rewrites; typing, editing events and drawing come with the screens that need
// them. As on the platform the text is never nil once read: a field starts empty, and
// setting nil empties it. Main thread only.
#include <optional>
#include <string>

#include "UIKit/UIView.h"

class UITextField : public UIView {
public:
    const std::optional<std::string>& text() const { return m_text; }
    void setText(const std::optional<std::string>& text) { m_text = text.value_or(std::string()); }

private:
    std::optional<std::string> m_text = std::string();
};
