#pragma once
// The process-wide state of the running identification, reached through
// sharedIdentification(): the settings and the endpoint builder, the video and photo session
// data, the service's texts, and the values the customer configuration and the service's
// answers set (result URLs and messages, waiting-list values, the client secret). The
// service answers fill it; the controller, the session driver, the call and the screens read
// it. It also owns the client-information record sent with each start.
//
// Created once, under a lock, on the first call from any thread; used on the main queue
// afterwards.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"
#include "Private/Helper/KVNServer.h"
#include "models/KVNPhotoIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"

// Posted on the main queue (no object, no user info) once the service's texts are stored.
extern const std::string KVNMessagesUpdatedNotification;

enum KVNIdentificationType : long {
    KVNIdentificationTypeVideo = 0,
    KVNIdentificationTypePhoto = 1,
};

class KVNIdentification : public std::enable_shared_from_this<KVNIdentification> {
public:
    static std::shared_ptr<KVNIdentification> sharedIdentification();
    // Tests: the next sharedIdentification() makes a fresh instance.
    static void resetSharedIdentification();

    // A video and a photo session, an endpoint builder; flags NO, duration 0.
    KVNIdentification();

    // Keeps the settings and gives them to the endpoint builder (which fixes the environment).
    const std::shared_ptr<KavoniSettings>& settings() const { return m_settings; }
    void setSettings(std::shared_ptr<KavoniSettings> settings);
    const std::shared_ptr<KVNServer>& server() const { return m_server; }
    void setServer(std::shared_ptr<KVNServer> server) { m_server = std::move(server); }
    std::shared_ptr<KVNVideoIdentification> videoIdentification() const { return m_videoIdentification; }
    void setVideoIdentification(std::shared_ptr<KVNVideoIdentification> videoIdentification)
    {
        m_videoIdentification = std::move(videoIdentification);
    }
    std::shared_ptr<KVNPhotoIdentification> photoIdentification() const { return m_photoIdentification; }
    void setPhotoIdentification(std::shared_ptr<KVNPhotoIdentification> photoIdentification)
    {
        m_photoIdentification = std::move(photoIdentification);
    }

    // Reads the customer configuration: the identification type, the short name, the
    // screens' options, the photo countries or the video settings, the waiting list, and
    // the result URLs and messages ("${transactionnumber}" in a URL becomes the token).
    // Values of the wrong kind count as missing.
    void updateWithResponse(const JSONValue& response);
    // The client-information record of the starts, its keys in their fixed order.
    JSONValue clientInformation() const;
    // Opens the success (or failure) URL when the system can open it, else the fallback URL;
    // answers whether one was opened.
    bool openURLForIdentificationSuccess(bool success);

    // The service's texts: a JSON object from dotted key to text; nil until they arrive.
    const std::optional<JSONValue>& messages() const { return m_messages; }
    void setMessages(std::optional<JSONValue> messages) { m_messages = std::move(messages); }
    // Keeps an object answer as the texts on a later turn of the main queue, then posts
    // "KVNMessagesUpdated". Any other answer is ignored.
    void updateMessages(const JSONValue& answer);
    // The service's non-empty text under `key`, else the localized text of `defaultKey`.
    // With no texts held yet, asks the service for them (without waiting).
    std::string getMessageFor_withDefaultKey(const std::string& key, const std::string& defaultKey);

    KVNIdentificationType identificationType() const { return m_identificationType; }
    void setIdentificationType(KVNIdentificationType type) { m_identificationType = type; }
    const std::optional<std::string>& successURL() const { return m_successURL; }
    void setSuccessURL(std::optional<std::string> url) { m_successURL = std::move(url); }
    const std::optional<std::string>& failureURL() const { return m_failureURL; }
    void setFailureURL(std::optional<std::string> url) { m_failureURL = std::move(url); }
    const std::optional<std::string>& fallbackURL() const { return m_fallbackURL; }
    void setFallbackURL(std::optional<std::string> url) { m_fallbackURL = std::move(url); }
    const std::optional<std::string>& successMessage() const { return m_successMessage; }
    void setSuccessMessage(std::optional<std::string> message) { m_successMessage = std::move(message); }
    const std::optional<std::string>& failureMessage() const { return m_failureMessage; }
    void setFailureMessage(std::optional<std::string> message) { m_failureMessage = std::move(message); }
    const std::optional<std::string>& forcedWaitingMessage() const { return m_forcedWaitingMessage; }
    void setForcedWaitingMessage(std::optional<std::string> message) { m_forcedWaitingMessage = std::move(message); }
    const std::optional<std::string>& forcedWaitingMessageSuccess() const { return m_forcedWaitingMessageSuccess; }
    void setForcedWaitingMessageSuccess(std::optional<std::string> message) { m_forcedWaitingMessageSuccess = std::move(message); }
    const std::optional<std::string>& forcedWaitingMessageEnrolled() const { return m_forcedWaitingMessageEnrolled; }
    void setForcedWaitingMessageEnrolled(std::optional<std::string> message) { m_forcedWaitingMessageEnrolled = std::move(message); }
    const std::optional<std::string>& nativeEsignTextSingle() const { return m_nativeEsignTextSingle; }
    void setNativeEsignTextSingle(std::optional<std::string> text) { m_nativeEsignTextSingle = std::move(text); }
    const std::optional<std::string>& nativeEsignTextPlural() const { return m_nativeEsignTextPlural; }
    void setNativeEsignTextPlural(std::optional<std::string> text) { m_nativeEsignTextPlural = std::move(text); }
    bool showGTC() const { return m_showGTC; }
    void setShowGTC(bool show) { m_showGTC = show; }
    bool showRecordingAgreement() const { return m_showRecordingAgreement; }
    void setShowRecordingAgreement(bool show) { m_showRecordingAgreement = show; }
    bool useTrickleIce() const { return m_useTrickleIce; }
    void setUseTrickleIce(bool use) { m_useTrickleIce = use; }
    // NO before each video start, YES when the service answered it with HTTP 429.
    bool forceWaitingList() const { return m_forceWaitingList; }
    void setForceWaitingList(bool force) { m_forceWaitingList = force; }
    bool showWaitingList() const { return m_showWaitingList; }
    void setShowWaitingList(bool show) { m_showWaitingList = show; }
    const std::optional<std::string>& pushNotificationChannel() const { return m_pushNotificationChannel; }
    void setPushNotificationChannel(std::optional<std::string> channel) { m_pushNotificationChannel = std::move(channel); }
    int32_t waitingListTimeOut() const { return m_waitingListTimeOut; }
    void setWaitingListTimeOut(int32_t timeOut) { m_waitingListTimeOut = timeOut; }
    int32_t waitingQueueTreshold() const { return m_waitingQueueTreshold; }
    void setWaitingQueueTreshold(int32_t treshold) { m_waitingQueueTreshold = treshold; }
    bool enrolledInWaitingList() const { return m_enrolledInWaitingList; }
    void setEnrolledInWaitingList(bool enrolled) { m_enrolledInWaitingList = enrolled; }
    bool waitingListNotified() const { return m_waitingListNotified; }
    void setWaitingListNotified(bool notified) { m_waitingListNotified = notified; }
    bool informedByPush() const { return m_informedByPush; }
    void setInformedByPush(bool informed) { m_informedByPush = informed; }
    int32_t durationInSeconds() const { return m_durationInSeconds; }
    void setDurationInSeconds(int32_t seconds) { m_durationInSeconds = seconds; }
    // Handed out by the starts; sent back with every later request.
    const std::optional<std::string>& clientSecret() const { return m_clientSecret; }
    void setClientSecret(std::optional<std::string> secret) { m_clientSecret = std::move(secret); }

private:
    friend class KVNVideoIdentification;

    // The URL with every "${transactionnumber}" replaced by the settings' current token
    // (encoded, so that a token cannot change the URL's shape).
    std::string URLWithTransactionNumber(const std::string& url) const;
    // Asks the service for its texts, without waiting for them.
    void requestMessages();

    std::shared_ptr<KavoniSettings> m_settings;
    std::shared_ptr<KVNServer> m_server;
    std::shared_ptr<KVNVideoIdentification> m_videoIdentification;
    std::shared_ptr<KVNPhotoIdentification> m_photoIdentification;
    KVNIdentificationType m_identificationType = KVNIdentificationTypeVideo;
    std::optional<std::string> m_successURL;
    std::optional<std::string> m_failureURL;
    std::optional<std::string> m_fallbackURL;
    std::optional<std::string> m_successMessage;
    std::optional<std::string> m_failureMessage;
    std::optional<std::string> m_forcedWaitingMessage;
    std::optional<std::string> m_forcedWaitingMessageSuccess;
    std::optional<std::string> m_forcedWaitingMessageEnrolled;
    std::optional<std::string> m_nativeEsignTextSingle;
    std::optional<std::string> m_nativeEsignTextPlural;
    bool m_showGTC = false;
    bool m_showRecordingAgreement = false;
    bool m_useTrickleIce = false;
    bool m_forceWaitingList = false;
    bool m_showWaitingList = false;
    std::optional<std::string> m_pushNotificationChannel;
    int32_t m_waitingListTimeOut = 0;
    int32_t m_waitingQueueTreshold = 0;
    bool m_enrolledInWaitingList = false;
    bool m_waitingListNotified = false;
    bool m_informedByPush = false;
    int32_t m_durationInSeconds = 0;
    std::optional<std::string> m_clientSecret;
    std::optional<JSONValue> m_messages;
};
