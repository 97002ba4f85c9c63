#include "Private/UIElements/KVNDocumentSelectionCell.h"

#include <algorithm>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSCache.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLog.h"
#include "Private/UIElements/CellSelectionBackground.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UIScreen.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr CGFloat kImageSide = 70;
constexpr CGFloat kImageLeft = 15;
constexpr CGFloat kImageToText = 15;
constexpr CGFloat kTextRight = 5;
constexpr CGFloat kTitleTop = 10;
constexpr CGFloat kTitleToSubtitle = 4;
constexpr CGFloat kBottom = 10;
constexpr CGFloat kMinimumHeight = 74;
constexpr size_t kCachedBackgrounds = 5;

using BackgroundCache = NSCache<UIImage>;

const std::shared_ptr<BackgroundCache>& backgroundCache()
{
    static const std::shared_ptr<BackgroundCache> cache = [] {
        auto made = std::make_shared<BackgroundCache>();
        made->setCountLimit(kCachedBackgrounds);
        return made;
    }();
    return cache;
}

CGFloat textWidthFor(CGFloat contentWidth) { return contentWidth - kImageLeft - kImageSide - kImageToText - kTextRight; }

std::shared_ptr<UIImageView> makeImageView()
{
    auto view = std::make_shared<UIImageView>();
    view->init();
    view->setContentMode(UIViewContentModeCenter);
    view->setClipsToBounds(true);
    return view;
}

} // namespace

void KVNDocumentSelectionCell::initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    UITableViewCell::initWithStyle_reuseIdentifier(style, std::move(reuseIdentifier));
    setup();
}

void KVNDocumentSelectionCell::setup()
{
    KVN_ASSERT_MAIN_THREAD();
    backgroundCache();
    auto appearance = KavoniAppearance::sharedAppearance();
    auto content = contentView();

    setSelectedBackgroundView(kvn::brandSelectionBackground());

    m_backgroundImageView = makeImageView();
    content->addSubview(m_backgroundImageView);
    Layout::ConstraintMaker::make(m_backgroundImageView, [&](Layout::ConstraintMaker& make) {
        make.width().height().equalTo(kImageSide);
        make.left().equalTo(content).offset(kImageLeft);
        make.top().equalTo(content);
    });
    m_foregroundImageView = makeImageView();
    content->addSubview(m_foregroundImageView);
    Layout::ConstraintMaker::make(m_foregroundImageView,
                                  [&](Layout::ConstraintMaker& make) { make.edges().equalTo(m_backgroundImageView); });

    m_titleLabel = std::make_shared<KVNMediumLabel>();
    m_titleLabel->init();
    m_titleLabel->setFontSize(16);
    m_titleLabel->setTextColor(appearance->primaryBrandColor());
    content->addSubview(m_titleLabel);
    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_backgroundImageView->rightAnchor()).offset(kImageToText);
        make.top().equalTo(content).offset(kTitleTop);
        make.right().equalTo(content).offset(-kTextRight);
    });

    m_subtitleLabel = std::make_shared<KVNLabel>();
    m_subtitleLabel->init();
    m_subtitleLabel->setFont(KVNExtensions::regularFontOfSize(13));
    m_subtitleLabel->setTextColor(UIColor::lightGrayColor());
    m_subtitleLabel->setNumberOfLines(0);
    content->addSubview(m_subtitleLabel);
    Layout::ConstraintMaker::make(m_subtitleLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_titleLabel->bottomAnchor()).offset(kTitleToSubtitle);
    });

    setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
}

void KVNDocumentSelectionCell::updateWithDocument(const std::shared_ptr<KVNDocument>& document)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!document)
        return;
    const std::string imageName = document->documentImageName();
    m_titleLabel->setText(document->localizedTitle());
    m_subtitleLabel->setText(document->localizedSubtitle());
    auto foreground = KVNImageProvider::imageNamed(imageName);
    m_foregroundImageView->setImage(foreground);

    if (auto cached = backgroundCache()->objectForKey(imageName)) {
        m_pendingImageName.reset();
        m_backgroundImageView->setImage(cached);
        return;
    }
    m_backgroundImageView->setImage(nullptr);
    m_pendingImageName = imageName;
    auto country = document->country();
    const std::string locale = country ? country->locale() : std::string();
    const long type = document->type();
    const CGFloat scale = UIScreen::mainScreen()->scale();
    std::weak_ptr<KVNDocumentSelectionCell> weakCell = std::static_pointer_cast<KVNDocumentSelectionCell>(shared_from_this());
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [=] {
        auto blurred = KVNExtensions::applyLightEffect(
            KVNExtensions::resizedImageWithMinDimension_allowUpScale_withScale(foreground, kImageSide, true, scale));
        // The cache takes the blur even when the row has gone meanwhile: the next row of the
        // same document must not blur again.
        kvn::postToMainQueue(backgroundCache(), [=](BackgroundCache& cache) {
            if (blurred)
                cache.setObject_forKey(blurred, imageName);
            else
                KVNLogLocated(__FILE__, __LINE__, "Document image missing for country: %@ and document type: %zd", locale, type);
            kvn::postToMainQueue(weakCell, [=](KVNDocumentSelectionCell& cell) { cell.showBlurredBackground(imageName, blurred); });
        });
    });
}

void KVNDocumentSelectionCell::showBlurredBackground(const std::string& imageName, const std::shared_ptr<UIImage>& blurred)
{
    if (m_pendingImageName != imageName)
        return;
    m_pendingImageName.reset();
    m_backgroundImageView->setImage(blurred);
}

void KVNDocumentSelectionCell::prepareForReuse()
{
    UITableViewCell::prepareForReuse();
    m_pendingImageName.reset();
}

void KVNDocumentSelectionCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    // The subtitle wraps at the width the height method measures at; its own frame still
    // holds the previous width at this point.
    if (kvn::wrapAtWidth({m_titleLabel, m_subtitleLabel}, textWidthFor(contentView()->bounds().size.width))) {
        contentView()->setNeedsLayout();
        setNeedsLayout();
    }
}

std::shared_ptr<UIImage> KVNDocumentSelectionCell::cachedBackgroundForImageName(const std::string& imageName)
{
    return backgroundCache()->objectForKey(imageName);
}

CGFloat KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth(const std::string& title,
                                                                                          const std::string& content,
                                                                                          UITableViewCellAccessoryType accessoryType,
                                                                                          CGFloat cellWidth)
{
    const CGFloat width = textWidthFor(cellWidth - UITableViewCell::accessoryWidthForType(accessoryType));
    const float height = float(kvn::textHeight(title, KVNExtensions::mediumFontOfSize(16), width) + kTitleTop + kTitleToSubtitle +
                               kvn::textHeight(content, KVNExtensions::regularFontOfSize(13), width) + kBottom);
    return std::max(height, float(kMinimumHeight));
}
