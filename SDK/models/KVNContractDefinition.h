#pragma once
// The definition of one contract document to sign: the identifier the contract viewer loads
// it by, its type, name, whether signing it is optional and its place in the list. Filled
// from the "documentDefinition" object of the service's documents answer. Main thread.
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"

class KVNContractDefinition {
public:
    // Members are matched to fields by name. A member that is missing, null or of a kind the
    // field cannot hold leaves its field unset; so does a value that is not an object.
    void initWithDictionary(const JSONValue& dictionary);

    const std::optional<std::string>& identifier() const { return m_identifier; }
    void setIdentifier(std::optional<std::string> identifier) { m_identifier = std::move(identifier); }
    const std::optional<std::string>& mimeType() const { return m_mimeType; }
    void setMimeType(std::optional<std::string> mimeType) { m_mimeType = std::move(mimeType); }
    const std::optional<std::string>& name() const { return m_name; }
    void setName(std::optional<std::string> name) { m_name = std::move(name); }
    bool optional() const { return m_optional; }
    void setOptional(bool optional) { m_optional = optional; }
    long sortOrder() const { return m_sortOrder; }
    void setSortOrder(long sortOrder) { m_sortOrder = sortOrder; }

    // "identifier: <identifier>, sortOrder: <sortOrder>"
    std::string description() const;

private:
    std::optional<std::string> m_identifier;
    std::optional<std::string> m_mimeType;
    std::optional<std::string> m_name;
    bool m_optional = false;
    long m_sortOrder = 0;
};
