#include "public/KavoniAppDelegate.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLog.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIUserNotificationSettings.h"
#include "models/KVNIdentification.h"

const std::string KVNPushRegistrationRequest = "KVNPushRegistrationRequest";
const std::string KVNDeviceTokenReceived = "KVNDeviceTokenReceived";
const std::string KVNPushNotificationNotAllowed = "KVNPushNotificationNotAllowed";
const std::string KVNDeviceTokenKey = "deviceToken";
const std::string KVNPushIdentIdKey = "identId";

namespace {

constexpr UIUserNotificationType kAllTypes = UIUserNotificationTypeBadge | UIUserNotificationTypeSound | UIUserNotificationTypeAlert;
// Far above any token the service hands out; a longer one is not a token.
constexpr size_t kMaximumTokenLength = 128;

} // namespace

KavoniAppDelegate::KavoniAppDelegate()
{
    // The delegate lives for the process, but a host may make and drop one (tests do): the
    // registration is keyed by this object and removed with it.
    NSNotificationCenter::defaultCenter()->addObserver_selector_name_object(
        this, [this](const NSNotification&) { registerForAPNS(); }, KVNPushRegistrationRequest, nullptr);
    m_tokenFromPushNotification = std::nullopt;
}

KavoniAppDelegate::~KavoniAppDelegate()
{
    NSNotificationCenter::defaultCenter()->removeObserver(static_cast<const void*>(this));
}

void KavoniAppDelegate::registerForAPNS()
{
    KVN_ASSERT_MAIN_THREAD();
    auto application = UIApplication::sharedApplication();
    application->registerUserNotificationSettings(UIUserNotificationSettings::settingsForTypes_categories(kAllTypes, {}));
    application->registerForRemoteNotifications();
}

bool KavoniAppDelegate::isWellFormedToken(const std::string& token)
{
    if (token.empty() || token.size() > kMaximumTokenLength)
        return false;
    for (unsigned char c : token)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

void KavoniAppDelegate::readNotiticationData(const nlohmann::json& payload)
{
    KVN_ASSERT_MAIN_THREAD();
    NSLog("KAVONI PUSH: notification RECEIVED");
    if (!payload.is_object())
        return;
    auto it = payload.find(KVNPushIdentIdKey);
    if (it == payload.end() || it->is_null())
        return;
    // A payload comes from outside the app; what it names becomes part of every service URL
    // of the identification, so anything that is not a plain token is dropped here.
    if (!it->is_string() || !isWellFormedToken(it->get<std::string>())) {
        NSLog("KAVONI PUSH: the notification's ident id is not a well-formed token; ignored");
        return;
    }
    const auto identId = it->get<std::string>();
    NSLog("ident id: %@", identId);
    m_tokenFromPushNotification = identId;
    auto identification = KVNIdentification::sharedIdentification();
    if (const auto& settings = identification->settings())
        settings->setTransactionToken(identId);
    identification->setInformedByPush(true);
}

void KavoniAppDelegate::application_didFailToRegisterForRemoteNotificationsWithError(const std::shared_ptr<UIApplication>& application,
                                                                                    const std::shared_ptr<NSError>& error)
{
    NSLog("KAVONI PUSH: notification registration FAILED/NOT ALLOWED");
    NSLog("%@", error ? error->description() : std::string("(null)"));
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(KVNPushNotificationNotAllowed);
}

void KavoniAppDelegate::application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>& application,
                                                                        const std::shared_ptr<UIUserNotificationSettings>& notificationSettings)
{
    if (notificationSettings && notificationSettings->types() == kAllTypes) {
        NSLog("KAVONI PUSH: ALLOWED");
        return;
    }
    NSLog("KAVONI PUSH: push NOT ALLOWED:");
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(KVNPushNotificationNotAllowed);
}

void KavoniAppDelegate::application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>& application,
                                                                                    const NSData& deviceToken)
{
    NSLog("KAVONI PUSH:h notification registration SUCCEEDED");
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(KVNDeviceTokenReceived, &deviceToken,
                                                                              {{KVNDeviceTokenKey, deviceToken}});
}

bool KavoniAppDelegate::application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                                  const nlohmann::json& launchOptions)
{
    if (launchOptions.is_object()) {
        auto it = launchOptions.find(UIApplicationLaunchOptionsRemoteNotificationKey);
        if (it != launchOptions.end())
            readNotiticationData(*it);
    }
    return true;
}

void KavoniAppDelegate::application_didReceiveRemoteNotification(const std::shared_ptr<UIApplication>& application,
                                                                 const nlohmann::json& userInfo)
{
    readNotiticationData(userInfo);
}

void KavoniAppDelegate::applicationDidBecomeActive(const std::shared_ptr<UIApplication>& application)
{
    if (application && application->applicationIconBadgeNumber() > 0)
        application->setApplicationIconBadgeNumber(0);
}
