#pragma once
// A row of the photo identification's document list: the document's picture on a blurred
// copy of itself, a title and a subtitle, and a disclosure indicator. The blurred copies are
// made off the main thread and kept in a small cache for the whole class, so each picture is
// blurred once while its entry lasts. Rows are sized before any cell exists, through the class
// height method. Main thread only (the blur alone runs on a global queue).
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UITableViewCell.h"

class KVNDocument;
class KVNLabel;
class KVNMediumLabel;
class UIImage;
class UIImageView;

class KVNDocumentSelectionCell : public UITableViewCell {
public:
    void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier) override;

    const std::shared_ptr<UIImageView>& backgroundImageView() const { return m_backgroundImageView; }
    const std::shared_ptr<UIImageView>& foregroundImageView() const { return m_foregroundImageView; }
    const std::shared_ptr<KVNMediumLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNLabel>& subtitleLabel() const { return m_subtitleLabel; }

    void updateWithDocument(const std::shared_ptr<KVNDocument>& document);
    void prepareForReuse() override;
    void layoutSubviews() override;

    static CGFloat expectedHeightWithTitle_content_accessoryType_cellWidth(const std::string& title, const std::string& content,
                                                                           UITableViewCellAccessoryType accessoryType, CGFloat cellWidth);
    // The blurred copy kept under an image name, if any.
    static std::shared_ptr<UIImage> cachedBackgroundForImageName(const std::string& imageName);

protected:
    virtual void setup();

private:
    void showBlurredBackground(const std::string& imageName, const std::shared_ptr<UIImage>& blurred);

    std::shared_ptr<UIImageView> m_backgroundImageView;
    std::shared_ptr<UIImageView> m_foregroundImageView;
    std::shared_ptr<KVNMediumLabel> m_titleLabel;
    std::shared_ptr<KVNLabel> m_subtitleLabel;
    // The picture this row last asked a blur for: a blur that lands after the row was reused
    // for another document is not shown on it.
    std::optional<std::string> m_pendingImageName;
};
