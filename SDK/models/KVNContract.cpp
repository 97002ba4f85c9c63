#include "models/KVNContract.h"

#include "Foundation/NSString.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"

KVNContract::KVNContract() : m_contractDefinition(std::make_shared<KVNContractDefinition>()) {}

void KVNContract::initWithDictionary(const JSONValue& dictionary)
{
    m_displayHash = KVNExtensions::stringForKey(dictionary, "displayHash");
    m_contractHash = KVNExtensions::stringForKey(dictionary, "hash");
    m_name = KVNExtensions::stringForKey(dictionary, "name");
    m_status = KVNExtensions::stringForKey(dictionary, "status");
    m_version = KVNExtensions::stringForKey(dictionary, "version");
    auto definition = std::make_shared<KVNContractDefinition>();
    if (dictionary.is_object()) {
        if (auto it = dictionary.find("documentDefinition"); it != dictionary.end())
            definition->initWithDictionary(*it);
    }
    m_contractDefinition = definition;
}

std::string KVNContract::description() const
{
    std::optional<std::string> identifier;
    if (m_contractDefinition)
        identifier = m_contractDefinition->identifier();
    return NSString::stringWithFormat("name: %@, display-hash: %@, identifier: %@", m_name, m_displayHash, identifier);
}
