#pragma once
// The host's configuration of one identification: the transaction token and the customer,
// which screens to show and how, the service environment (or custom hosts), TLS and event
// channel choices, and the stopwatch of the identification. The host makes it, sets what it
// needs and gives it to KavoniController, which hands it to the shared session; the library
// reads it from there. Every property is read-write. Main thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Private/Helper/IdentTimer.h"
#include "UIKit/UIViewController.h"

class KavoniCertificateProvider;

class KavoniSettings {
public:
    // Defaults as below; the stopwatch gets its timebase and starts.
    KavoniSettings();

    static std::shared_ptr<KavoniSettings> settingsWithCompanyID(const std::optional<std::string>& companyID);
    static std::shared_ptr<KavoniSettings> settingsWithCompanyID_transactionToken(
        const std::optional<std::string>& companyID, const std::optional<std::string>& transactionToken);

    // The identification's transaction token; part of every identification URL. The
    // initialisation replaces it with the service's internal token.
    const std::optional<std::string>& transactionToken() const { return m_transactionToken; }
    void setTransactionToken(std::optional<std::string> v) { m_transactionToken = std::move(v); }
    // The customer's identifier at the service; names the customer configuration.
    const std::optional<std::string>& companyID() const { return m_companyID; }
    void setCompanyID(std::optional<std::string> v) { m_companyID = std::move(v); }
    // Skip the company check and load the configuration by the transaction token. NO.
    bool ignoreCompanyID() const { return m_ignoreCompanyID; }
    void setIgnoreCompanyID(bool v) { m_ignoreCompanyID = v; }
    // Open the data check screen before the video screen. YES.
    bool showVideoOverviewCheck() const { return m_showVideoOverviewCheck; }
    void setShowVideoOverviewCheck(bool v) { m_showVideoOverviewCheck = v; }
    // Show the library's result screens at the end. YES.
    bool showErrorSuccessScreen() const { return m_showErrorSuccessScreen; }
    void setShowErrorSuccessScreen(bool v) { m_showErrorSuccessScreen = v; }
    // Route the video identification's error endings through the result routing. NO.
    bool forceErrorSuccessScreen() const { return m_forceErrorSuccessScreen; }
    void setForceErrorSuccessScreen(bool v) { m_forceErrorSuccessScreen = v; }
    // The data check screen shows the transaction token. NO.
    bool showIdentTokenOnCheckScreen() const { return m_showIdentTokenOnCheckScreen; }
    void setShowIdentTokenOnCheckScreen(bool v) { m_showIdentTokenOnCheckScreen = v; }
    // Present the first screen modally even from inside a navigation controller. NO.
    bool forceModalPresentation() const { return m_forceModalPresentation; }
    void setForceModalPresentation(bool v) { m_forceModalPresentation = v; }
    // The style the data check screen presents the video screen's navigation controller in.
    UIModalPresentationStyle modalPresentationStyle() const { return m_modalPresentationStyle; }
    void setModalPresentationStyle(UIModalPresentationStyle v) { m_modalPresentationStyle = v; }
    // The host's DTLS certificate hooks for the video call; none by default.
    const std::shared_ptr<KavoniCertificateProvider>& certificateProvider() const { return m_certificateProvider; }
    void setCertificateProvider(std::shared_ptr<KavoniCertificateProvider> v) { m_certificateProvider = std::move(v); }
    // The push device token as hexadecimal text.
    const std::optional<std::string>& pushDeviceToken() const { return m_pushDeviceToken; }
    void setPushDeviceToken(std::optional<std::string> v) { m_pushDeviceToken = std::move(v); }
    // The language folder of the library's texts, handed to the localizer at the start.
    const std::optional<std::string>& userInterfaceLanguage() const { return m_userInterfaceLanguage; }
    void setUserInterfaceLanguage(std::optional<std::string> v) { m_userInterfaceLanguage = std::move(v); }
    // The service environment: 1 to 7 fixed hosts, 8 the custom hosts below, 0 (default):
    // derived from the transaction token. Other values have no hosts at all.
    long environment() const { return m_environment; }
    void setEnvironment(long v) { m_environment = v; }
    // TLS policy of the REST client and the long polling: accept any certificate. NO.
    bool allowInvalidCertificates() const { return m_allowInvalidCertificates; }
    void setAllowInvalidCertificates(bool v) { m_allowInvalidCertificates = v; }
    // Environment 8: the API base URL (also the web base), the event channel's and the video
    // server's base URLs, and the STUN server.
    const std::optional<std::string>& apiHost() const { return m_apiHost; }
    void setApiHost(std::optional<std::string> v) { m_apiHost = std::move(v); }
    const std::optional<std::string>& websocketHost() const { return m_websocketHost; }
    void setWebsocketHost(std::optional<std::string> v) { m_websocketHost = std::move(v); }
    const std::optional<std::string>& videoHost() const { return m_videoHost; }
    void setVideoHost(std::optional<std::string> v) { m_videoHost = std::move(v); }
    const std::optional<std::string>& stunHost() const { return m_stunHost; }
    void setStunHost(std::optional<std::string> v) { m_stunHost = std::move(v); }
    long stunPort() const { return m_stunPort; }
    void setStunPort(long v) { m_stunPort = v; }
    // Event channel transport: 0 WebSocket, anything else long polling.
    long connectionType() const { return m_connectionType; }
    void setConnectionType(long v) { m_connectionType = v; }
    // The screens show the powered-by badge. YES.
    bool showPoweredBy() const { return m_showPoweredBy; }
    void setShowPoweredBy(bool v) { m_showPoweredBy = v; }
    // The result screen may ask for an app review, NO, ...
    bool activateAppRating() const { return m_activateAppRating; }
    void setActivateAppRating(bool v) { m_activateAppRating = v; }
    // ... after an identification of at most this many seconds. The customer configuration's
    // "reviewTimelimit" overwrites it.
    int32_t reviewTimeLimit() const { return m_reviewTimeLimit; }
    void setReviewTimeLimit(int32_t v) { m_reviewTimeLimit = v; }

    // Not stored here: the shared video session's mobile number.
    std::optional<std::string> mobileNumber() const;
    void setMobileNumber(const std::optional<std::string>& mobileNumber);

    // The identification's stopwatch; callers change the record in place.
    IdentTimer* getTimer() { return &m_timer; }

private:
    std::optional<std::string> m_transactionToken;
    std::optional<std::string> m_companyID;
    bool m_ignoreCompanyID = false;
    bool m_showVideoOverviewCheck = true;
    bool m_showErrorSuccessScreen = true;
    bool m_forceErrorSuccessScreen = false;
    bool m_showIdentTokenOnCheckScreen = false;
    bool m_forceModalPresentation = false;
    UIModalPresentationStyle m_modalPresentationStyle = UIModalPresentationStyle::FullScreen;
    std::shared_ptr<KavoniCertificateProvider> m_certificateProvider;
    std::optional<std::string> m_pushDeviceToken;
    std::optional<std::string> m_userInterfaceLanguage;
    long m_environment = 0;
    bool m_allowInvalidCertificates = false;
    std::optional<std::string> m_apiHost;
    std::optional<std::string> m_websocketHost;
    std::optional<std::string> m_videoHost;
    std::optional<std::string> m_stunHost;
    long m_stunPort = 3478;
    long m_connectionType = 0;
    bool m_showPoweredBy = true;
    bool m_activateAppRating = false;
    int32_t m_reviewTimeLimit = 0;
    IdentTimer m_timer;
};
