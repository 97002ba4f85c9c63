#include "models/KVNDocument.h"

#include <memory>
#include <string>

#include "models/KVNCountry.h"
#include "models/KVNPhoto.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"
#include "UIKit/UIImage.h"

namespace {

class KVNDocumentTest : public ManualClockFixture {};

TEST_F(KVNDocumentTest, NameTable)
{
    const struct {
        const char* name;
        long type;
        const char* imageName;
    } table[] = {
        {"IDCARD", 0, "kvn-document-IDCARD-DE"},
        {"PASSPORT", 1, "kvn-document-PASSPORT-DE"},
        {"RESIDENCE_PERMIT", 2, "kvn-document-RESIDENCE_PERMIT-DE"},
        {"DRIVERS_LICENSE", 3, "kvn-document-DRIVERS_LICENSE-DE"},
    };
    for (const auto& row : table) {
        auto document = KVNDocument::documentWithName(row.name);
        ASSERT_TRUE(document) << row.name;
        EXPECT_EQ(document->type(), row.type) << row.name;
        EXPECT_EQ(document->documentName(), row.name);
        EXPECT_EQ(document->documentImageName(), row.imageName);
        EXPECT_FALSE(document->localizedSubtitle()) << row.name;
    }
}

TEST_F(KVNDocumentTest, NameOutsideTheTableGivesNoDocument)
{
    for (const char* name : {"", "idcard", "VISA", "IDCARD ", "IDFRONTSIDE"})
        EXPECT_FALSE(KVNDocument::documentWithName(name)) << name;
    KVNDocument document;
    for (long type : {-1L, 4L, 1000L}) {
        document.setType(type);
        EXPECT_EQ(document.documentName(), "") << type;
    }
}

TEST_F(KVNDocumentTest, TitleComesFromTheLibraryTable)
{
    KvnTestBundle bundle;
    NSLocale::setPreferredLanguages({"en"});
    EXPECT_EQ(KVNDocument::documentWithName("PASSPORT")->localizedTitle(), "Passport");
    bundle.setHostStrings({{"PHOTO_DOCUMENT_IDCARD_TITLE", "host ID card"}});
    EXPECT_EQ(KVNDocument::documentWithName("IDCARD")->localizedTitle(), "host ID card");
}

TEST_F(KVNDocumentTest, CleanUpPhotosForgetsEveryImageAndThumbnail)
{
    auto document = KVNDocument::documentWithName("IDCARD");
    auto image = UIImage::imageWithData(KvnTestBundle::solidPNG(4, 4, 0x00FF00FF));
    ASSERT_TRUE(image);
    std::vector<std::shared_ptr<KVNPhoto>> photos;
    for (const char* name : {"IDFRONTSIDE", "IDBACKSIDE", "FACESCREENSHOT"}) {
        auto photo = KVNPhoto::photoWithName(name);
        photo->setDocument(document);
        photo->setImage(image);
        photo->setThumbnail(image);
        photos.push_back(photo);
    }
    document->setPhotos(photos);
    document->cleanUpPhotos();
    for (const auto& photo : photos) {
        EXPECT_FALSE(photo->image()) << photo->photoName();
        EXPECT_FALSE(photo->thumbnail()) << photo->photoName();
    }
    EXPECT_EQ(document->photos().size(), 3u) << "the slots stay, only their pictures go";
}

// Country, documents and photos point at each other; releasing the country must release
// the whole graph (the sanitizer's leak check would also catch a cycle).
TEST_F(KVNDocumentTest, CountryDocumentAndPhotoDoNotKeepEachOtherAlive)
{
    auto country = KVNCountry::countryWithLocale("DE");
    auto document = KVNDocument::documentWithName("IDCARD");
    auto photo = KVNPhoto::photoWithName("IDFRONTSIDE");
    document->setCountry(country);
    photo->setDocument(document);
    document->setPhotos({photo});
    country->setDocuments({document});
    EXPECT_EQ(document->country(), country);
    EXPECT_EQ(photo->document(), document);

    std::weak_ptr<KVNCountry> weakCountry = country;
    std::weak_ptr<KVNDocument> weakDocument = document;
    std::weak_ptr<KVNPhoto> weakPhoto = photo;
    document.reset();
    photo.reset();
    EXPECT_FALSE(weakDocument.expired()) << "the country owns its documents";
    EXPECT_FALSE(weakPhoto.expired()) << "the document owns its photos";
    country.reset();
    EXPECT_TRUE(weakCountry.expired());
    EXPECT_TRUE(weakDocument.expired());
    EXPECT_TRUE(weakPhoto.expired());
}

} // namespace
