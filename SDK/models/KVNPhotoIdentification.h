#pragma once
// The data of one photo identification, held by the shared session: the countries the
// customer allows, each with its documents and each document with its photo slots, built
// from the customer configuration's process steps; and the country and document the user
// chose. Owns the countries (a country owns its documents, a document its photo slots).
// Main thread.
#include <memory>
#include <vector>

#include "Foundation/JSONValue.h"

class KVNCountry;
class KVNDocument;

class KVNPhotoIdentification {
public:
    const std::vector<std::shared_ptr<KVNCountry>>& availableCountries() const { return m_availableCountries; }
    void setAvailableCountries(std::vector<std::shared_ptr<KVNCountry>> countries) { m_availableCountries = std::move(countries); }
    const std::shared_ptr<KVNCountry>& selectedCountry() const { return m_selectedCountry; }
    void setSelectedCountry(std::shared_ptr<KVNCountry> country) { m_selectedCountry = std::move(country); }
    const std::shared_ptr<KVNDocument>& selectedDocument() const { return m_selectedDocument; }
    void setSelectedDocument(std::shared_ptr<KVNDocument> document) { m_selectedDocument = std::move(document); }

    // Builds availableCountries from the configuration's "settings"."processsteps" (step
    // name -> step object). A step with "alloweddocuments" offers documents per country and
    // gives each the photos of its "images"; every other step's "images" are then appended
    // to every document. Steps count in the order the service lists them, so documents,
    // countries (first seen) and photo slots come in that order too. Names the library does not
    // know, and values of the wrong kind, are skipped; anything but an object gives no
    // countries.
    void updateWithProcessStepsResponse(const JSONValue& processSteps);

private:
    std::vector<std::shared_ptr<KVNCountry>> m_availableCountries;
    std::shared_ptr<KVNCountry> m_selectedCountry;
    std::shared_ptr<KVNDocument> m_selectedDocument;
};
