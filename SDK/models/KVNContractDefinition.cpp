#include "models/KVNContractDefinition.h"

#include "Foundation/NSString.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"

void KVNContractDefinition::initWithDictionary(const JSONValue& dictionary)
{
    m_identifier = KVNExtensions::stringForKey(dictionary, "identifier");
    m_mimeType = KVNExtensions::stringForKey(dictionary, "mimeType");
    m_name = KVNExtensions::stringForKey(dictionary, "name");
    // The flag and the order also take numbers and numeric texts, read the platform's way;
    // anything else leaves them as they are.
    KVNExtensions::boolForKey_boolvalue(dictionary, "optional", m_optional);
    KVNExtensions::intForKey_integer(dictionary, "sortOrder", m_sortOrder);
}

std::string KVNContractDefinition::description() const
{
    return NSString::stringWithFormat("identifier: %@, sortOrder: %ld", m_identifier, m_sortOrder);
}
