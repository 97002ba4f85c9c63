#pragma once
// One consent text of the video identification with its links. The text carries
// placeholders "$(<link id>)"; adding a link puts the link's label in place of its
// placeholder, so the text must be set before the links are added. Main thread.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/KVNApprovalLink.h"

class KVNApprovalPhrase {
public:
    const std::optional<std::string>& name() const { return m_name; }
    void setName(std::optional<std::string> name) { m_name = std::move(name); }
    const std::optional<std::string>& text() const { return m_text; }
    void setText(std::optional<std::string> text) { m_text = std::move(text); }
    // The links in the order they were added; empty until the first.
    const std::vector<std::shared_ptr<KVNApprovalLink>>& urls() const { return m_urls; }
    void setUrls(std::vector<std::shared_ptr<KVNApprovalLink>> urls) { m_urls = std::move(urls); }

    // Appends a link and replaces every "$(<linkId>)" of the text by the label. A missing
    // label empties the placeholder; a missing id replaces nothing.
    void addLink_name_linkId(const std::optional<std::string>& link, const std::optional<std::string>& name,
                             const std::optional<std::string>& linkId);

private:
    std::optional<std::string> m_name;
    std::optional<std::string> m_text;
    std::vector<std::shared_ptr<KVNApprovalLink>> m_urls;
};
