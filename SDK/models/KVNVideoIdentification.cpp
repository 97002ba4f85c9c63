#include "models/KVNVideoIdentification.h"

#include <cmath>
#include <limits>

#include "Foundation/NSString.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNServer.h"
#include "models/KVNApprovalPhrase.h"
#include "models/KVNContract.h"
#include "models/KVNIdentification.h"
#include "public/KavoniSettings.h"

namespace {

using json = JSONValue;

// The member under `key` of an object; nullptr when the receiver is no object or lacks it.
const json* member(const json& object, const std::string& key)
{
    if (!object.is_object())
        return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

// The member when it is an object, else nullptr.
const json* objectMember(const json& object, const std::string& key)
{
    const json* value = member(object, key);
    return value && value->is_object() ? value : nullptr;
}

// Integers are read from JSON numbers only (a fraction truncated, out of range clamped);
// anything else counts as missing.
std::optional<long> integerForKey(const json& object, const std::string& key)
{
    const json* value = member(object, key);
    if (!value)
        return std::nullopt;
    if (value->is_number_integer())
        return value->get<long>();
    if (value->is_number_unsigned()) {
        auto u = value->get<unsigned long>();
        return u > static_cast<unsigned long>(std::numeric_limits<long>::max()) ? std::numeric_limits<long>::max()
                                                                                  : static_cast<long>(u);
    }
    if (value->is_number_float()) {
        double d = value->get<double>();
        if (std::isnan(d))
            return std::nullopt;
        if (d >= 9.2e18)
            return std::numeric_limits<long>::max();
        if (d <= -9.2e18)
            return std::numeric_limits<long>::min();
        return static_cast<long>(d);
    }
    return std::nullopt;
}

int32_t clampedToInt32(long value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// A text of the service answer that the user typed: trimmed; blank or "null" is none.
std::optional<std::string> userText(const json& object, const std::string& key)
{
    auto text = KVNExtensions::wellFilledString(KVNExtensions::stringForKey(object, key));
    return text && !text->empty() ? text : std::nullopt;
}

// Takes a reported queue value unless it is negative or would raise a known value.
void takeQueueValue(long& field, const std::optional<long>& reported)
{
    if (reported && *reported >= 0 && (field == -1 || *reported < field))
        field = *reported;
}

} // namespace

void KVNVideoIdentification::setupWithResponse(const json& response)
{
    m_positionInQueue = -1;
    m_estimatedWaitingTime = -1;
    KVNExtensions::boolForKey_boolvalue(response, "officeOpen", m_officeOpen);

    std::string hours;
    if (const json* entries = member(response, "officeHours"); entries && entries->is_array()) {
        for (const auto& entry : *entries) {
            if (!entry.is_object())
                continue;
            // A part of another kind is left empty rather than shown as "(null)".
            hours += NSString::stringWithFormat("%@: %@\n", KVNExtensions::stringForKey(entry, "days").value_or(""),
                                                KVNExtensions::stringForKey(entry, "hours").value_or(""));
        }
    }
    m_officeHours = hours;

    m_eSignatureEnabled = false;
    m_eSignatureHandWritten = false;
    m_signatureCameraPosition = AVCaptureDevicePositionUnspecified;
    m_videoserverType = VideoserverTypeKavoni;

    const json* settings = objectMember(response, "settings");
    if (!settings)
        return;

    const auto videoserver = KVNExtensions::stringForKey(*settings, "videoserver");
    if (videoserver == "KAVONI")
        m_videoserverType = VideoserverTypeKavoni;
    else if (videoserver == "DISABLED")
        m_videoserverType = VideoserverTypeDisabled;
    else
        m_videoserverType = VideoserverTypeUnsupported;

    KVNExtensions::boolForKey_boolvalue(*settings, "identCodeRequired", m_identCodeRequired);
    KVNExtensions::boolForKey_boolvalue(*settings, "allowTextChat", m_allowTextChat);
    if (auto limit = integerForKey(*settings, "reviewTimelimit"))
        if (auto sessionSettings = KVNIdentification::sharedIdentification()->settings())
            sessionSettings->setReviewTimeLimit(clampedToInt32(*limit));

    if (const json* steps = objectMember(*settings, "processsteps")) {
        if (const json* esigning = objectMember(*steps, "esigning")) {
            m_eSignatureEnabled = true;
            m_eSignatureHandWritten = KVNExtensions::boolForKey(*esigning, "handwritten");
        }
    }

    if (const json* usersteps = objectMember(*settings, "usersteps")) {
        if (const json* signature = objectMember(*usersteps, "signature"))
            m_signatureCameraPosition = KVNExtensions::stringForKey(*signature, "camera") == "BACK"
                                            ? AVCaptureDevicePositionBack
                                            : AVCaptureDevicePositionFront;
    }

    m_identCodeEmailEnabled = false;
    if (const json* channels = member(*settings, "identCodeChannels"); channels && channels->is_array())
        for (const auto& channel : *channels)
            if (channel.is_string() && channel.get_ref<const std::string&>() == "EMAIL")
                m_identCodeEmailEnabled = true;

    m_isPhoneNumberCheckEnabled = KVNExtensions::boolForKey(*settings, "verifyMobileNumber");
}

void KVNVideoIdentification::updateIdentificationDataFromJSONResponse(const json& response)
{
    // The answer always replaces what the user entered, also with nothing.
    m_mobile = userText(response, "mobile");
    m_email = userText(response, "email");

    updateRequestDataFromJSONResponse(response);

    if (const json* settings = objectMember(response, "settings")) {
        const auto identification = KVNIdentification::sharedIdentification();
        // Single keys that contain a dot.
        if (auto url = KVNExtensions::stringForKey(*settings, "ios.successURL"))
            identification->setSuccessURL(identification->URLWithTransactionNumber(*url));
        if (auto url = KVNExtensions::stringForKey(*settings, "ios.failureURL"))
            identification->setFailureURL(identification->URLWithTransactionNumber(*url));
    }
}

void KVNVideoIdentification::updateRequestDataFromJSONResponse(const json& response)
{
    if (!response.is_object())
        return;
    const auto identification = KVNIdentification::sharedIdentification();
    bool flag = false;
    if (KVNExtensions::boolForKey_boolvalue(response, "waitingListEnrolled", flag))
        identification->setEnrolledInWaitingList(flag);
    if (KVNExtensions::boolForKey_boolvalue(response, "waitingListNotified", flag))
        identification->setWaitingListNotified(flag);

    if (const json* request = objectMember(response, "request")) {
        takeQueueValue(m_positionInQueue, integerForKey(*request, "positionInQueue"));
        takeQueueValue(m_estimatedWaitingTime, integerForKey(*request, "estimatedWaitingTime"));
    } else {
        m_positionInQueue = -1;
        m_estimatedWaitingTime = -1;
    }
}

void KVNVideoIdentification::updateMessagesFromJSONResponse(const json& response)
{
    const auto identification = KVNIdentification::sharedIdentification();
    identification->setForcedWaitingMessage(KVNExtensions::stringForKey(response, "js.waitingList.enforced"));
    identification->setForcedWaitingMessageSuccess(KVNExtensions::stringForKey(response, "js.waitingList.enforcedSuccess"));
    identification->setForcedWaitingMessageEnrolled(KVNExtensions::stringForKey(response, "js.waitingList.enforcedEnrolled"));
    identification->setNativeEsignTextSingle(
        KVNExtensions::stringForKey(response, "js.signing.native.consentProtocol.documentsPhrase.one"));
    identification->setNativeEsignTextPlural(
        KVNExtensions::stringForKey(response, "js.signing.native.consentProtocol.documentsPhrase.plural"));
}

void KVNVideoIdentification::updateApprovalPhrasesFromJSONResponse(const json& response)
{
    m_approvalPhrases.clear();
    if (!response.is_array())
        return;
    const auto apiBase = KVNIdentification::sharedIdentification()->server()->API_URL();
    for (const auto& element : response) {
        if (!element.is_object())
            continue;
        auto phrase = std::make_shared<KVNApprovalPhrase>();
        phrase->setName(KVNExtensions::stringForKey(element, "name"));
        phrase->setText(KVNExtensions::stringForKey(element, "value"));
        if (const json* urls = objectMember(element, "urls")) {
            for (const auto& [linkId, entry] : urls->items()) {
                if (!entry.is_object())
                    continue;
                // Without a link (or an API base) the label still takes its placeholder's place.
                auto path = KVNExtensions::stringForKey(entry, "link");
                std::optional<std::string> link;
                if (path && apiBase)
                    link = *apiBase + *path;
                phrase->addLink_name_linkId(link, KVNExtensions::stringForKey(entry, "label"), linkId);
            }
        }
        m_approvalPhrases.push_back(std::move(phrase));
    }
}

void KVNVideoIdentification::updateESignatureContractsFromJSONResponse(const json& response)
{
    if (!response.is_array())
        return;
    std::vector<std::shared_ptr<KVNContract>> contracts;
    for (const auto& element : response) {
        // An entry that is no contract object cannot be shown or signed.
        if (!element.is_object())
            continue;
        auto contract = std::make_shared<KVNContract>();
        contract->initWithDictionary(element);
        contracts.push_back(std::move(contract));
    }
    m_eSignatureContracts = std::move(contracts);
}
