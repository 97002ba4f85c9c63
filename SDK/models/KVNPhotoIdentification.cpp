#include "models/KVNPhotoIdentification.h"

#include <map>
#include <string>

#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNPhoto.h"

namespace {

// The photo slots of a step's "images", each pointing at `document`; unknown names and
// entries that are not texts are left out.
std::vector<std::shared_ptr<KVNPhoto>> photosOfStep(const JSONValue& step, const std::shared_ptr<KVNDocument>& document)
{
    std::vector<std::shared_ptr<KVNPhoto>> photos;
    auto images = step.find("images");
    if (images == step.end() || !images->is_array())
        return photos;
    for (const auto& name : *images) {
        if (!name.is_string())
            continue;
        auto photo = KVNPhoto::photoWithName(name.get<std::string>());
        if (!photo)
            continue;
        photo->setDocument(document);
        photos.push_back(std::move(photo));
    }
    return photos;
}

} // namespace

void KVNPhotoIdentification::updateWithProcessStepsResponse(const JSONValue& processSteps)
{
    std::map<std::string, std::shared_ptr<KVNCountry>> countriesByLocale;
    std::vector<std::shared_ptr<KVNCountry>> countries; // in the order first seen
    std::vector<const JSONValue*> otherSteps;

    if (processSteps.is_object()) {
        for (const auto& [stepName, step] : processSteps.items()) {
            const auto allowed = step.is_object() ? step.find("alloweddocuments") : step.end();
            if (!step.is_object() || allowed == step.end() || !allowed->is_array()) {
                otherSteps.push_back(&step);
                continue;
            }
            for (const auto& entry : *allowed) {
                if (!entry.is_object())
                    continue;
                auto code = entry.find("country");
                auto names = entry.find("documents");
                if (code == entry.end() || !code->is_string() || names == entry.end() || !names->is_array())
                    continue;
                auto& country = countriesByLocale[code->get<std::string>()];
                if (!country) {
                    country = KVNCountry::countryWithLocale(code->get<std::string>());
                    countries.push_back(country);
                }
                auto documents = country->documents();
                for (const auto& name : *names) {
                    if (!name.is_string())
                        continue;
                    auto document = KVNDocument::documentWithName(name.get<std::string>());
                    if (!document)
                        continue;
                    document->setCountry(country);
                    document->setPhotos(photosOfStep(step, document));
                    documents.push_back(std::move(document));
                }
                country->setDocuments(std::move(documents));
            }
        }
    }

    // The photos every document needs besides those of the step that offers it.
    for (const auto* step : otherSteps) {
        if (!step->is_object())
            continue;
        for (const auto& country : countries) {
            for (const auto& document : country->documents()) {
                auto photos = document->photos();
                for (auto& photo : photosOfStep(*step, document))
                    photos.push_back(std::move(photo));
                document->setPhotos(std::move(photos));
            }
        }
    }

    m_availableCountries = std::move(countries);
}
