#include "AppDelegate.h"

#include <set>

#include "Foundation/NSBundle.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSUserDefaults.h"
#include "Network/PublicKeyPinning.h"
#include "ScriptRuntime/NavigationManager.h"
#include "UIKit/NSDataDescription.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIUserNotificationSettings.h"
#include "UIKit/UIWindow.h"

UI_APPLICATION_DELEGATE_CLASS(AppDelegate);

namespace {

const std::string kDeviceTokenKey = "deviceToken";

// The bank's hosts: the mobile-banking API, and the e-service test host.
const std::string kMobileBankingHost = "mobile.vellumbank.example";
const std::string kEServiceTestHost = "eservice-test.vellumbank.example";

// Base64 SHA-256 digests of the SubjectPublicKeyInfo of the deployment's keys: each host's
// live key and its backup, and one backup key shared by both hosts. Replace them together with
// the keys of the deployment; a key roll-over needs a release that already carries the new pin.
const std::string kMobileBankingLiveKey = "eeIsUgOMKOWzERmp/fQrSBz77p/B8x1U/c0A4JtUMBI=";
const std::string kMobileBankingBackupKey = "KlH4Fnb1gaTQibOsUwFww/sc5wxH6VP1iTEecyFnmj0=";
const std::string kEServiceTestLiveKey = "U5KT4cT7lW0ChN0IfyA5dXsSEuuFVhr11qLQKLiu/B4=";
const std::string kEServiceTestBackupKey = "wV0VLFF3Z20DHPB+Vu35zqWNjsyuDEm9SOj5HYusVCo=";
const std::string kSharedBackupKey = "nxanIH1dZC6xZu/9/B6h5Ob391lkn6WCyn75Uk38zQQ=";

nlohmann::json pinnedHost(const std::string& liveKey, const std::string& backupKey)
{
    namespace Key = PublicKeyPinningConfigurationKey;
    return {
        {Key::EnforcePinning, true},
        {Key::PublicKeyAlgorithms, nlohmann::json::array({PublicKeyPinningAlgorithm::RSA2048})},
        {Key::PublicKeyHashes, nlohmann::json::array({liveKey, backupKey, kSharedBackupKey})},
    };
}

} // namespace

nlohmann::json AppDelegate::makePinningConfiguration()
{
    namespace Key = PublicKeyPinningConfigurationKey;
    return {
        {Key::SwizzleNetworkDelegates, true},
        {Key::PinnedDomains,
         {
             {kMobileBankingHost, pinnedHost(kMobileBankingLiveKey, kMobileBankingBackupKey)},
             {kEServiceTestHost, pinnedHost(kEServiceTestLiveKey, kEServiceTestBackupKey)},
         }},
    };
}

void AppDelegate::installPinning(const nlohmann::json& configuration)
{
    // A banking app must not quietly lose its pins: should the package refuse the configuration,
    // the bank's hosts are refused outright until a release with a sound one.
    if (const auto error = PublicKeyPinning::initSharedInstanceWithConfiguration(configuration)) {
        NSLog("AppDelegate: the pinning configuration was rejected (%@); connections to its hosts are refused",
              error->localizedDescription());
        PublicKeyPinning::refuseHostsOfConfiguration(configuration);
    }
}

bool AppDelegate::application_didFinishLaunchingWithOptions(const std::shared_ptr<UIApplication>& application,
                                                            const nlohmann::json& launchOptions)
{
    m_pinningConfiguration = makePinningConfiguration();
    installPinning(m_pinningConfiguration);

    application->registerUserNotificationSettings(UIUserNotificationSettings::settingsForTypes_categories(
        UIUserNotificationTypeBadge | UIUserNotificationTypeSound | UIUserNotificationTypeAlert, {}));
    application->registerForRemoteNotifications();

    auto bundleLocation = NSBundle::mainBundle()->pathForResource_ofType("main", "jsbundle");

    m_window = std::make_shared<UIWindow>();
    m_window->initWithFrame(UIScreen::mainScreen()->bounds());
    m_window->setBackgroundColor(UIColor::whiteColor());

    if (bundleLocation)
        NavigationManager::sharedInstance()->startWithBundleURL_launchOptions(*bundleLocation, launchOptions);
    else
        NSLog("AppDelegate: no main.jsbundle in the app's bundle %@; the script runtime is not started",
              NSBundle::mainBundle()->bundlePath());
    return true;
}

void AppDelegate::application_didRegisterUserNotificationSettings(const std::shared_ptr<UIApplication>& application,
                                                                  const std::shared_ptr<UIUserNotificationSettings>& notificationSettings)
{
    application->registerForRemoteNotifications();
}

void AppDelegate::application_didRegisterForRemoteNotificationsWithDeviceToken(const std::shared_ptr<UIApplication>& application,
                                                                              const NSData& deviceToken)
{
    const auto token = trimDeviceToken(deviceToken);
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject_forKey(token, kDeviceTokenKey);
    if (!defaults->synchronize())
        NSLog("AppDelegate: the device token could not be written to %@; it is kept until the app ends", NSUserDefaults::storePath());
    NSLog("deviceToken---->> %@", token);
}

std::string AppDelegate::trimDeviceToken(const NSData& deviceToken) const
{
    // The platform's description, "<0badf00d 2a...>", without its brackets and blanks.
    std::string digits;
    for (char c : NSDataDescription(deviceToken))
        if (c != '<' && c != '>' && c != ' ')
            digits += c;
    return digits;
}
