#pragma once
// One identity document a country allows for a photo identification, with the photo slots
// it needs. `type` indexes the fixed document name table ("IDCARD", "PASSPORT",
// "RESIDENCE_PERMIT", "DRIVERS_LICENSE"); the name forms the document's text key and image
// name. The document points back to its country weakly: the country owns its documents
// (and the photo session owns the countries), so the two never keep each other alive.
// Main thread.
#include <memory>
#include <optional>
#include <string>
#include <vector>

class KVNCountry;
class KVNPhoto;

class KVNDocument {
public:
    enum : long {
        IdCard = 0,
        Passport = 1,
        ResidencePermit = 2,
        DriversLicense = 3,
    };

    // The document of that name; nullptr (and a log line) for a name not in the table.
    static std::shared_ptr<KVNDocument> documentWithName(const std::string& name);
    // The document name table, in type order.
    static const std::vector<std::string>& documentNames();

    long type() const { return m_type; }
    void setType(long type) { m_type = type; }
    std::shared_ptr<KVNCountry> country() const { return m_country.lock(); }
    void setCountry(const std::shared_ptr<KVNCountry>& country) { m_country = country; }
    const std::vector<std::shared_ptr<KVNPhoto>>& photos() const { return m_photos; }
    void setPhotos(std::vector<std::shared_ptr<KVNPhoto>> photos) { m_photos = std::move(photos); }

    // The table's name for `type`; the empty text for a type outside the table.
    std::string documentName() const;
    // The localized "PHOTO_DOCUMENT_<name>_TITLE".
    std::string localizedTitle() const;
    // Documents have no subtitle.
    std::optional<std::string> localizedSubtitle() const { return std::nullopt; }
    // "kvn-document-<name>-DE", for KVNImageProvider.
    std::string documentImageName() const;
    // Forgets the image and thumbnail of every photo slot.
    void cleanUpPhotos();

private:
    long m_type = IdCard;
    std::weak_ptr<KVNCountry> m_country;
    std::vector<std::shared_ptr<KVNPhoto>> m_photos;
};
