#include "models/KVNPhoto.h"

#include <map>
#include <memory>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIImage.h"
#include "models/KVNDocument.h"
#include "public/KavoniAppearance.h"
#include "support/KvnTestBundle.h"
#include "support/ManualClockFixture.h"

namespace {

class KVNPhotoTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        KavoniAppearance::resetSharedAppearanceForTesting();
        NSLocale::setPreferredLanguages({"en"});
    }
    void TearDown() override
    {
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        KavoniAppearance::resetSharedAppearanceForTesting();
        ManualClockFixture::TearDown();
    }

    // A slot of a document; the document is kept alive by `documents`.
    std::shared_ptr<KVNPhoto> slot(const std::string& documentName, const std::string& photoName)
    {
        auto photo = KVNPhoto::photoWithName(photoName);
        EXPECT_TRUE(photo) << photoName;
        if (!documentName.empty()) {
            auto document = KVNDocument::documentWithName(documentName);
            EXPECT_TRUE(document) << documentName;
            document->setPhotos({photo});
            photo->setDocument(document);
            documents.push_back(document);
        }
        return photo;
    }

    std::vector<std::shared_ptr<KVNDocument>> documents;
};

TEST_F(KVNPhotoTest, NameTableWithCameraTorchAndMask)
{
    const struct {
        const char* name;
        long type;
        AVCaptureDevicePosition camera;
        bool torch;
        bool mask;
    } table[] = {
        {"IDFRONTSIDE", 0, AVCaptureDevicePositionBack, false, true},
        {"IDBACKSIDE", 1, AVCaptureDevicePositionBack, false, true},
        {"IDHOLOGRAMS", 2, AVCaptureDevicePositionBack, true, false},
        {"DRIVERSFRONTSIDE", 3, AVCaptureDevicePositionBack, false, true},
        {"DRIVERSBACKSIDE", 4, AVCaptureDevicePositionBack, false, true},
        {"DRIVERSHOLOGRAMS", 5, AVCaptureDevicePositionBack, true, false},
        {"FACESCREENSHOT", 6, AVCaptureDevicePositionFront, false, true},
    };
    for (const auto& row : table) {
        auto photo = KVNPhoto::photoWithName(row.name);
        ASSERT_TRUE(photo) << row.name;
        EXPECT_EQ(photo->type(), row.type) << row.name;
        EXPECT_EQ(photo->photoName(), row.name);
        EXPECT_EQ(photo->captureDevicePosition(), row.camera) << row.name;
        EXPECT_EQ(photo->shouldEnableTorchByDefault(), row.torch) << row.name;
        EXPECT_EQ(photo->shouldShowMask(), row.mask) << row.name;
        EXPECT_FALSE(photo->image());
        EXPECT_FALSE(photo->thumbnail());
        EXPECT_FALSE(photo->document());
    }
    EXPECT_EQ(static_cast<long>(AVCaptureDevicePositionBack), 1);
    EXPECT_EQ(static_cast<long>(AVCaptureDevicePositionFront), 2);
}

TEST_F(KVNPhotoTest, NameOutsideTheTableGivesNoPhoto)
{
    for (const char* name : {"", "idfrontside", "SELFIE", "IDCARD"})
        EXPECT_FALSE(KVNPhoto::photoWithName(name)) << name;
    KVNPhoto photo;
    photo.setType(7);
    EXPECT_EQ(photo.photoName(), "");
}

TEST_F(KVNPhotoTest, MaskImageByDocumentAndSlot)
{
    KvnTestBundle bundle;
    // Each mask gets its own width so the test can tell which one came back.
    const std::map<std::string, int> widths{{"kvn-mask-id-1", 10}, {"kvn-mask-id-3", 30}, {"kvn-mask-face", 60}};
    for (const auto& [name, width] : widths)
        bundle.addImage(name, width, 4);

    const struct {
        const char* document;
        const char* photo;
        const char* mask;
    } cases[] = {
        {"PASSPORT", "IDFRONTSIDE", "kvn-mask-id-3"},
        {"PASSPORT", "IDBACKSIDE", "kvn-mask-id-3"},
        {"PASSPORT", "IDHOLOGRAMS", "kvn-mask-id-3"},
        {"IDCARD", "IDFRONTSIDE", "kvn-mask-id-1"},
        {"RESIDENCE_PERMIT", "IDBACKSIDE", "kvn-mask-id-1"},
        {"DRIVERS_LICENSE", "DRIVERSFRONTSIDE", "kvn-mask-id-1"},
        {"DRIVERS_LICENSE", "DRIVERSBACKSIDE", "kvn-mask-id-1"},
        {"PASSPORT", "DRIVERSHOLOGRAMS", "kvn-mask-id-1"},
        {"PASSPORT", "FACESCREENSHOT", "kvn-mask-face"},
        {"", "IDFRONTSIDE", "kvn-mask-id-1"}, // a slot whose document is gone
    };
    for (const auto& c : cases) {
        auto mask = slot(c.document, c.photo)->maskImage();
        ASSERT_TRUE(mask) << c.document << " " << c.photo;
        EXPECT_EQ(mask->size().width, widths.at(c.mask)) << c.document << " " << c.photo;
    }
}

TEST_F(KVNPhotoTest, TextKeysUseDocumentAndPhotoExceptForTheFace)
{
    KvnTestBundle bundle;
    // Host texts that name their own key show which key each operation looked up.
    std::map<std::string, std::string> host;
    for (const char* key : {"PHOTO_TODO_PASSPORT_IDBACKSIDE_TITLE", "PHOTO_TODO_PASSPORT_IDBACKSIDE_SUBTITLE",
                            "PHOTO_HELP_PASSPORT_IDBACKSIDE_TITLE", "PHOTO_HELP_PASSPORT_IDBACKSIDE_DESCRIPTION",
                            "PHOTO_HELP_PASSPORT_IDBACKSIDE_LIST", "PHOTO_TODO_FACESCREENSHOT_TITLE",
                            "PHOTO_TODO_FACESCREENSHOT_SUBTITLE", "PHOTO_HELP_FACESCREENSHOT_TITLE",
                            "PHOTO_HELP_FACESCREENSHOT_DESCRIPTION", "PHOTO_HELP_FACESCREENSHOT_LIST"})
        host[key] = std::string("host:") + key;
    bundle.setHostStrings(host);

    auto back = slot("PASSPORT", "IDBACKSIDE");
    EXPECT_EQ(back->localizedTitle(), "host:PHOTO_TODO_PASSPORT_IDBACKSIDE_TITLE");
    EXPECT_EQ(back->localizedSubtitle(), "host:PHOTO_TODO_PASSPORT_IDBACKSIDE_SUBTITLE");
    EXPECT_EQ(back->localizedHelpTitle(), "host:PHOTO_HELP_PASSPORT_IDBACKSIDE_TITLE");
    EXPECT_EQ(back->localizedHelpDescription(), "host:PHOTO_HELP_PASSPORT_IDBACKSIDE_DESCRIPTION");
    EXPECT_EQ(back->localizedHelpListAsAttributedString()->string(), "host:PHOTO_HELP_PASSPORT_IDBACKSIDE_LIST");

    for (const char* document : {"IDCARD", "PASSPORT", "DRIVERS_LICENSE", ""}) {
        auto face = slot(document, "FACESCREENSHOT");
        EXPECT_EQ(face->localizedTitle(), "host:PHOTO_TODO_FACESCREENSHOT_TITLE") << document;
        EXPECT_EQ(face->localizedSubtitle(), "host:PHOTO_TODO_FACESCREENSHOT_SUBTITLE") << document;
        EXPECT_EQ(face->localizedHelpTitle(), "host:PHOTO_HELP_FACESCREENSHOT_TITLE") << document;
        EXPECT_EQ(face->localizedHelpDescription(), "host:PHOTO_HELP_FACESCREENSHOT_DESCRIPTION") << document;
        EXPECT_EQ(face->localizedHelpListAsAttributedString()->string(), "host:PHOTO_HELP_FACESCREENSHOT_LIST") << document;
    }
}

// Every key the photo flow forms has a real text in both languages of the library.
TEST_F(KVNPhotoTest, LibraryTablesHoldEveryPhotoFlowKey)
{
    KvnTestBundle bundle;
    for (const char* language : {"en", "de"}) {
        KVNLocalizer::setUserInterfaceLanguage(std::string(language));
        auto check = [&](const std::shared_ptr<KVNPhoto>& photo, const std::string& where) {
            for (const std::string& text : {photo->localizedTitle(), photo->localizedSubtitle(), photo->localizedHelpTitle(),
                                            photo->localizedHelpDescription(), photo->localizedHelpListAsAttributedString()->string()}) {
                EXPECT_FALSE(text.empty()) << language << " " << where;
                EXPECT_EQ(text.find("PHOTO_"), std::string::npos) << language << " " << where << ": " << text;
            }
        };
        for (const auto& document : KVNDocument::documentNames()) {
            const std::string title = KVNDocument::documentWithName(document)->localizedTitle();
            EXPECT_EQ(title.find("PHOTO_"), std::string::npos) << language << " " << document;
            for (const char* photo : {"IDFRONTSIDE", "IDBACKSIDE", "IDHOLOGRAMS"})
                check(slot(document, photo), document + "/" + photo);
        }
        check(slot("", "FACESCREENSHOT"), "face");
    }
}

TEST_F(KVNPhotoTest, HelpListIsStyledOverItsWholeLength)
{
    KvnTestBundle bundle;
    auto textColor = UIColor::colorWithRed_green_blue_alpha(0.1, 0.2, 0.3, 1.0);
    KavoniAppearance::sharedAppearance()->setDefaultTextColor(textColor);

    auto list = slot("IDCARD", "IDFRONTSIDE")->localizedHelpListAsAttributedString();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->string(), KVNLocalizer::localizedStringForKey("PHOTO_HELP_IDCARD_IDFRONTSIDE_LIST"));
    ASSERT_EQ(list->runs().size(), 1u);
    EXPECT_EQ(list->runs()[0].range, NSMakeRange(0, list->length()));

    const NSDictionary& attributes = list->runs()[0].attributes;
    auto style = NSDictionaryValue<std::shared_ptr<NSParagraphStyle>>(attributes, NSParagraphStyleAttributeName);
    ASSERT_TRUE(style && *style);
    EXPECT_EQ((*style)->tabStops(), std::vector<NSTextTab>{NSTextTab(NSTextAlignmentLeft, 20)});
    EXPECT_EQ((*style)->defaultTabInterval(), 20);
    EXPECT_EQ((*style)->firstLineHeadIndent(), 0);
    EXPECT_EQ((*style)->headIndent(), 20);

    auto font = NSDictionaryValue<std::shared_ptr<UIFont>>(attributes, NSFontAttributeName);
    ASSERT_TRUE(font && *font);
    EXPECT_EQ((*font)->pointSize(), 14);
    EXPECT_EQ((*font)->fontName(), KVNExtensions::regularFontOfSize(14)->fontName());

    auto color = NSDictionaryValue<std::shared_ptr<UIColor>>(attributes, NSForegroundColorAttributeName);
    ASSERT_TRUE(color && *color);
    EXPECT_TRUE((*color)->isEqual(*textColor));
}

TEST_F(KVNPhotoTest, HelpExampleImageFallsBackToTheGenericExample)
{
    KvnTestBundle bundle;
    bundle.writeFile("kvn-helper-IDCARD-IDFRONTSIDE.jpg", [] {
        NSData png = KvnTestBundle::solidPNG(11, 2, 0xFF0000FF);
        return std::string(png.begin(), png.end());
    }());
    bundle.writeFile("kvn-helper-FACESCREENSHOT.jpg", [] {
        NSData png = KvnTestBundle::solidPNG(12, 2, 0x00FF00FF);
        return std::string(png.begin(), png.end());
    }());
    bundle.addImage("helpexample-0", 13, 2);

    const struct {
        const char* document;
        const char* photo;
        double width;
    } cases[] = {
        {"IDCARD", "IDFRONTSIDE", 11},
        {"PASSPORT", "FACESCREENSHOT", 12},
        {"PASSPORT", "IDFRONTSIDE", 13},
        {"IDCARD", "IDBACKSIDE", 13},
    };
    for (const auto& c : cases) {
        auto image = slot(c.document, c.photo)->helpExampleImage();
        ASSERT_TRUE(image) << c.document << " " << c.photo;
        EXPECT_EQ(image->size().width, c.width) << c.document << " " << c.photo;
    }
}

} // namespace
