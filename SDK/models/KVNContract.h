#pragma once
// One contract of e-signing as the service's documents answer describes it: the hashes that
// identify the signed text, its name, status and version, and the definition of its document.
// A contract always has a definition, whose fields stay unset when the answer has none.
// Compared by identity. Main thread.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"
#include "models/KVNContractDefinition.h"

class KVNContract {
public:
    KVNContract();

    // Members "displayHash", "hash" (kept as contractHash), "name", "status", "version" and
    // the object "documentDefinition". A member that is missing, null or of a kind the field
    // cannot hold leaves its field unset; unknown members are ignored.
    void initWithDictionary(const JSONValue& dictionary);

    const std::optional<std::string>& displayHash() const { return m_displayHash; }
    void setDisplayHash(std::optional<std::string> displayHash) { m_displayHash = std::move(displayHash); }
    const std::optional<std::string>& contractHash() const { return m_contractHash; }
    void setContractHash(std::optional<std::string> contractHash) { m_contractHash = std::move(contractHash); }
    const std::optional<std::string>& name() const { return m_name; }
    void setName(std::optional<std::string> name) { m_name = std::move(name); }
    const std::optional<std::string>& status() const { return m_status; }
    void setStatus(std::optional<std::string> status) { m_status = std::move(status); }
    const std::optional<std::string>& version() const { return m_version; }
    void setVersion(std::optional<std::string> version) { m_version = std::move(version); }
    const std::shared_ptr<KVNContractDefinition>& contractDefinition() const { return m_contractDefinition; }
    void setContractDefinition(std::shared_ptr<KVNContractDefinition> definition) { m_contractDefinition = std::move(definition); }

    // "name: <name>, display-hash: <displayHash>, identifier: <definition's identifier>"
    std::string description() const;

private:
    std::optional<std::string> m_displayHash;
    std::optional<std::string> m_contractHash;
    std::optional<std::string> m_name;
    std::optional<std::string> m_status;
    std::optional<std::string> m_version;
    std::shared_ptr<KVNContractDefinition> m_contractDefinition;
};
