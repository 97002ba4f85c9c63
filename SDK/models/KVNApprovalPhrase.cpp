#include "models/KVNApprovalPhrase.h"

#include "Foundation/NSString.h"

void KVNApprovalPhrase::addLink_name_linkId(const std::optional<std::string>& link, const std::optional<std::string>& name,
                                            const std::optional<std::string>& linkId)
{
    auto approvalLink = std::make_shared<KVNApprovalLink>();
    approvalLink->setLink(link);
    approvalLink->setLinkLabel(name);
    approvalLink->setLinkID(linkId);
    if (m_text && linkId)
        m_text = NSString::stringByReplacingOccurrencesOfString_withString(*m_text, "$(" + *linkId + ")", name.value_or(""));
    m_urls.push_back(approvalLink);
}
