#include "models/KVNIdentification.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "Foundation/Dispatch.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Extensions/UIDevice+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIScreen.h"

const std::string KVNMessagesUpdatedNotification = "KVNMessagesUpdated";

namespace {

using json = JSONValue;

std::mutex g_sharedMutex;
std::shared_ptr<KVNIdentification> g_shared;

const json* objectMember(const json& object, const std::string& key)
{
    if (!object.is_object())
        return nullptr;
    auto it = object.find(key);
    return it != object.end() && it->is_object() ? &*it : nullptr;
}

// A JSON number as a 32-bit integer (fraction truncated, out of range clamped); anything
// else counts as missing.
std::optional<int32_t> int32ForKey(const json& object, const std::string& key)
{
    if (!object.is_object())
        return std::nullopt;
    auto it = object.find(key);
    if (it == object.end() || !it->is_number())
        return std::nullopt;
    const double value = it->get<double>();
    if (std::isnan(value))
        return std::nullopt;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Pixels as text: "750" when whole, else the shortest decimal form ("750.5").
std::string pixelText(double pixels)
{
    if (std::isfinite(pixels) && pixels == std::trunc(pixels) && std::fabs(pixels) < 1e15)
        return std::to_string(static_cast<long long>(pixels));
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, pixels);
    return std::string(buffer, result.ptr);
}

} // namespace

std::shared_ptr<KVNIdentification> KVNIdentification::sharedIdentification()
{
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared)
        g_shared = std::make_shared<KVNIdentification>();
    return g_shared;
}

void KVNIdentification::resetSharedIdentification()
{
    std::lock_guard lock(g_sharedMutex);
    g_shared.reset();
}

KVNIdentification::KVNIdentification()
    : m_server(std::make_shared<KVNServer>()),
      m_videoIdentification(std::make_shared<KVNVideoIdentification>()),
      m_photoIdentification(std::make_shared<KVNPhotoIdentification>())
{
}

void KVNIdentification::setSettings(std::shared_ptr<KavoniSettings> settings)
{
    m_settings = std::move(settings);
    if (m_server)
        m_server->setSettings(m_settings);
}

std::string KVNIdentification::URLWithTransactionNumber(const std::string& url) const
{
    const auto& token = m_settings ? m_settings->transactionToken() : std::optional<std::string>();
    return NSString::stringByReplacingOccurrencesOfString_withString(
        url, "${transactionnumber}", token ? KVNServer::percentEncodedPathSegment(*token) : std::string());
}

void KVNIdentification::updateWithResponse(const json& response)
{
    m_waitingListTimeOut = 0;
    m_waitingQueueTreshold = 0;
    m_durationInSeconds = 0;
    m_showWaitingList = false;
    m_enrolledInWaitingList = false;
    m_pushNotificationChannel = std::string();

    static const json none;
    const json* settingsObject = objectMember(response, "settings");
    const json& settings = settingsObject ? *settingsObject : none;
    m_identificationType = KVNExtensions::stringForKey(settings, "processtype") == "VIDEO" ? KVNIdentificationTypeVideo
                                                                                           : KVNIdentificationTypePhoto;

    if (m_server)
        m_server->setShortName(KVNExtensions::wellFilledString(KVNExtensions::stringForKey(response, "shortname")));

    KVNExtensions::boolForKey_boolvalue(settings, "showGTC", m_showGTC);
    KVNExtensions::boolForKey_boolvalue(settings, "showRecordingAgreement", m_showRecordingAgreement);
    KVNExtensions::boolForKey_boolvalue(settings, "clientUseTrickleICE", m_useTrickleIce);

    if (m_identificationType == KVNIdentificationTypePhoto) {
        if (m_photoIdentification)
            m_photoIdentification->updateWithProcessStepsResponse(
                settings.is_object() && settings.contains("processsteps") ? settings.at("processsteps") : none);
    } else if (m_videoIdentification) {
        m_videoIdentification->setupWithResponse(response);
    }

    if (const json* waitingList = objectMember(settings, "waitingList")) {
        const json* ios = objectMember(*waitingList, "ios");
        m_showWaitingList = ios && KVNExtensions::boolForKey(*ios, "enabled");
        m_pushNotificationChannel = ios ? KVNExtensions::stringForKey(*ios, "channel") : std::nullopt;
        if (auto timeOut = int32ForKey(*waitingList, "waitingListTimeOut"))
            m_waitingListTimeOut = *timeOut;
        if (auto treshold = int32ForKey(*waitingList, "waitingQueueTreshold"))
            m_waitingQueueTreshold = *treshold;
    }

    if (const json* ios = objectMember(settings, "ios")) {
        m_successMessage = KVNExtensions::stringForKey(*ios, "successMessage");
        m_successURL = KVNExtensions::stringForKey(*ios, "successURL");
        m_fallbackURL = KVNExtensions::stringForKey(*ios, "fallbackURL");
        m_failureMessage = KVNExtensions::stringForKey(*ios, "failureMessage");
        m_failureURL = KVNExtensions::stringForKey(*ios, "failureURL");
        // Replaces the waiting list's channel, also with none.
        m_pushNotificationChannel = KVNExtensions::stringForKey(*ios, "notificationChannel");
        for (auto* url : {&m_successURL, &m_failureURL, &m_fallbackURL})
            if (*url)
                *url = URLWithTransactionNumber(**url);
    } else {
        m_successURL.reset();
        m_failureURL.reset();
        m_fallbackURL.reset();
        m_successMessage.reset();
        m_failureMessage.reset();
    }
}

JSONValue KVNIdentification::clientInformation() const
{
    JSONValue info = JSONValue::object();
    const auto languages = NSLocale::preferredLanguages();
    if (!languages.empty())
        info["language"] = languages.front();
    info["locale"] = NSLocale::currentLocale()->localeIdentifier();

    const auto screen = UIScreen::mainScreen();
    const CGRect bounds = screen->bounds();
    info["screenWidth"] = pixelText(bounds.size.width * screen->scale());
    info["screenHeight"] = pixelText(bounds.size.height * screen->scale());
    info["clientVersion"] = "IOSSDK,3.5.0";

    const auto camera = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    info["flashLight"] = camera && camera->hasTorch() ? "true" : "false";
    info["connectionType"] = KVNNetworkReachability::reachable() == KVNNetworkReachability::ReachableViaWiFi ? "WIFI" : "WWAN";
    info["osVersion"] = UIDevice::currentDevice()->systemVersion();
    info["deviceInfo"] = KVNExtensions::currentDeviceModel();
    info["frontCameraWidth"] = nullptr;
    info["frontCameraHeight"] = nullptr;
    info["backCameraWidth"] = nullptr;
    info["backCameraHeight"] = nullptr;
    return info;
}

bool KVNIdentification::openURLForIdentificationSuccess(bool success)
{
    const auto application = UIApplication::sharedApplication();
    const auto& url = success ? m_successURL : m_failureURL;
    if (url && application->canOpenURL(*url)) {
        application->openURL(*url);
        return true;
    }
    if (m_fallbackURL && application->canOpenURL(*m_fallbackURL)) {
        application->openURL(*m_fallbackURL);
        return true;
    }
    return false;
}

void KVNIdentification::updateMessages(const json& answer)
{
    if (!answer.is_object())
        return;
    dispatch_async(dispatch_get_main_queue(), [weak = weak_from_this(), answer] {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_messages = answer;
        NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(KVNMessagesUpdatedNotification);
    });
}

std::string KVNIdentification::getMessageFor_withDefaultKey(const std::string& key, const std::string& defaultKey)
{
    if (m_messages) {
        // A text of another JSON type counts as missing.
        auto it = m_messages->find(key);
        if (it != m_messages->end() && it->is_string() && !it->get_ref<const std::string&>().empty())
            return it->get<std::string>();
    } else {
        requestMessages();
    }
    return KVNLocalizer::localizedStringForKey(defaultKey);
}

void KVNIdentification::requestMessages()
{
    KVNRequestManager::sharedManager()->requestMessages(nullptr);
}
