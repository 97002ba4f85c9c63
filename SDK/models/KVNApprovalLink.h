#pragma once
// One link of a consent phrase: the id of its placeholder in the phrase's text, the label
// that replaces the placeholder, and the address it opens. A plain value; main thread.
#include <optional>
#include <string>

class KVNApprovalLink {
public:
    const std::optional<std::string>& linkID() const { return m_linkID; }
    void setLinkID(std::optional<std::string> linkID) { m_linkID = std::move(linkID); }
    const std::optional<std::string>& linkLabel() const { return m_linkLabel; }
    void setLinkLabel(std::optional<std::string> linkLabel) { m_linkLabel = std::move(linkLabel); }
    const std::optional<std::string>& link() const { return m_link; }
    void setLink(std::optional<std::string> link) { m_link = std::move(link); }

private:
    std::optional<std::string> m_linkID;
    std::optional<std::string> m_linkLabel;
    std::optional<std::string> m_link;
};
