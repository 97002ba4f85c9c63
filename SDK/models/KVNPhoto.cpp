#include "models/KVNPhoto.h"

#include <algorithm>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "models/KVNDocument.h"
#include "public/KavoniAppearance.h"

const std::vector<std::string>& KVNPhoto::photoNames()
{
    static const std::vector<std::string> names{"IDFRONTSIDE",      "IDBACKSIDE",       "IDHOLOGRAMS",   "DRIVERSFRONTSIDE",
                                                "DRIVERSBACKSIDE", "DRIVERSHOLOGRAMS", "FACESCREENSHOT"};
    return names;
}

std::shared_ptr<KVNPhoto> KVNPhoto::photoWithName(const std::string& name)
{
    const auto& names = photoNames();
    auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) {
        // The service asked for a photo this library has no camera rules for.
        KVNLogLocated(__FILE__, __LINE__, "Unknown photo name: %@", name);
        return nullptr;
    }
    auto photo = std::make_shared<KVNPhoto>();
    photo->setType(static_cast<long>(it - names.begin()));
    return photo;
}

std::string KVNPhoto::photoName() const
{
    const auto& names = photoNames();
    if (m_type < 0 || m_type >= static_cast<long>(names.size()))
        return std::string();
    return names[static_cast<size_t>(m_type)];
}

std::string KVNPhoto::textKey(const char* format, const char* faceFormat) const
{
    if (isFace())
        return NSString::stringWithFormat(faceFormat, photoName());
    // A slot whose document is gone forms the key the way a nil name would, and finds no text.
    std::optional<std::string> documentName;
    if (auto document = m_document.lock())
        documentName = document->documentName();
    return NSString::stringWithFormat(format, documentName, photoName());
}

std::shared_ptr<UIImage> KVNPhoto::maskImage() const
{
    std::string word;
    switch (m_type) {
    case IdFrontSide:
    case IdBackSide:
    case IdHolograms: {
        auto document = m_document.lock();
        word = document && document->type() == KVNDocument::Passport ? "id-3" : "id-1";
        break;
    }
    case FaceScreenshot:
        word = "face";
        break;
    default:
        word = "id-1";
        break;
    }
    return KVNImageProvider::imageNamed(NSString::stringWithFormat("kvn-mask-%@", word));
}

std::shared_ptr<UIImage> KVNPhoto::helpExampleImage() const
{
    std::shared_ptr<UIImage> image = KVNImageProvider::imageNamed(textKey("kvn-helper-%@-%@.jpg", "kvn-helper-%@.jpg"));
    if (!image)
        image = KVNImageProvider::imageNamed("helpexample-0");
    return image;
}

std::string KVNPhoto::localizedTitle() const
{
    return KVNLocalizer::localizedStringForKey(textKey("PHOTO_TODO_%@_%@_TITLE", "PHOTO_TODO_%@_TITLE"));
}

std::string KVNPhoto::localizedSubtitle() const
{
    return KVNLocalizer::localizedStringForKey(textKey("PHOTO_TODO_%@_%@_SUBTITLE", "PHOTO_TODO_%@_SUBTITLE"));
}

std::string KVNPhoto::localizedHelpTitle() const
{
    return KVNLocalizer::localizedStringForKey(textKey("PHOTO_HELP_%@_%@_TITLE", "PHOTO_HELP_%@_TITLE"));
}

std::string KVNPhoto::localizedHelpDescription() const
{
    return KVNLocalizer::localizedStringForKey(textKey("PHOTO_HELP_%@_%@_DESCRIPTION", "PHOTO_HELP_%@_DESCRIPTION"));
}

std::shared_ptr<NSAttributedString> KVNPhoto::localizedHelpListAsAttributedString() const
{
    const std::string text = KVNLocalizer::localizedStringForKey(textKey("PHOTO_HELP_%@_%@_LIST", "PHOTO_HELP_%@_LIST"));

    // Items are "<bullet>\t<text>": the tab stop and the head indent line every wrapped line
    // up under the text, so the bullet hangs.
    auto paragraphStyle = std::make_shared<NSMutableParagraphStyle>();
    paragraphStyle->setTabStops({NSTextTab(NSTextAlignmentLeft, 20)});
    paragraphStyle->setDefaultTabInterval(20);
    paragraphStyle->setFirstLineHeadIndent(0);
    paragraphStyle->setHeadIndent(20);

    NSDictionary attributes;
    attributes[NSParagraphStyleAttributeName] = std::shared_ptr<NSParagraphStyle>(paragraphStyle);
    attributes[NSFontAttributeName] = KVNExtensions::regularFontOfSize(14);
    attributes[NSForegroundColorAttributeName] = KavoniAppearance::sharedAppearance()->defaultTextColor();
    return NSAttributedString::attributedStringWithString(text, attributes);
}

AVCaptureDevicePosition KVNPhoto::captureDevicePosition() const
{
    return isFace() ? AVCaptureDevicePositionFront : AVCaptureDevicePositionBack;
}

bool KVNPhoto::shouldEnableTorchByDefault() const
{
    return m_type == IdHolograms || m_type == DriversHolograms;
}

bool KVNPhoto::shouldShowMask() const
{
    return m_type != IdHolograms && m_type != DriversHolograms;
}
