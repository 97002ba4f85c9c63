#pragma once
// One photo slot of a photo identification: which side of the document (or the face) it
// shows, the photo taken and its thumbnail, and the slot's rules: camera, torch default,
// outline mask, texts and help picture. `type` indexes the fixed photo name table
// ("IDFRONTSIDE", "IDBACKSIDE", "IDHOLOGRAMS", "DRIVERSFRONTSIDE", "DRIVERSBACKSIDE",
// "DRIVERSHOLOGRAMS", "FACESCREENSHOT"). The slot points to its document weakly (the
// document owns its slots). Main thread.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AVFoundation/AVCaptureDevice.h"

class KVNDocument;
class NSAttributedString;
class UIImage;

class KVNPhoto {
public:
    enum : long {
        IdFrontSide = 0,
        IdBackSide = 1,
        IdHolograms = 2,
        DriversFrontSide = 3,
        DriversBackSide = 4,
        DriversHolograms = 5,
        FaceScreenshot = 6,
    };

    // The slot of that name; nullptr (and a log line) for a name not in the table.
    static std::shared_ptr<KVNPhoto> photoWithName(const std::string& name);
    // The photo name table, in type order.
    static const std::vector<std::string>& photoNames();

    long type() const { return m_type; }
    void setType(long type) { m_type = type; }
    const std::shared_ptr<UIImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image) { m_image = std::move(image); }
    const std::shared_ptr<UIImage>& thumbnail() const { return m_thumbnail; }
    void setThumbnail(std::shared_ptr<UIImage> thumbnail) { m_thumbnail = std::move(thumbnail); }
    std::shared_ptr<KVNDocument> document() const { return m_document.lock(); }
    void setDocument(const std::shared_ptr<KVNDocument>& document) { m_document = document; }

    // The table's name for `type`; the empty text for a type outside the table.
    std::string photoName() const;

    // The outline drawn over the camera preview: "kvn-mask-face" for the face, "kvn-mask-id-3"
    // for a passport's pages, else "kvn-mask-id-1" (through KVNImageProvider).
    std::shared_ptr<UIImage> maskImage() const;
    // The example picture of the help panel, else "helpexample-0".
    std::shared_ptr<UIImage> helpExampleImage() const;

    // Texts keyed by document and photo name ("PHOTO_TODO_IDCARD_IDFRONTSIDE_TITLE"); the
    // face's keys carry the photo name alone ("PHOTO_TODO_FACESCREENSHOT_TITLE").
    std::string localizedTitle() const;
    std::string localizedSubtitle() const;
    std::string localizedHelpTitle() const;
    std::string localizedHelpDescription() const;
    // The help list with hanging tab-separated items, regular 14 in the theme's text colour.
    std::shared_ptr<NSAttributedString> localizedHelpListAsAttributedString() const;

    // The face is taken with the front camera, everything else with the back camera.
    AVCaptureDevicePosition captureDevicePosition() const;
    // Holograms show only under the torch.
    bool shouldEnableTorchByDefault() const;
    // Holograms are taken without the outline.
    bool shouldShowMask() const;

private:
    bool isFace() const { return m_type == FaceScreenshot; }
    // The key of the format, with the document and photo names, or the photo name alone for the face.
    std::string textKey(const char* format, const char* faceFormat) const;

    long m_type = IdFrontSide;
    std::shared_ptr<UIImage> m_image;
    std::shared_ptr<UIImage> m_thumbnail;
    std::weak_ptr<KVNDocument> m_document;
};
