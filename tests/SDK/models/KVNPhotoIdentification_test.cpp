#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NSLocale.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"

namespace {

using json = JSONValue;

// "IDCARD: IDFRONTSIDE IDBACKSIDE" per document, to compare whole structures at a glance.
std::vector<std::string> describe(const KVNPhotoIdentification& photo)
{
    std::vector<std::string> lines;
    for (const auto& country : photo.availableCountries()) {
        for (const auto& document : country->documents()) {
            std::string line = country->locale() + " " + document->documentName() + ":";
            for (const auto& slot : document->photos())
                line += " " + slot->photoName();
            lines.push_back(line);
        }
    }
    return lines;
}

class KVNPhotoIdentificationTest : public testing::Test {
protected:
    void SetUp() override { NSLocale::setPreferredLanguages({"en"}); }
    void TearDown() override { NSLocale::resetOverrides(); }
};

} // namespace

TEST_F(KVNPhotoIdentificationTest, DocumentsGetTheirStepsPhotosThenEveryOtherStepsPhotos)
{
    // Steps in the service's order, which is not the alphabet's: the hologram slot comes
    // before the face.
    const json steps = json::parse(R"({
        "identitydocument": {
            "alloweddocuments": [{"country": "DE", "documents": ["IDCARD", "PASSPORT"]}],
            "images": ["IDFRONTSIDE", "IDBACKSIDE"]
        },
        "hologram": {"images": ["IDHOLOGRAMS"]},
        "face": {"images": ["FACESCREENSHOT"]}
    })");
    KVNPhotoIdentification photo;
    photo.updateWithProcessStepsResponse(steps);

    EXPECT_EQ(describe(photo), (std::vector<std::string>{
                                   "DE IDCARD: IDFRONTSIDE IDBACKSIDE IDHOLOGRAMS FACESCREENSHOT",
                                   "DE PASSPORT: IDFRONTSIDE IDBACKSIDE IDHOLOGRAMS FACESCREENSHOT",
                               }));
    ASSERT_EQ(photo.availableCountries().size(), 1u);
    const auto& country = photo.availableCountries().front();
    EXPECT_EQ(country->localeDisplayName(), "Germany");
    // Each slot and document points back to its owner.
    for (const auto& document : country->documents()) {
        EXPECT_EQ(document->country(), country);
        for (const auto& slot : document->photos())
            EXPECT_EQ(slot->document(), document);
    }
}

TEST_F(KVNPhotoIdentificationTest, ACountryOfferedByTwoStepsIsOneCountry)
{
    // Countries and documents in the order the service lists them: the identity document's
    // step first, though "driverslicense" sorts before it, and Austria first seen there.
    const json steps = json::parse(R"({
        "identitydocument": {
            "alloweddocuments": [{"country": "AT", "documents": ["IDCARD"]}, {"country": "DE", "documents": ["IDCARD"]}],
            "images": ["IDFRONTSIDE"]
        },
        "driverslicense": {
            "alloweddocuments": [{"country": "DE", "documents": ["DRIVERS_LICENSE"]}],
            "images": ["DRIVERSFRONTSIDE", "DRIVERSBACKSIDE"]
        }
    })");
    KVNPhotoIdentification photo;
    photo.updateWithProcessStepsResponse(steps);
    EXPECT_EQ(describe(photo), (std::vector<std::string>{
                                   "AT IDCARD: IDFRONTSIDE",
                                   "DE IDCARD: IDFRONTSIDE",
                                   "DE DRIVERS_LICENSE: DRIVERSFRONTSIDE DRIVERSBACKSIDE",
                               }));

    // A later configuration replaces the countries.
    photo.updateWithProcessStepsResponse(json::object());
    EXPECT_TRUE(photo.availableCountries().empty());
}

TEST_F(KVNPhotoIdentificationTest, HostileProcessStepsGiveWhatIsUsableAndNeverFault)
{
    struct Case {
        const char* steps;
        std::vector<std::string> expected;
        const char* why;
    };
    const Case cases[] = {
        {R"(null)", {}, "no process steps"},
        {R"([1, 2])", {}, "not an object"},
        {R"({"s": "text"})", {}, "a step that is not an object"},
        {R"({"s": {"alloweddocuments": "DE"}, "t": {"alloweddocuments": [{"country": "DE", "documents": ["IDCARD"]}], "images": ["IDFRONTSIDE"]}})",
         {"DE IDCARD: IDFRONTSIDE"}, "alloweddocuments of the wrong kind: a step without documents"},
        {R"({"s": {"alloweddocuments": [7, null, {"country": 5, "documents": ["IDCARD"]}, {"country": "DE"},
                                        {"country": "DE", "documents": "IDCARD"},
                                        {"country": "FR", "documents": ["IDCARD", 3, "SPACESUIT", null]}],
                   "images": ["IDFRONTSIDE", 4, "SELFIE", {"x": 1}]}})",
         {"FR IDCARD: IDFRONTSIDE"}, "unusable entries, documents and photos are left out"},
        {R"({"s": {"alloweddocuments": [{"country": "DE", "documents": ["PASSPORT"]}], "images": "IDFRONTSIDE"},
             "t": {"images": null}, "u": 12})",
         {"DE PASSPORT:"}, "images of the wrong kind: no photos"},
    };
    for (const auto& c : cases) {
        KVNPhotoIdentification photo;
        photo.updateWithProcessStepsResponse(json::parse(c.steps));
        EXPECT_EQ(describe(photo), c.expected) << c.why;
    }
}
