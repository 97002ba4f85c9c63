#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"

#include <array>
#include <string_view>
#include <utility>

namespace {

// First match wins, so the order is the service's.
constexpr std::array<std::pair<std::string_view, KVNIdentificationStatus>, 19> kCommands{{
    {"agentConnected", KVNIdentificationStatusConnected},
    {"setupComplete", KVNIdentificationStatusFace},
    {"finishedFace", KVNIdentificationStatusFrontside},
    {"initialComparisonDone", KVNIdentificationStatusFace},
    {"finishedIdType", KVNIdentificationStatusFrontside},
    {"finishedIdFrontside", KVNIdentificationStatusWiggle},
    {"wiggleDone", KVNIdentificationStatusBackside},
    {"finishedIdBackside", KVNIdentificationStatusIDNumber},
    {"doUserStep", KVNIdentificationStatusUserStep},
    {"idNumberDone", KVNIdentificationStatusRequestCode},
    {"finishedCensoringFront", KVNIdentificationStatusRequestCode},
    {"finishedCensoringBack", KVNIdentificationStatusRequestCode},
    {"finishedIntegrityIdData", KVNIdentificationStatusRequestCode},
    {"finishedIntegrityMrz", KVNIdentificationStatusRequestCode},
    {"signatureDone", KVNIdentificationStatusRequestCode},
    {"tanDone", KVNIdentificationStatusGoodBye},
    {"finished", KVNIdentificationStatusFinished},
    {"failed", KVNIdentificationStatusFailed},
    {"startESigning", KVNIdentificationStatusESignature},
}};

constexpr std::array<std::string_view, 16> kNames{
    "KVNIdentificationStatusConnecting - 0",  "KVNIdentificationStatusConnected - 1",  "KVNIdentificationStatusFace - 2",
    "KVNIdentificationStatusFrontside - 3",   "KVNIdentificationStatusWiggle - 4",     "KVNIdentificationStatusBackside - 5",
    "KVNIdentificationStatusIDNumber - 6",    "KVNIdentificationStatusESignature - 7", "KVNIdentificationStatusUserStep - 8",
    "KVNIdentificationStatusRequestCode - 9", "KVNIdentificationStatusSendCode - 10",  "KVNIdentificationStatusAgentBusy - 11",
    "KVNIdentificationStatusGoodBye - 12",    "KVNIdentificationStatusFinished - 13",  "KVNIdentificationStatusFailed - 14",
    "KVNIdentificationStatusNotDefined - 15",
};

} // namespace

KVNIdentificationStatus KVNStatusForCommand(const std::optional<std::string>& command)
{
    if (!command)
        return KVNIdentificationStatusNotDefined;
    for (const auto& [text, status] : kCommands) {
        if (text == *command)
            return status;
    }
    return KVNIdentificationStatusNotDefined;
}

std::string KVNStatusDescription(long status)
{
    if (status < 0 || status >= static_cast<long>(kNames.size()))
        return {};
    return std::string(kNames[static_cast<size_t>(status)]);
}
