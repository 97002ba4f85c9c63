#include "Private/Helper/KVNRequestManager.h"

#include <atomic>
#include <mutex>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/UTF8Validator.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPSecurityPolicy.h"
#include "Network/JSONResponseSerializer.h"
#include "Network/NSURLError.h"
#include "Network/NSURLRequest.h"
#include "Private/Extensions/HTTPSessionManager+KVNExtensions.h"
#include "Private/Extensions/NSURLSessionTask+KVNExtensions.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"

namespace {

std::atomic<bool> gAllowInvalidCertificates{false};

// KVNLog lines and KVNLogLocated lines with the caller's source line.
#define KVN_LOG_LINE(format) LogLine{format, 0}
#define KVN_LOCATED_LINE(format) LogLine{format, __LINE__}

JSONValue jsonText(const std::optional<std::string>& text)
{
    return text ? JSONValue(*text) : JSONValue();
}

const JSONValue* member(const JSONValue& object, const char* key)
{
    if (!object.is_object())
        return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

// A text of the answer: a JSON text as it is, a number in its written form, else nil.
std::optional<std::string> textMember(const JSONValue& object, const char* key)
{
    const auto* value = member(object, key);
    if (!value)
        return std::nullopt;
    if (value->is_string())
        return value->get<std::string>();
    if (value->is_number())
        return value->dump();
    return std::nullopt;
}

const JSONValue& answerJSON(const HTTPResponseObject& responseObject)
{
    static const JSONValue none;
    const auto* json = responseObject.json();
    return json ? *json : none;
}

// The failure of an answer that had to be a JSON object and was something else (an array, a
// scalar, nothing): read like a body that is not JSON at all.
std::shared_ptr<NSError> notAnObjectError(const std::string& URL)
{
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = std::string("The data couldn’t be read because it isn’t in the correct format.");
    userInfo[NSLocalizedFailureReasonErrorKey] = std::string("The answer is not a JSON object.");
    userInfo[NSURLErrorFailingURLStringErrorKey] = URL;
    return NSError::errorWithDomain_code_userInfo(NSCocoaErrorDomain, NSPropertyListReadCorruptError, std::move(userInfo));
}

std::optional<std::string> answerURL(const std::shared_ptr<NSURLSessionTask>& task)
{
    if (!task || !task->response())
        return std::nullopt;
    return task->response()->URL();
}

// The user's most preferred language: the first entry of "AppleLanguages", which the platform
// fills from the system's preferred languages when the app did not set it.
std::optional<std::string> preferredLanguage()
{
    const auto stored = NSUserDefaults::standardUserDefaults()->objectForKey("AppleLanguages");
    std::optional<std::string> first;
    if (stored.is_array()) {
        if (!stored.empty() && stored.front().is_string())
            first = stored.front().get<std::string>();
    } else {
        const auto languages = NSLocale::preferredLanguages();
        if (!languages.empty())
            first = languages.front();
    }
    if (first && first->empty())
        return std::nullopt;
    return first;
}

// An outside value as one path segment; nil prints as the formatter prints it.
std::string pathSegment(const std::optional<std::string>& value)
{
    return value ? KVNServer::percentEncodedPathSegment(*value) : std::string("(null)");
}

std::shared_ptr<NSURLSessionTask> asTask(const std::shared_ptr<NSURLSessionDataTask>& task)
{
    return task;
}

std::shared_ptr<NSError> serviceError(const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error)
{
    return KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(KavoniErrorCode::ServiceError, asTask(task), error);
}

// The failure handler of the GET calls that answer with an error alone: nothing for a cancelled
// task, else the service error 1009.
auto serviceFailure(KVNRequestManager::ErrorCallback callback)
{
    return [callback = std::move(callback)](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
        if (KVNExtensions::canceled(task))
            return;
        if (callback)
            callback(serviceError(task, error));
    };
}

std::shared_ptr<NSError> internalError(long code, const std::shared_ptr<NSURLSessionTask>& task, const std::shared_ptr<NSError>& error)
{
    return KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(code, error, task);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

std::shared_ptr<KVNRequestManager> KVNRequestManager::sharedManager()
{
    static std::once_flag once;
    static std::shared_ptr<KVNRequestManager> shared;
    std::call_once(once, [] { shared = std::make_shared<KVNRequestManager>(); });
    return shared;
}

KVNRequestManager::KVNRequestManager()
{
    // Read once: a language change reaches the service with the next process.
    const auto acceptLanguage = preferredLanguage();
    m_managerJSONJSON = makeManager(KVNExtensions::KVNSerializationTypeJSON, KVNExtensions::KVNSerializationTypeJSON, acceptLanguage);
    m_managerJSONHTTP = makeManager(KVNExtensions::KVNSerializationTypeJSON, KVNExtensions::KVNSerializationTypeHTTP, acceptLanguage);
    m_managerHTTPHTTP = makeManager(KVNExtensions::KVNSerializationTypeHTTP, KVNExtensions::KVNSerializationTypeHTTP, acceptLanguage);
}

std::shared_ptr<HTTPSessionManager> KVNRequestManager::makeManager(long requestSerializationType, long responseSerializationType,
                                                                   const std::optional<std::string>& acceptLanguage) const
{
    auto manager = HTTPSessionManager::managerWithSessionConfiguration(nullptr);
    KVNExtensions::setRequestSerializationType_responseSerializationType(manager, requestSerializationType, responseSerializationType);
    if (acceptLanguage)
        manager->requestSerializer()->setValue_forHTTPHeaderField(acceptLanguage, "Accept-Language");
    return manager;
}

std::shared_ptr<KVNIdentification> KVNRequestManager::session() const
{
    return m_ident ? m_ident : KVNIdentification::sharedIdentification();
}

std::string KVNRequestManager::identificationURL(const std::optional<std::string>& component) const
{
    return session()->server()->APIURLWithLastPathComponent(component).value_or(std::string());
}

bool KVNRequestManager::allowInvalidCertificates()
{
    return gAllowInvalidCertificates.load();
}

void KVNRequestManager::setAllowInvalidCertificates(bool allow)
{
    KVN_ASSERT_MAIN_THREAD();
    gAllowInvalidCertificates = allow;
    configureManager(m_managerJSONJSON);
    configureManager(m_managerJSONHTTP);
    configureManager(m_managerHTTPHTTP);
}

void KVNRequestManager::configureManager(const std::shared_ptr<HTTPSessionManager>& manager)
{
    if (!manager)
        return;
    if (gAllowInvalidCertificates.load()) {
        auto policy = HTTPSecurityPolicy::policyWithPinningMode(HTTPSSLPinningModeNone);
        policy->setAllowInvalidCertificates(true);
        policy->setValidatesDomainName(false);
        manager->setSecurityPolicy(std::move(policy));
    } else {
        manager->setSecurityPolicy(HTTPSecurityPolicy::defaultPolicy());
    }
}

void KVNRequestManager::updateAllClientSecretHeadersWithSecret(const std::optional<std::string>& secret)
{
    KVN_ASSERT_MAIN_THREAD();
    session()->setClientSecret(secret);
    KVNExtensions::updateClientSecretHeaderWithSecret(m_managerJSONJSON, secret);
    KVNExtensions::updateClientSecretHeaderWithSecret(m_managerJSONHTTP, secret);
    KVNExtensions::updateClientSecretHeaderWithSecret(m_managerHTTPHTTP, secret);
}

void KVNRequestManager::clearAllClientSecretHeaders()
{
    KVN_ASSERT_MAIN_THREAD();
    updateAllClientSecretHeadersWithSecret(std::nullopt);
}

void KVNRequestManager::cancelTasks()
{
    KVN_ASSERT_MAIN_THREAD();
    for (const auto& manager : {m_managerJSONJSON, m_managerJSONHTTP, m_managerHTTPHTTP}) {
        for (const auto& task : manager->tasks())
            task->cancel();
    }
    m_screenshotTypeIdentifier = std::nullopt;
}

bool KVNRequestManager::isUploadingScreenshotForIdentifier(const std::string& type) const
{
    return m_screenshotTypeIdentifier == type;
}

// ---------------------------------------------------------------------------------------------
// Image upload

void KVNRequestManager::POSTImage_typeIdentifier_callback(const std::shared_ptr<UIImage>& image, const std::string& type,
                                                          TaskErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("uploadScreenshot/" + KVNServer::percentEncodedPathSegment(type));
    const auto body = KVNExtensions::encodeToJPGBase64DataWithCompressionQuality(image, static_cast<CGFloat>(0.9f));
    if (!body) {
        // Nothing to send: fail like a request that could not be made, on a later turn as always.
        NSDictionary userInfo;
        userInfo[NSLocalizedDescriptionKey] = std::string("The image could not be encoded for the upload.");
        userInfo[NSURLErrorFailingURLStringErrorKey] = URL;
        auto error = NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, NSURLErrorUnknown, std::move(userInfo));
        kvn::postToMainQueue(weak_from_this(), [callback = std::move(callback), error](KVNRequestManager&) {
            if (callback)
                callback(nullptr, error);
        });
        return;
    }

    // Built by hand: the serializer's headers (version, language) are not part of an upload.
    auto request = NSURLRequest::requestWithURL(URL);
    request->setHTTPMethod("POST");
    request->setCachePolicy(NSURLRequestReloadIgnoringLocalCacheData);
    request->setValue_forHTTPHeaderField(std::string("application/octet-stream"), "Content-Type");
    request->setValue_forHTTPHeaderField(session()->clientSecret(), "X-Client-Secret");
    request->setHTTPBody(*body);

    auto holder = std::make_shared<std::weak_ptr<NSURLSessionDataTask>>();
    auto task = m_managerHTTPHTTP->dataTaskWithRequest_completionHandler(
        request, kvn::bindToMainQueue(weak_from_this(), [holder, callback = std::move(callback)](KVNRequestManager& self,
                                                                                                 const std::shared_ptr<NSHTTPURLResponse>& response,
                                                                                                 const HTTPResponseObject&,
                                                                                                 const std::shared_ptr<NSError>& error) {
            const auto task = holder->lock();
            if (!(error && error->code() == NSURLErrorCancelled) && callback)
                callback(task, error);
            // A later upload may have taken the slot; only this one's own entry is cleared.
            if (!task || self.m_imageUploadTask == task)
                self.m_imageUploadTask = nullptr;
        }));
    *holder = task;
    m_imageUploadTask = task;
    task->resume();
}

void KVNRequestManager::uploadImage(const std::shared_ptr<UIImage>& image, const std::string& type, long internalCode, LogLine sent,
                                    LogLine failed, ErrorCallback callback)
{
    const std::string URL = identificationURL("uploadScreenshot/" + KVNServer::percentEncodedPathSegment(type));
    POSTImage_typeIdentifier_callback(image, type, [URL, internalCode, sent, failed, callback = std::move(callback)](
                                                       const std::shared_ptr<NSURLSessionTask>& task, const std::shared_ptr<NSError>& error) {
        if (!error) {
            if (sent.line)
                KVNLogLocated(__FILE__, sent.line, sent.format, URL);
            else
                KVNLog(sent.format, URL);
            if (callback)
                callback(nullptr);
            return;
        }
        KVNLogLocated(__FILE__, failed.line, failed.format, URL, error);
        if (callback)
            callback(internalError(internalCode, task, error));
    });
}

void KVNRequestManager::POSTScreenshot_typeIdentifier_callback(const std::shared_ptr<UIImage>& image, const std::string& type,
                                                               ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    m_screenshotTypeIdentifier = type;
    uploadImage(image, type, KavoniErrorCode::ScreenshotUploadFailed, KVN_LOG_LINE("REQUEST MANAGER: Screenshot sent (%@)"),
                KVN_LOCATED_LINE("Failed to send screenshot (%@): %@"),
                kvn::bindToMainQueue(weak_from_this(), [type, callback = std::move(callback)](KVNRequestManager& self,
                                                                                              const std::shared_ptr<NSError>& error) {
                    // The upload of this type is over: the agent may ask for the same type again.
                    if (self.m_screenshotTypeIdentifier == type)
                        self.m_screenshotTypeIdentifier = std::nullopt;
                    if (callback)
                        callback(error);
                }));
}

void KVNRequestManager::POSTSignature_callback(const std::shared_ptr<UIImage>& image, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    uploadImage(image, "signature", KavoniErrorCode::SignatureUploadFailed, KVN_LOCATED_LINE("Signature sent (%@)"),
                KVN_LOCATED_LINE("Failed to send signature (%@): %@"),
                std::move(callback));
}

void KVNRequestManager::POSTPhotoIdentPhoto_callback(const std::shared_ptr<KVNPhoto>& photo, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    uploadImage(photo ? photo->image() : nullptr, photo ? photo->photoName() : std::string(), KavoniErrorCode::PhotoUploadFailed,
                KVN_LOCATED_LINE("PhotoIdent: Photo sent (%@)"), KVN_LOCATED_LINE("PhotoIdent: Failed to send photo (%@): %@"),
                std::move(callback));
}

// ---------------------------------------------------------------------------------------------
// GET calls: a failure is the public 1009, a cancelled task reports nothing.

void KVNRequestManager::initializeIdentificationWithIdentifier_callback(const std::optional<std::string>& identifier, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = session()->server()->APIURLWithIdentifier(identifier).value_or(std::string());
    NSLog("customer-config call: %@", URL);
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>&,
                                                          const HTTPResponseObject& responseObject) {
            self.session()->updateWithResponse(answerJSON(responseObject));
            if (callback)
                callback(nullptr);
        }),
        serviceFailure(callback));
}

void KVNRequestManager::requestVideoIdentificationData(
    std::function<void(const std::optional<std::string>& internalToken, const std::shared_ptr<NSError>& error)> callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL(std::nullopt);
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>& task,
                                                               const HTTPResponseObject& responseObject) {
            const auto& answer = answerJSON(responseObject);
            if (!answer.is_object()) {
                if (callback)
                    callback(std::nullopt, serviceError(task, notAnObjectError(URL)));
                return;
            }
            self.session()->videoIdentification()->updateIdentificationDataFromJSONResponse(answer);
            KVNLog("REQUEST MANGER: Requested identification data (%@)", URL);
            const auto* token = member(answer, "internalToken");
            if (callback)
                callback(token && token->is_string() ? std::optional<std::string>(token->get<std::string>()) : std::nullopt, nullptr);
        }),
        [callback](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            if (callback)
                callback(std::nullopt, serviceError(task, error));
        });
}

void KVNRequestManager::requestESignatureContracts(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("documents");
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>&,
                                                               const HTTPResponseObject& responseObject) {
            self.session()->videoIdentification()->updateESignatureContractsFromJSONResponse(answerJSON(responseObject));
            KVNLog("REQUEST MANAGER: Requested eSignature contracts (%@)", URL);
            if (callback)
                callback(nullptr);
        }),
        serviceFailure(callback));
}

void KVNRequestManager::requestMessages(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = session()->server()->messagesURL().value_or(std::string());
    NSLog("ask for messages: %@", URL);
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>& task,
                                                               const HTTPResponseObject& responseObject) {
            const auto& answer = answerJSON(responseObject);
            if (!answer.is_object()) {
                // Kept texts stay; the caller learns that none came.
                if (callback)
                    callback(serviceError(task, notAnObjectError(URL)));
                return;
            }
            const auto ident = self.session();
            ident->updateMessages(answer);
            ident->videoIdentification()->updateMessagesFromJSONResponse(answer);
            KVNLog("REQUEST MANAGER: Received texts in messages.json");
            if (callback)
                callback(nullptr);
        }),
        serviceFailure(callback));
}

void KVNRequestManager::requestApprovalPhrases(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("approvalPhrases");
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>& task,
                                                          const HTTPResponseObject& responseObject) {
            self.session()->videoIdentification()->updateApprovalPhrasesFromJSONResponse(answerJSON(responseObject));
            KVNLog("REQUEST MANAGER: Received approval phrases: %@\n", answerURL(task));
            if (callback)
                callback(nullptr);
        }),
        serviceFailure(callback));
}

void KVNRequestManager::requestWaitingQueue(std::function<void(bool success, const std::shared_ptr<NSError>& error)> callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL(std::nullopt);
    m_managerJSONJSON->GET(
        URL, nullptr,
        kvn::bindToMainQueue(weak_from_this(), [callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>&,
                                                          const HTTPResponseObject& responseObject) {
            self.session()->videoIdentification()->updateRequestDataFromJSONResponse(answerJSON(responseObject));
            KVNLog("REQUEST MANAGER: Requested queue position and waiting time\n");
            if (callback)
                callback(true, nullptr);
        }),
        [callback](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            if (callback)
                callback(false, serviceError(task, error));
        });
}

void KVNRequestManager::sendEsignSuccess(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const auto ident = session();
    const auto token = ident->settings() ? ident->settings()->transactionToken() : std::nullopt;
    const std::string URL = NSString::stringWithFormat(
        "%@/%@/identifications/%@/signingDone", ident->server()->HOST_URL(),
        pathSegment(ident->server()->shortName()), pathSegment(token));
    KVNLog("REQUEST MANAGER: send esigning done >> %@\n", URL);
    m_managerHTTPHTTP->GET(
        URL, nullptr,
        [callback](const std::shared_ptr<NSURLSessionDataTask>&, const HTTPResponseObject&) {
            KVNLog("REQUEST MANAGER: send esigning done << \n");
            if (callback)
                callback(nullptr);
        },
        [callback](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            KVNLog("REQUEST MANAGER: send esigning done FAILED %@ error:%@\n", answerURL(task), error);
            if (callback)
                callback(serviceError(task, error));
        });
}

// ---------------------------------------------------------------------------------------------
// Starts

void KVNRequestManager::POSTStartVideoIdentification(std::function<void(const std::optional<std::string>& videoSessionID,
                                                                        const std::optional<std::string>& userVideoSessionToken,
                                                                        const std::shared_ptr<NSError>& error)> callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const auto ident = session();
    const auto video = ident->videoIdentification();
    JSONValue body = JSONValue::object();
    body["token"] = jsonText(ident->settings() ? ident->settings()->transactionToken() : std::nullopt);
    body["clientInfo"] = ident->clientInformation();
    if (video->mobile())
        body["mobile"] = *video->mobile();
    if (video->email())
        body["email"] = *video->email();
    ident->setForceWaitingList(false);

    const std::string URL = identificationURL("start");
    m_managerJSONJSON->POST(
        URL, body,
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>&,
                                                               const HTTPResponseObject& responseObject) {
            const auto ident = self.session();
            const auto video = ident->videoIdentification();
            const auto& answer = answerJSON(responseObject);
            video->updateIdentificationDataFromJSONResponse(answer);

            static const JSONValue none;
            const auto* requestMember = member(answer, "request");
            const JSONValue& request = requestMember ? *requestMember : none;
            const auto videoSessionID = textMember(request, "videoSession");
            const auto userVideoSessionToken = textMember(request, "userVideoSessionToken");
            const auto* clientSecret = member(request, "clientSecret");
            self.updateAllClientSecretHeadersWithSecret(
                clientSecret && clientSecret->is_string() ? std::optional<std::string>(clientSecret->get<std::string>()) : std::nullopt);

            std::shared_ptr<NSError> error;
            const auto* videoserverUsed = member(request, "videoserverUsed");
            if (videoserverUsed && videoserverUsed->is_string() && !videoserverUsed->get_ref<const std::string&>().empty()) {
                const auto& server = videoserverUsed->get_ref<const std::string&>();
                if (server == "KAVONI") {
                    video->setVideoserverType(KVNVideoIdentification::VideoserverTypeKavoni);
                } else if (server == "DISABLED") {
                    video->setVideoserverType(KVNVideoIdentification::VideoserverTypeDisabled);
                } else if (server == "TOKBOX") {
                    video->setVideoserverType(KVNVideoIdentification::VideoserverTypeUnsupported);
                    error = KavoniErrorPrivate::kavoniErrorWithCode(KavoniErrorCode::UnsupportedVideoserver);
                }
            }
            KVNLog("REQUEST MANAGER: Started identification (%@)", URL);
            if (callback)
                callback(videoSessionID, userVideoSessionToken, error);
        }),
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>& task,
                                                               const std::shared_ptr<NSError>& error) {
            // No secret survives a failed start, not even a cancelled one.
            self.clearAllClientSecretHeaders();
            const auto response = task ? task->response() : nullptr;
            if (response && response->statusCode() == 429) {
                KVNLog("REQUEST MANAGER: user is enforced to the waiting list");
                self.session()->setForceWaitingList(true);
                if (callback)
                    callback(std::nullopt, std::nullopt, nullptr);
                return;
            }
            if (KVNExtensions::canceled(task))
                return;
            KVNLogLocated(__FILE__, __LINE__, "Failed to start identification (%@): %@", URL, error);
            if (callback)
                callback(std::nullopt, std::nullopt, internalError(KavoniErrorCode::StartVideoIdentificationFailed, task, error));
        }));
}

void KVNRequestManager::POSTStartPhotoIdentificationForIDType_idCountry_callback(const std::string& idType, const std::string& idCountry,
                                                                                  ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const auto ident = session();
    JSONValue body = JSONValue::object();
    body["token"] = jsonText(ident->settings() ? ident->settings()->transactionToken() : std::nullopt);
    body["clientInfo"] = ident->clientInformation();
    body["data"] = {{"idType", idType}, {"idCountry", idCountry}};

    const std::string URL = identificationURL("start");
    m_managerJSONJSON->POST(
        URL, body,
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>&,
                                                               const HTTPResponseObject& responseObject) {
            const auto* request = member(answerJSON(responseObject), "request");
            const auto* clientSecret = request ? member(*request, "clientSecret") : nullptr;
            if (clientSecret && clientSecret->is_string())
                self.updateAllClientSecretHeadersWithSecret(clientSecret->get<std::string>());
            KVNLogLocated(__FILE__, __LINE__, "Started photo identification (%@)", URL);
            if (callback)
                callback(nullptr);
        }),
        kvn::bindToMainQueue(weak_from_this(), [URL, callback](KVNRequestManager& self, const std::shared_ptr<NSURLSessionDataTask>& task,
                                                               const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            self.clearAllClientSecretHeaders();
            KVNLogLocated(__FILE__, __LINE__, "Failed to start photo identification (%@): %@", URL, error);
            if (callback)
                callback(internalError(KavoniErrorCode::StartPhotoIdentificationFailed, task, error));
        }));
}

// ---------------------------------------------------------------------------------------------
// POST calls whose failure is the call's internal error

void KVNRequestManager::POSTReport(const std::shared_ptr<HTTPSessionManager>& manager, const std::string& URL, const JSONValue& body,
                                   long code, LogLine sent, LogLine failed, ErrorCallback callback)
{
    manager->POST(
        URL, body,
        [URL, sent, callback](const std::shared_ptr<NSURLSessionDataTask>&, const HTTPResponseObject&) {
            if (sent.format) {
                if (sent.line)
                    KVNLogLocated(__FILE__, sent.line, sent.format, URL);
                else
                    KVNLog(sent.format, URL);
            }
            if (callback)
                callback(nullptr);
        },
        [URL, code, failed, callback](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            if (failed.line)
                KVNLogLocated(__FILE__, failed.line, failed.format, URL, error);
            else
                KVNLog(failed.format, URL, error);
            if (callback)
                callback(internalError(code, task, error));
        });
}

void KVNRequestManager::requestVideoChat(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("requestVideoChat"), JSONValue::object(), KavoniErrorCode::RequestVideoChatFailed,
               KVN_LOG_LINE("REQUEST MANAGER, Requested video chat (%@)"), KVN_LOCATED_LINE("Failed to request video chat (%@): %@"),
               std::move(callback));
}

void KVNRequestManager::POSTSetupComplete(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("setupComplete"), JSONValue::object(), KavoniErrorCode::SetupCompleteFailed,
               KVN_LOG_LINE("REQUEST MANAGER: Completed setup (%@)"), KVN_LOCATED_LINE("Failed to complete setup (%@): %@"),
               std::move(callback));
}

void KVNRequestManager::POSTRequestIdentCodeViaEmail_callback(bool viaEmail, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const auto video = session()->videoIdentification();
    // Without a stored address (number) the field goes as null: the service answers that.
    JSONValue body = JSONValue::object();
    if (viaEmail)
        body["email"] = jsonText(video->email());
    else
        body["mobile"] = jsonText(video->mobile());
    POSTReport(m_managerJSONHTTP, identificationURL(viaEmail ? "resendConfirmationTokenViaEmail" : "resendConfirmationToken"), body,
               KavoniErrorCode::ResendIdentCodeFailed,
               KVN_LOG_LINE("REQUEST MANAGER: Requested ident code (%@)\n"), KVN_LOG_LINE("Failed to request ident code (%@): %@\n"),
               std::move(callback));
}

void KVNRequestManager::POSTIdentCode_callback(const std::string& code, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("sendConfirmationToken"), {{"confirmationToken", code}}, KavoniErrorCode::SendIdentCodeFailed,
               KVN_LOG_LINE("REQUEST MANAGER: Sent ident code (%@)\n"), KVN_LOCATED_LINE("Failed to send ident code (%@): %@"),
               std::move(callback));
}

void KVNRequestManager::POSTEsignCancel(ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("signingRefuse"), JSONValue::object(), KavoniErrorCode::SendIdentCodeFailed,
               KVN_LOG_LINE("REQUEST MANAGER: Esigning canceled by user (%@)\n"), KVN_LOG_LINE("Failed to send cancel esigning call (%@): %@\n"),
               std::move(callback));
}

void KVNRequestManager::POSTIdentificationFailed()
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("failed"), nullptr, 0, KVN_LOCATED_LINE("'Identification failed' API call was sent (%@)"),
               KVN_LOCATED_LINE("Failed to send 'Identification failed' API call (%@): %@"), nullptr);
}

void KVNRequestManager::POSTIdentificationCanceled()
{
    KVN_ASSERT_MAIN_THREAD();
    POSTReport(m_managerJSONHTTP, identificationURL("canceled"), nullptr, 0,
               KVN_LOG_LINE("REQUEST MANAGER: 'Identification canceled by user' API call was sent (%@)"),
               KVN_LOCATED_LINE("Failed to send 'Identification canceled by user' API call (%@): %@"), nullptr);
}

void KVNRequestManager::POSTMessage_callback(const std::shared_ptr<KVNMessage>& message, ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("chat/agent/sendMsg");
    JSONValue body = {{"content", message ? message->text() : std::string()}};
    // The sender hears of success before the log line is written.
    POSTReport(m_managerJSONHTTP, URL, body, KavoniErrorCode::TextMessageSendFailed, LogLine{},
               KVN_LOCATED_LINE("Failed to send text message (%@): %@"),
               [URL, callback = std::move(callback)](const std::shared_ptr<NSError>& error) {
                   if (callback)
                       callback(error);
                   if (!error)
                       KVNLogLocated(__FILE__, __LINE__, "Text message sent (%@)", URL);
               });
}

// ---------------------------------------------------------------------------------------------
// Video server

std::shared_ptr<NSURLSessionDataTask> KVNRequestManager::POSTCandidate_forSessionID_token_callback(const JSONValue& candidate,
                                                                                                  const std::string& sessionID,
                                                                                                  const std::string& token,
                                                                                                  ErrorCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL =
        NSString::stringWithFormat("%@/api/v1/conferences/%@/USER/%@/sendCandidate", session()->server()->videoServerAddress(),
                                   KVNServer::percentEncodedPathSegment(sessionID), KVNServer::percentEncodedPathSegment(token));
    const std::string candidateText = candidate.dump();
    return m_managerJSONHTTP->POST(
        URL, candidate,
        [candidateText, callback](const std::shared_ptr<NSURLSessionDataTask>&, const HTTPResponseObject&) {
            KVNLog("REQUEST MANAGER: CANDIDATE SEND %@", candidateText);
            if (callback)
                callback(nullptr);
        },
        [candidateText, callback](const std::shared_ptr<NSURLSessionDataTask>&, const std::shared_ptr<NSError>& error) {
            // The call handler decides what a lost candidate means, a cancelled one included.
            KVNLogLocated(__FILE__, __LINE__, "FAILED TO SEND CANDIDATE: %@", candidateText);
            if (callback)
                callback(error);
        });
}

std::shared_ptr<NSURLSessionDataTask> KVNRequestManager::POSTSDPOffer_forSessionID_token_callback(
    const JSONValue& offer, const std::string& sessionID, const std::string& token,
    std::function<void(const std::optional<std::string>& answer, const std::shared_ptr<NSURLSessionTask>& task,
                       const std::shared_ptr<NSError>& error)>
        callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL =
        NSString::stringWithFormat("%@/api/v1/conferences/%@/USER/%@/sendSdpOffer", session()->server()->videoServerAddress(),
                                   KVNServer::percentEncodedPathSegment(sessionID), KVNServer::percentEncodedPathSegment(token));
    return m_managerJSONHTTP->POST(
        URL, offer,
        [callback](const std::shared_ptr<NSURLSessionDataTask>& task, const HTTPResponseObject& responseObject) {
            const auto* data = responseObject.data();
            if (callback)
                callback(data ? Unicode::UTF8Validator::text(*data) : std::optional<std::string>(std::string()), task, nullptr);
        },
        [URL, callback](const std::shared_ptr<NSURLSessionDataTask>& task, const std::shared_ptr<NSError>& error) {
            if (KVNExtensions::canceled(task))
                return;
            KVNLog("Failed to send SDP offer (%@): %@\n", URL, error);
            if (callback)
                callback(std::nullopt, task, internalError(KavoniErrorCode::SDPOfferExchangeFailed, task, error));
        });
}

// ---------------------------------------------------------------------------------------------
// Calls that answer with a flag: every failure, a cancelled one too, is a NO.

void KVNRequestManager::POSTFlag(const std::string& URL, const JSONValue& body, std::function<void()> logSuccess,
                                 std::function<void(const std::shared_ptr<NSError>&)> logFailure, SuccessCallback callback)
{
    m_managerJSONHTTP->POST(
        URL, body,
        [logSuccess, callback](const std::shared_ptr<NSURLSessionDataTask>&, const HTTPResponseObject&) {
            if (logSuccess)
                logSuccess();
            if (callback)
                callback(true);
        },
        [logFailure, callback](const std::shared_ptr<NSURLSessionDataTask>&, const std::shared_ptr<NSError>& error) {
            if (logFailure)
                logFailure(error);
            if (callback)
                callback(false);
        });
}

void KVNRequestManager::POSTPushRegistrationMessage_identToken_appName_callback(const std::optional<std::string>& deviceToken,
                                                                               const std::optional<std::string>&,
                                                                               const std::optional<std::string>& appName,
                                                                               SuccessCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("notificationSubscription");
    JSONValue body = {{"type", "APN"}, {"appName", appName.value_or("kavoni")}, {"subscriptionToken", jsonText(deviceToken)}};
    NSLog("POST request to register for push: %@", URL);
    POSTFlag(
        URL, body, [] { NSLog("POST register for push - SUCCESSFUL"); },
        [](const std::shared_ptr<NSError>& error) { NSLog("POST register for push - ERROR\nreason: %@", error); }, std::move(callback));
}

void KVNRequestManager::POSTEnrollForWaitingListMessage_shortName_callback(const std::optional<std::string>&,
                                                                          const std::optional<std::string>&, SuccessCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string URL = identificationURL("waitingListEnrollment");
    NSLog("POST request to enroll in waiting list: %@", URL);
    POSTFlag(
        URL, JSONValue::object(), [] { NSLog("POST Enroll for waiting list - SUCCESSFUL"); },
        [](const std::shared_ptr<NSError>& error) { NSLog("%@", error); }, std::move(callback));
}

void KVNRequestManager::POSTchangeStateToForeground_callback(bool inForeground, SuccessCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string component = inForeground ? "appEnteredForeground" : "appEnteredBackground";
    const std::string URL = identificationURL(component);
    NSLog("POST change foreground state: %@", URL);
    POSTFlag(
        URL, JSONValue::object(), nullptr,
        [component](const std::shared_ptr<NSError>& error) { NSLog("POST %@ - ERROR\nreason: %@", component, error); },
        std::move(callback));
}
