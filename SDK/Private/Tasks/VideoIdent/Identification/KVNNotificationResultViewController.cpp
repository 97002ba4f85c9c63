#include "Private/Tasks/VideoIdent/Identification/KVNNotificationResultViewController.h"

#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNLabel.h"
#include "models/KVNIdentification.h"

void KVNNotificationResultViewController::setupContent()
{
    auto identification = KVNIdentification::sharedIdentification();
    std::optional<std::string> title;
    std::optional<std::string> detail;
    if (identification->pushNotificationChannel() == std::optional<std::string>("SMS")) {
        title = KVNLocalizer::localizedStringForKey("RESULT_SUCCESS_TITLE_SMSNOTIFICATION");
        detail = KVNLocalizer::localizedStringForKey("RESULT_SUCCESS_DETAIL_SMSNOTIFICATION");
    } else {
        title = KVNLocalizer::localizedStringForKey("RESULT_SUCCESS_TITLE_PUSHNOTIFICATION");
        if (!identification->forceWaitingList())
            detail = KVNLocalizer::localizedStringForKey("RESULT_SUCCESS_DETAIL_PUSHNOTIFICATION");
        else if (identification->enrolledInWaitingList())
            detail = identification->forcedWaitingMessageEnrolled();
        else
            detail = identification->forcedWaitingMessageSuccess();
    }
    buildContent(true, title, detail, false);
}
