#pragma once
// The data of one video identification, held by the shared session (KVNIdentification):
// what the customer configuration enables (office, e-signing, ident code, chat, video
// server, waiting list channel), what the user entered and the service answered (mobile
// number, e-mail, queue position and wait, consent phrases, contracts), and the status the
// session driver moves on. The service's answers fill it through the update operations,
// which also set the shared session's values they carry. Every field is zero, NO or nil
// until set. Main queue only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/JSONValue.h"

class KVNApprovalPhrase;
class KVNContract;

class KVNVideoIdentification {
public:
    // Values of videoserverType.
    enum : long {
        VideoserverTypeKavoni = 0,      // the service's own video server
        VideoserverTypeDisabled = 2,    // no video server: local media only
        VideoserverTypeUnsupported = 3, // a video server this client does not support
    };

    // The customer configuration (the whole answer): office, office hours, and, when it has
    // "settings", the video rows (video server, ident code, chat, review time limit,
    // e-signing, signature camera, ident code channels, mobile number check).
    void setupWithResponse(const JSONValue& response);
    // The video identification data or the video start: mobile and e-mail (always replaced),
    // the request data below, and the result URLs of "settings" when present.
    void updateIdentificationDataFromJSONResponse(const JSONValue& response);
    // Those answers and the waiting-queue poll: the waiting-list flags, and the queue
    // position and wait, which never rise while they are known.
    void updateRequestDataFromJSONResponse(const JSONValue& response);
    // The service's texts: the waiting-list and consent texts of the shared session, each
    // set (nil when missing) on every call.
    void updateMessagesFromJSONResponse(const JSONValue& response);
    // The consent phrases with their links (anything but an array gives none).
    void updateApprovalPhrasesFromJSONResponse(const JSONValue& response);
    // The contracts to sign; anything but an array leaves the list as it is.
    void updateESignatureContractsFromJSONResponse(const JSONValue& response);

    // KVNIdentificationStatus, moved on by the session driver and the screens.
    long identificationStatus() const { return m_identificationStatus; }
    void setIdentificationStatus(long status) { m_identificationStatus = status; }
    const std::optional<std::string>& mobile() const { return m_mobile; }
    void setMobile(std::optional<std::string> mobile) { m_mobile = std::move(mobile); }
    const std::optional<std::string>& email() const { return m_email; }
    void setEmail(std::optional<std::string> email) { m_email = std::move(email); }
    // One line per entry ("Mo-Fr: 08:00-20:00\n"); nil until a customer configuration set it.
    const std::optional<std::string>& officeHours() const { return m_officeHours; }
    void setOfficeHours(const std::optional<std::string>& officeHours) { m_officeHours = officeHours; }
    bool officeOpen() const { return m_officeOpen; }
    void setOfficeOpen(bool open) { m_officeOpen = open; }
    // "docusign" or "native".
    const std::optional<std::string>& consentProtocolVersion() const { return m_consentProtocolVersion; }
    void setConsentProtocolVersion(std::optional<std::string> version) { m_consentProtocolVersion = std::move(version); }
    bool eSignatureEnabled() const { return m_eSignatureEnabled; }
    void setESignatureEnabled(bool enabled) { m_eSignatureEnabled = enabled; }
    bool eSignatureHandWritten() const { return m_eSignatureHandWritten; }
    void setESignatureHandWritten(bool handWritten) { m_eSignatureHandWritten = handWritten; }
    // The remote signing page.
    const std::optional<std::string>& eSignatureOpenTrustURL() const { return m_eSignatureOpenTrustURL; }
    void setESignatureOpenTrustURL(std::optional<std::string> url) { m_eSignatureOpenTrustURL = std::move(url); }
    const std::vector<std::shared_ptr<KVNContract>>& eSignatureContracts() const { return m_eSignatureContracts; }
    void setESignatureContracts(std::vector<std::shared_ptr<KVNContract>> contracts) { m_eSignatureContracts = std::move(contracts); }
    long videoserverType() const { return m_videoserverType; }
    void setVideoserverType(long type) { m_videoserverType = type; }
    // Texts of a user step; nothing sets them.
    const std::optional<std::string>& userStepTitle() const { return m_userStepTitle; }
    void setUserStepTitle(std::optional<std::string> title) { m_userStepTitle = std::move(title); }
    const std::optional<std::string>& userStepDescription() const { return m_userStepDescription; }
    void setUserStepDescription(std::optional<std::string> text) { m_userStepDescription = std::move(text); }
    // The camera for the signature: back, front, or unspecified (not set).
    AVCaptureDevicePosition signatureCameraPosition() const { return m_signatureCameraPosition; }
    void setSignatureCameraPosition(AVCaptureDevicePosition position) { m_signatureCameraPosition = position; }
    bool identCodeRequired() const { return m_identCodeRequired; }
    void setIdentCodeRequired(bool required) { m_identCodeRequired = required; }
    bool identCodeEmailEnabled() const { return m_identCodeEmailEnabled; }
    void setIdentCodeEmailEnabled(bool enabled) { m_identCodeEmailEnabled = enabled; }
    bool allowTextChat() const { return m_allowTextChat; }
    void setAllowTextChat(bool allow) { m_allowTextChat = allow; }
    // -1: unknown.
    long positionInQueue() const { return m_positionInQueue; }
    void setPositionInQueue(long position) { m_positionInQueue = position; }
    long estimatedWaitingTime() const { return m_estimatedWaitingTime; }
    void setEstimatedWaitingTime(long time) { m_estimatedWaitingTime = time; }
    // The consent texts of the data check screen.
    std::vector<std::shared_ptr<KVNApprovalPhrase>>& approvalPhrases() { return m_approvalPhrases; }
    const std::vector<std::shared_ptr<KVNApprovalPhrase>>& approvalPhrases() const { return m_approvalPhrases; }
    void setApprovalPhrases(std::vector<std::shared_ptr<KVNApprovalPhrase>> phrases) { m_approvalPhrases = std::move(phrases); }
    // Check the mobile number with the phone-number package; from the configuration only.
    bool isPhoneNumberCheckEnabled() const { return m_isPhoneNumberCheckEnabled; }

private:
    long m_identificationStatus = 0;
    std::optional<std::string> m_mobile;
    std::optional<std::string> m_email;
    std::optional<std::string> m_officeHours;
    bool m_officeOpen = false;
    std::optional<std::string> m_consentProtocolVersion;
    bool m_eSignatureEnabled = false;
    bool m_eSignatureHandWritten = false;
    std::optional<std::string> m_eSignatureOpenTrustURL;
    std::vector<std::shared_ptr<KVNContract>> m_eSignatureContracts;
    long m_videoserverType = 0;
    std::optional<std::string> m_userStepTitle;
    std::optional<std::string> m_userStepDescription;
    AVCaptureDevicePosition m_signatureCameraPosition = AVCaptureDevicePositionUnspecified;
    bool m_identCodeRequired = false;
    bool m_identCodeEmailEnabled = false;
    bool m_allowTextChat = false;
    long m_positionInQueue = 0;
    long m_estimatedWaitingTime = 0;
    std::vector<std::shared_ptr<KVNApprovalPhrase>> m_approvalPhrases;
    bool m_isPhoneNumberCheckEnabled = false;
};
