#pragma once
// The library's one REST client: every call to the identification service's REST API and the
// two REST calls to the video server go through it. It owns three HTTP sessions (JSON body and
// JSON answer, JSON body and raw answer, form parameters and raw answer), each sending
// "X-CLIENT-VERSION", "Accept-Language" (the user's first language, read once) and, once a
// start handed one out, "X-Client-Secret". It turns failed answers into the library's errors
// (public 1009 for the GET calls, the call's own internal code for the POST calls and uploads)
// and keeps quiet about cancelled tasks, except where a call says otherwise.
//
// Created once per process, thread-safely, by sharedManager(); used on the main queue only:
// every call is made there and every callback runs there.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"
#include "Foundation/NSError.h"
#include "Network/HTTPSessionManager.h"
#include "Network/NSURLSessionDataTask.h"

class KVNIdentification;
class KVNMessage;
class KVNPhoto;
class UIImage;

class KVNRequestManager : public std::enable_shared_from_this<KVNRequestManager> {
public:
    using ErrorCallback = std::function<void(const std::shared_ptr<NSError>& error)>;
    using SuccessCallback = std::function<void(bool success)>;
    using TaskErrorCallback = std::function<void(const std::shared_ptr<NSURLSessionTask>& task, const std::shared_ptr<NSError>& error)>;

    static std::shared_ptr<KVNRequestManager> sharedManager();

    // Builds the three sessions; use sharedManager() instead (tests may make their own).
    KVNRequestManager();

    // The shared session every call reads its endpoints, settings and session data from.
    const std::shared_ptr<KVNIdentification>& ident() const { return m_ident; }
    void setIdent(std::shared_ptr<KVNIdentification> ident) { m_ident = std::move(ident); }

    const std::shared_ptr<HTTPSessionManager>& managerJSONJSON() const { return m_managerJSONJSON; }
    const std::shared_ptr<HTTPSessionManager>& managerJSONHTTP() const { return m_managerJSONHTTP; }
    const std::shared_ptr<HTTPSessionManager>& managerHTTPHTTP() const { return m_managerHTTPHTTP; }
    // The type of the screenshot upload under way; nil when none.
    const std::optional<std::string>& screenshotTypeIdentifier() const { return m_screenshotTypeIdentifier; }
    void setScreenshotTypeIdentifier(std::optional<std::string> type) { m_screenshotTypeIdentifier = std::move(type); }
    // The image upload under way; null when none.
    const std::shared_ptr<NSURLSessionDataTask>& imageUploadTask() const { return m_imageUploadTask; }

    // TLS policy. The flag is process-wide; setting it re-configures the three sessions.
    static bool allowInvalidCertificates();
    void setAllowInvalidCertificates(bool allow);
    // Gives the session the permissive policy when invalid certificates are allowed, else the
    // default one (trust evaluation and host name check).
    static void configureManager(const std::shared_ptr<HTTPSessionManager>& manager);

    // Keeps the secret in the shared session and sends it as "X-Client-Secret" on all three
    // sessions from now on; nil stops sending it.
    void updateAllClientSecretHeadersWithSecret(const std::optional<std::string>& secret);
    void clearAllClientSecretHeaders();

    // Cancels every task of the three sessions (an image upload too) and forgets the
    // screenshot type.
    void cancelTasks();
    bool isUploadingScreenshotForIdentifier(const std::string& type) const;

    // The image as base64 text of its JPEG (quality 0.9), POSTed as application/octet-stream
    // to the identification URL + "uploadScreenshot/<type>". The callback gets the task and
    // the HTTP client's error (nil on success); it is not called for a cancelled upload.
    void POSTImage_typeIdentifier_callback(const std::shared_ptr<UIImage>& image, const std::string& type, TaskErrorCallback callback);

    // --- Service calls. Unless said otherwise, a callback runs once, on the main queue, and
    // --- not at all for a cancelled task or once the manager is gone.

    // GET customer configuration (API base + "/api/v1/<identifier>") into the shared session.
    void initializeIdentificationWithIdentifier_callback(const std::optional<std::string>& identifier, ErrorCallback callback);
    // GET identification: the video session's data; the callback gets "internalToken".
    void requestVideoIdentificationData(std::function<void(const std::optional<std::string>& internalToken, const std::shared_ptr<NSError>& error)> callback);
    // GET identification + "documents": the contracts to sign.
    void requestESignatureContracts(ErrorCallback callback);
    // GET the service's texts; the callback may be empty (a failure is then silent).
    void requestMessages(ErrorCallback callback);
    // GET identification + "approvalPhrases".
    void requestApprovalPhrases(ErrorCallback callback);
    // GET identification: queue position, waiting time and waiting-list flags.
    void requestWaitingQueue(std::function<void(bool success, const std::shared_ptr<NSError>& error)> callback);

    // POST identification + "start" for a video identification. Stores the client secret the
    // answer gives (clears it on any failure). HTTP 429 forces the waiting list and calls back
    // with three nils. "TOKBOX" as video server gives the ids together with public error 1012.
    void POSTStartVideoIdentification(std::function<void(const std::optional<std::string>& videoSessionID,
                                                         const std::optional<std::string>& userVideoSessionToken,
                                                         const std::shared_ptr<NSError>& error)> callback);
    // POST identification + "start" for a photo identification with the chosen document.
    void POSTStartPhotoIdentificationForIDType_idCountry_callback(const std::string& idType, const std::string& idCountry, ErrorCallback callback);
    void requestVideoChat(ErrorCallback callback);
    void POSTSetupComplete(ErrorCallback callback);
    // Video server: "<video server>/api/v1/conferences/<session>/USER/<token>/sendCandidate".
    // Reports every failure, a cancelled one too, with the HTTP client's error as it is.
    std::shared_ptr<NSURLSessionDataTask> POSTCandidate_forSessionID_token_callback(const JSONValue& candidate, const std::string& sessionID,
                                                                                    const std::string& token, ErrorCallback callback);
    // Video server: ".../sendSdpOffer". The callback gets the answer body as UTF-8 text and
    // the task, or internal 2020.
    std::shared_ptr<NSURLSessionDataTask> POSTSDPOffer_forSessionID_token_callback(
        const JSONValue& offer, const std::string& sessionID, const std::string& token,
        std::function<void(const std::optional<std::string>& answer, const std::shared_ptr<NSURLSessionTask>& task,
                           const std::shared_ptr<NSError>& error)> callback);
    // Asks the service to send the ident code again, by e-mail or by SMS.
    void POSTRequestIdentCodeViaEmail_callback(bool viaEmail, ErrorCallback callback);
    void POSTIdentCode_callback(const std::string& code, ErrorCallback callback);
    // GET "<web base>/<short name>/identifications/<token>/signingDone".
    void sendEsignSuccess(ErrorCallback callback);
    void POSTEsignCancel(ErrorCallback callback);
    // Uploads: screenshot under its type, the signature, one photo of a photo identification.
    void POSTScreenshot_typeIdentifier_callback(const std::shared_ptr<UIImage>& image, const std::string& type, ErrorCallback callback);
    void POSTSignature_callback(const std::shared_ptr<UIImage>& image, ErrorCallback callback);
    void POSTPhotoIdentPhoto_callback(const std::shared_ptr<KVNPhoto>& photo, ErrorCallback callback);
    // Reports whose outcome is only logged.
    void POSTIdentificationFailed();
    void POSTIdentificationCanceled();
    // Sends the user's chat message; the callback runs before the success log.
    void POSTMessage_callback(const std::shared_ptr<KVNMessage>& message, ErrorCallback callback);
    // Calls that answer with a flag only: NO for every failure, a cancelled task included.
    // The ident token, and the first two arguments of the enrolment, do not enter the request.
    void POSTPushRegistrationMessage_identToken_appName_callback(const std::optional<std::string>& deviceToken,
                                                                 const std::optional<std::string>& identToken,
                                                                 const std::optional<std::string>& appName, SuccessCallback callback);
    void POSTEnrollForWaitingListMessage_shortName_callback(const std::optional<std::string>& message, const std::optional<std::string>& shortName,
                                                            SuccessCallback callback);
    void POSTchangeStateToForeground_callback(bool inForeground, SuccessCallback callback);

private:
    // One log line of a call: a format for KVNLog, or for KVNLogLocated with its source line.
    struct LogLine {
        const char* format = nullptr;
        int line = 0; // 0: KVNLog; else KVNLogLocated(__FILE__, line, ...)
    };

    std::shared_ptr<HTTPSessionManager> makeManager(long requestSerializationType, long responseSerializationType,
                                                    const std::optional<std::string>& acceptLanguage) const;
    // The shared session set by the controller, else the process's one.
    std::shared_ptr<KVNIdentification> session() const;
    std::string identificationURL(const std::optional<std::string>& component) const;
    // A POST whose failure is the internal error `code`; success and failure log the URL
    // (and the error).
    void POSTReport(const std::shared_ptr<HTTPSessionManager>& manager, const std::string& URL, const JSONValue& body, long code,
                    LogLine sent, LogLine failed, ErrorCallback callback);
    // A POST that answers with a flag only; the console lines are the call's own.
    void POSTFlag(const std::string& URL, const JSONValue& body, std::function<void()> logSuccess,
                  std::function<void(const std::shared_ptr<NSError>&)> logFailure, SuccessCallback callback);
    void uploadImage(const std::shared_ptr<UIImage>& image, const std::string& type, long internalCode, LogLine sent, LogLine failed,
                     ErrorCallback callback);

    std::shared_ptr<KVNIdentification> m_ident;
    std::shared_ptr<HTTPSessionManager> m_managerJSONJSON;
    std::shared_ptr<HTTPSessionManager> m_managerJSONHTTP;
    std::shared_ptr<HTTPSessionManager> m_managerHTTPHTTP;
    std::optional<std::string> m_screenshotTypeIdentifier;
    std::shared_ptr<NSURLSessionDataTask> m_imageUploadTask;
};
