#include "Private/Tasks/VideoIdent/Identification/KVNInfoViewController.h"

#include <cmath>
#include <cstdint>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"

namespace {

// Shared by every panel of the process: the text the latest panel computed.
std::string& sharedWaitingTimeText()
{
    static std::string text;
    return text;
}

std::shared_ptr<KVNVideoIdentification> videoData()
{
    return KVNIdentification::sharedIdentification()->videoIdentification();
}

} // namespace

void KVNInfoViewController::resetSharedWaitingTimeTextForTesting()
{
    sharedWaitingTimeText().clear();
}

void KVNInfoViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = view();
    self->setBackgroundColor(UIColor::clearColor());
    self->setTranslatesAutoresizingMaskIntoConstraints(false);

    m_blurredView = std::make_shared<KVNBlurredView>();
    m_blurredView->init();
    self->addSubview(m_blurredView);
    Layout::ConstraintMaker::make(m_blurredView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });

    m_shortInfoLabel = std::make_shared<KVNMediumLabel>();
    m_shortInfoLabel->init();
    m_shortInfoLabel->setTextColor(KavoniAppearance::sharedAppearance()->headlineColor());
    m_shortInfoLabel->setFontSize(17);
    m_shortInfoLabel->setNumberOfLines(0);

    m_largeInfoLabel = std::make_shared<KVNLabel>();
    m_largeInfoLabel->init();
    m_largeInfoLabel->setFont(KVNExtensions::regularFontOfSize(15));
    m_largeInfoLabel->setNumberOfLines(0);

    m_lockTimeEstimate = false;
    updateForIdentificationStatus(KVNIdentificationStatusConnecting);

    if (auto* customization = dynamic_cast<KVNUICustomization*>(this))
        customization->onSetupComplete();
}

void KVNInfoViewController::layoutLabels()
{
    auto content = m_blurredView->contentView();
    m_shortInfoLabel->removeFromSuperview();
    m_largeInfoLabel->removeFromSuperview();
    content->addSubview(m_shortInfoLabel);
    content->addSubview(m_largeInfoLabel);
    Layout::ConstraintMaker::make(m_largeInfoLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(15);
        make.right().equalTo(content).offset(-15);
        make.bottom().equalTo(content).offset(-15);
    });
    Layout::ConstraintMaker::make(m_shortInfoLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(content).offset(20);
        make.bottom().equalTo(m_largeInfoLabel->topAnchor()).offset(-15);
        make.left().right().equalTo(m_largeInfoLabel);
    });
}

void KVNInfoViewController::updateForIdentificationStatus(long status)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_blurredView)
        return;
    layoutLabels();
    m_shortInfoLabel->setText(shortInfoLabelTextForIdentificationStatus(status));
    m_largeInfoLabel->setText(largeInfoLabelTextForIdentificationStatus(status));
}

std::optional<std::string> KVNInfoViewController::shortInfoLabelTextForIdentificationStatus(long status) const
{
    auto video = videoData();
    auto text = [](const char* key) { return std::optional<std::string>(KVNLocalizer::localizedStringForKey(key)); };
    switch (status) {
    case KVNIdentificationStatusConnecting:
        return text(video && video->positionInQueue() == 0 ? "INFO_CONNECTING_TITLE" : "INFO_CONNECTING_TITLE_LINES_BUSY");
    case KVNIdentificationStatusFace:
        return text("INFO_FACE_PHOTO_TITLE");
    case KVNIdentificationStatusFrontside:
    case KVNIdentificationStatusWiggle:
    case KVNIdentificationStatusIDNumber:
        return text("INFO_LICENSE_FRONTSIDE_TITLE");
    case KVNIdentificationStatusBackside:
        return text("INFO_LICENSE_BACKSIDE_TITLE");
    case KVNIdentificationStatusUserStep:
        return video ? video->userStepTitle() : std::nullopt;
    case KVNIdentificationStatusAgentBusy:
        return text(video && video->eSignatureEnabled() ? "VIDEO_IDENT_PROGRESS_TITLE_ESIGNATURE" : "VIDEO_IDENT_PROGRESS_TITLE");
    case KVNIdentificationStatusGoodBye:
        return text("INFO_GOODBYE_TITLE");
    default:
        return std::nullopt;
    }
}

std::optional<std::string> KVNInfoViewController::largeInfoLabelTextForIdentificationStatus(long status)
{
    auto video = videoData();
    auto text = [](const char* key) { return std::optional<std::string>(KVNLocalizer::localizedStringForKey(key)); };
    switch (status) {
    case KVNIdentificationStatusConnecting:
        if (!video || video->positionInQueue() == -1)
            return text("INFO_CONNECTING_DESCRIPTION");
        return positionInQueueText() + " " + waitingTimeText();
    case KVNIdentificationStatusFace:
        return text("INFO_FACE_PHOTO_DESCRIPTION");
    case KVNIdentificationStatusFrontside:
        return text("INFO_LICENSE_FRONTSIDE_DESCRIPTION");
    case KVNIdentificationStatusWiggle:
        return text("INFO_LICENSE_WIGGLE_DESCRIPTION");
    case KVNIdentificationStatusBackside:
        return text("INFO_LICENSE_BACKSIDE_DESCRIPTION");
    case KVNIdentificationStatusIDNumber:
        return text("INFO_LICENSE_IDNUMBER_DESCRIPTION");
    case KVNIdentificationStatusUserStep:
        return video ? video->userStepDescription() : std::nullopt;
    case KVNIdentificationStatusAgentBusy:
        return text("VIDEO_IDENT_PROGRESS_MESSAGE");
    case KVNIdentificationStatusGoodBye:
        return text("INFO_GOODBYE_DESCRIPTION");
    default:
        return std::nullopt;
    }
}

std::string KVNInfoViewController::positionInQueueText() const
{
    auto video = videoData();
    const int64_t position = video ? video->positionInQueue() : -1;
    if (position == 0)
        return KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_POSITION_0");
    if (position == 1)
        return KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_POSITION_1");
    return NSString::stringWithFormat(KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_POSITION_X"), position);
}

std::string KVNInfoViewController::waitingTimeText()
{
    auto video = videoData();
    if (!video || video->estimatedWaitingTime() == -1)
        return std::string();
    if (video->estimatedWaitingTime() < 1)
        video->setEstimatedWaitingTime(60);
    const int64_t seconds = video->estimatedWaitingTime();
    if (!m_lockTimeEstimate) {
        std::string& shared = sharedWaitingTimeText();
        if (seconds <= 59) {
            shared = NSString::stringWithFormat(KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_SECONDS"), seconds);
        } else {
            const int64_t minutes = static_cast<int64_t>(std::floor(static_cast<double>(seconds) / 60.0));
            if (minutes >= 31)
                shared = KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_LONGER");
            else if (minutes == 1)
                shared = NSString::stringWithFormat(KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_ONE_MINUTE"), int64_t{1});
            else
                shared = NSString::stringWithFormat(KVNLocalizer::localizedStringForKey("INFO_CONNECTING_DESCRIPTION_WAITING_TIME_MINUTES"), minutes);
        }
        m_lockTimeEstimate = true;
    }
    return sharedWaitingTimeText();
}
