#pragma once
// One text-and-link row of the data check screen (a consent text with the link it offers).
// A plain value; main thread.
#include <optional>
#include <string>

class KVNCheckCellContent {
public:
    const std::optional<std::string>& text() const { return m_text; }
    void setText(std::optional<std::string> text) { m_text = std::move(text); }
    const std::optional<std::string>& linkLabel() const { return m_linkLabel; }
    void setLinkLabel(std::optional<std::string> linkLabel) { m_linkLabel = std::move(linkLabel); }
    const std::optional<std::string>& link() const { return m_link; }
    void setLink(std::optional<std::string> link) { m_link = std::move(link); }

private:
    std::optional<std::string> m_text;
    std::optional<std::string> m_linkLabel;
    std::optional<std::string> m_link;
};
