#include "models/KVNDocument.h"

#include <algorithm>

#include "Foundation/NSString.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "models/KVNPhoto.h"

const std::vector<std::string>& KVNDocument::documentNames()
{
    static const std::vector<std::string> names{"IDCARD", "PASSPORT", "RESIDENCE_PERMIT", "DRIVERS_LICENSE"};
    return names;
}

std::shared_ptr<KVNDocument> KVNDocument::documentWithName(const std::string& name)
{
    const auto& names = documentNames();
    auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) {
        // The service offered a document this library cannot take photos of.
        KVNLogLocated(__FILE__, __LINE__, "Unknown document name: %@", name);
        return nullptr;
    }
    auto document = std::make_shared<KVNDocument>();
    document->setType(static_cast<long>(it - names.begin()));
    return document;
}

std::string KVNDocument::documentName() const
{
    const auto& names = documentNames();
    if (m_type < 0 || m_type >= static_cast<long>(names.size()))
        return std::string();
    return names[static_cast<size_t>(m_type)];
}

std::string KVNDocument::localizedTitle() const
{
    return KVNLocalizer::localizedStringForKey(NSString::stringWithFormat("PHOTO_DOCUMENT_%@_TITLE", documentName()));
}

std::string KVNDocument::documentImageName() const
{
    return NSString::stringWithFormat("kvn-document-%@-DE", documentName());
}

void KVNDocument::cleanUpPhotos()
{
    for (const auto& photo : m_photos) {
        photo->setImage(nullptr);
        photo->setThumbnail(nullptr);
    }
}
