#include "Private/Helper/KavoniErrorPrivate.h"

#include <climits>

#include "Foundation/JSONValue.h"
#include "Foundation/NSData.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPErrorKeys.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "UIKit/UIAlertController.h"
#include "models/KVNIdentification.h"

const std::string KavoniErrorDomain = "de.kavoni.kavoni";
const std::string KavoniInternalErrorDomain = "de.kavoni.kavoni.internal";
const std::string KavoniErrorStatusCodeKey = "de.kavoni.kavoni.error.statusCode";
const std::string KavoniErrorExceptionIDKey = "de.kavoni.kavoni.error.exceptionID";
const std::string KavoniErrorCauseKey = "de.kavoni.kavoni.error.cause";
const std::string KavoniSupportEmailAddress = "support@kavoni.de";

namespace {

long statusOf(const NSDictionary& userInfo)
{
    const long* status = NSDictionaryValue<long>(userInfo, KavoniErrorStatusCodeKey);
    return status ? *status : 0;
}

bool hasExceptionID(const NSDictionary& userInfo) { return userInfo.count(KavoniErrorExceptionIDKey) > 0; }

bool causeIs(const NSDictionary& userInfo, const std::string& cause)
{
    const std::string* stored = NSDictionaryValue<std::string>(userInfo, KavoniErrorCauseKey);
    return stored && *stored == cause;
}

// The exception id as the alert text shows it: a text as it stands, a number in decimal.
std::string exceptionIDText(const NSDictionary& userInfo)
{
    if (const auto* text = NSDictionaryValue<std::string>(userInfo, KavoniErrorExceptionIDKey))
        return *text;
    if (const auto* number = NSDictionaryValue<long>(userInfo, KavoniErrorExceptionIDKey))
        return std::to_string(*number);
    if (const auto* json = NSDictionaryValue<JSONValue>(userInfo, KavoniErrorExceptionIDKey))
        return json->dump();
    return std::string();
}

std::string serverErrorText(const NSDictionary& userInfo)
{
    return NSString::stringWithFormat(KVNLocalizer::localizedStringForKey("KAVONI_ERROR_DESCRIPTION_1009_500"), KavoniSupportEmailAddress,
                                      exceptionIDText(userInfo));
}

// A JSON member as the user info keeps it: texts as std::string, integers as long, anything
// else as its JSON value. Null counts as absent.
std::optional<std::any> userInfoValue(const JSONValue& value)
{
    if (value.is_null())
        return std::nullopt;
    if (value.is_string())
        return std::any(value.get<std::string>());
    if (value.is_number_integer() && !value.is_number_unsigned())
        return std::any(static_cast<long>(value.get<int64_t>()));
    if (value.is_number_unsigned() && value.get<uint64_t>() <= static_cast<uint64_t>(LONG_MAX))
        return std::any(static_cast<long>(value.get<uint64_t>()));
    return std::any(value);
}

void readServiceErrorDetails(const NSData& body, NSDictionary& userInfo)
{
    const auto json = JSONFromText(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
    if (!json || !json->is_object())
        return;
    const auto errors = json->find("errors");
    if (errors == json->end() || !errors->is_array() || errors->empty() || !errors->front().is_object())
        return;
    const auto& first = errors->front();
    if (auto id = first.find("id"); id != first.end())
        if (auto value = userInfoValue(*id))
            userInfo[KavoniErrorExceptionIDKey] = std::move(*value);
    if (auto cause = first.find("cause"); cause != first.end())
        if (auto value = userInfoValue(*cause))
            userInfo[KavoniErrorCauseKey] = std::move(*value);
}

std::string officeHoursText()
{
    const auto identification = KVNIdentification::sharedIdentification();
    const auto video = identification ? identification->videoIdentification() : nullptr;
    // Before a configuration named the hours there are none to show; "(null)" is no text for a user.
    return video && video->officeHours() ? *video->officeHours() : std::string();
}

std::shared_ptr<NSError> makeInternalError(long code, const std::shared_ptr<NSError>& underlyingError,
                                           const std::shared_ptr<NSURLSessionTask>& task)
{
    NSDictionary userInfo = KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(task, underlyingError);
    if (underlyingError)
        userInfo[NSUnderlyingErrorKey] = underlyingError;
    userInfo[NSLocalizedDescriptionKey] = KavoniErrorPrivate::localizedDescriptionForKavoniInternalError_userInfo(code, userInfo);
    return NSError::errorWithDomain_code_userInfo(KavoniInternalErrorDomain, code, std::move(userInfo));
}

} // namespace

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniErrorWithCode(long code)
{
    NSDictionary userInfo;
    userInfo[NSLocalizedDescriptionKey] = localizedDescriptionForKavoniError_userInfo(code, NSDictionary());
    return NSError::errorWithDomain_code_userInfo(KavoniErrorDomain, code, std::move(userInfo));
}

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(long code, const std::shared_ptr<NSURLSessionTask>& task,
                                                                                      const std::shared_ptr<NSError>& underlyingError)
{
    NSDictionary userInfo = kavoniUserInfoFromTask_underlyingError(task, underlyingError);
    if (underlyingError)
        userInfo[NSUnderlyingErrorKey] = underlyingError;
    userInfo[NSLocalizedDescriptionKey] = localizedDescriptionForKavoniError_userInfo(code, userInfo);
    return NSError::errorWithDomain_code_userInfo(KavoniErrorDomain, code, std::move(userInfo));
}

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniErrorWithCode_fromInternalError(long code, const std::shared_ptr<NSError>& internalError)
{
    // Without an internal error there is nothing to carry: the code's own description stands.
    if (!internalError)
        return kavoniErrorWithCode(code);
    NSDictionary userInfo = internalError->userInfo();
    userInfo[NSUnderlyingErrorKey] = internalError;
    return NSError::errorWithDomain_code_userInfo(KavoniErrorDomain, code, std::move(userInfo));
}

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniInternalErrorWithCode(long code) { return makeInternalError(code, nullptr, nullptr); }

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError(long code, const std::shared_ptr<NSError>& underlyingError)
{
    return makeInternalError(code, underlyingError, nullptr);
}

std::shared_ptr<NSError> KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(long code, const std::shared_ptr<NSError>& underlyingError,
                                                                                              const std::shared_ptr<NSURLSessionTask>& task)
{
    return makeInternalError(code, underlyingError, task);
}

NSDictionary KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(const std::shared_ptr<NSURLSessionTask>& task,
                                                                        const std::shared_ptr<NSError>& underlyingError)
{
    NSDictionary userInfo;
    if (!task)
        return userInfo;
    if (const auto response = task->response(); response && response->statusCode() != 0)
        userInfo[KavoniErrorStatusCodeKey] = response->statusCode();
    if (underlyingError) {
        const NSData* body = NSDictionaryValue<NSData>(underlyingError->userInfo(), HTTPFailingResponseDataErrorKey);
        if (body && !body->empty())
            readServiceErrorDetails(*body, userInfo);
    }
    return userInfo;
}

std::string KavoniErrorPrivate::localizedDescriptionForKavoniError_userInfo(long code, const NSDictionary& userInfo)
{
    const long status = statusOf(userInfo);
    const std::string plainKey = NSString::stringWithFormat("KAVONI_ERROR_DESCRIPTION_%ld", code);
    const std::string statusKey = NSString::stringWithFormat("KAVONI_ERROR_DESCRIPTION_%ld_%ld", code, status);

    if (code == KavoniErrorCode::UnsupportedVideoserver)
        return NSString::stringWithFormat(KVNLocalizer::localizedStringForKey(plainKey), code);
    if (code == KavoniErrorCode::OfficeClosed)
        return NSString::stringWithFormat(KVNLocalizer::localizedStringForKey(plainKey), officeHoursText());
    if (code == KavoniErrorCode::ServiceError) {
        switch (status) {
        case 404:
            return KVNLocalizer::localizedStringForKey(causeIs(userInfo, "OBJECT_NOT_FOUND") ? statusKey : plainKey);
        case 500:
            if (hasExceptionID(userInfo))
                return serverErrorText(userInfo);
            return KVNLocalizer::localizedStringForKey(plainKey);
        case 503:
            return KVNLocalizer::localizedStringForKey(statusKey);
        default:
            return KVNLocalizer::localizedStringForKey(plainKey);
        }
    }
    return KVNLocalizer::localizedStringForKey(plainKey);
}

std::string KavoniErrorPrivate::localizedDescriptionForKavoniInternalError_userInfo(long code, const NSDictionary& userInfo)
{
    const long status = statusOf(userInfo);
    const std::string plainKey = NSString::stringWithFormat("KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld", code);
    const std::string statusKey = NSString::stringWithFormat("KAVONI_INTERNAL_ERROR_DESCRIPTION_%ld_%ld", code, status);
    const std::string defaultKey = "KAVONI_INTERNAL_ERROR_DESCRIPTION_DEFAULT";

    std::string key = plainKey;
    // TextMessageSendFailed, past MediaLinkLost, has no text of its own and takes the default.
    if (code < KavoniErrorCode::IdentificationSetupFailed || code > KavoniErrorCode::MediaLinkLost) {
        key = defaultKey;
    } else {
        switch (code) {
        case KavoniErrorCode::Reserved2003:
        case KavoniErrorCode::Reserved2004:
        case KavoniErrorCode::Reserved2005:
        case KavoniErrorCode::ScreenshotUploadFailed:
        case KavoniErrorCode::StartPhotoIdentificationFailed:
        case KavoniErrorCode::PhotoUploadFailed:
            key = defaultKey;
            break;
        case KavoniErrorCode::IdentificationLoadFailed:
        case KavoniErrorCode::IdentificationDataLoadFailed:
            if ((status == 404 && causeIs(userInfo, "OBJECT_NOT_FOUND")) || status == 410)
                key = statusKey;
            break;
        case KavoniErrorCode::StartVideoIdentificationFailed:
        case KavoniErrorCode::RequestVideoChatFailed:
        case KavoniErrorCode::SetupCompleteFailed:
            if (status == 412)
                key = statusKey;
            break;
        case KavoniErrorCode::SendIdentCodeFailed:
            if (status == 400 && causeIs(userInfo, "WRONG_CONFIRMATION_TOKEN"))
                key = statusKey;
            break;
        default:
            break;
        }
    }
    return KVNLocalizer::localizedStringForKey(key);
}

long KavoniErrorPrivate::kavoniStatusCode(const NSError& error) { return statusOf(error.userInfo()); }

bool KavoniErrorPrivate::isKavoniServerError(const NSError& error)
{
    const long status = kavoniStatusCode(error);
    return status == 503 || (status == 500 && hasExceptionID(error.userInfo()));
}

std::string KavoniErrorPrivate::kavoniInternalLocalizedTitle(const NSError& error)
{
    switch (error.code()) {
    case KavoniErrorCode::IdentificationDataLoadFailed:
    case KavoniErrorCode::ResendIdentCodeFailed:
    case KavoniErrorCode::SendIdentCodeFailed:
    case KavoniErrorCode::SignatureUploadFailed:
        return KVNLocalizer::localizedStringForKey("ERROR");
    case KavoniErrorCode::WifiRequired:
        return KVNLocalizer::localizedStringForKey("NO_WIFI_CONNECTION");
    case KavoniErrorCode::MediaLinkLost:
        return std::string();
    default:
        return KVNLocalizer::localizedStringForKey(kavoniStatusCode(error) == 412 ? "KAVONI_ERROR_TITLE_412" : "KAVONI_ERROR_TITLE");
    }
}

std::shared_ptr<UIAlertController> KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(
    const NSError& error, const std::shared_ptr<UIViewController>& viewController, std::function<void()> tapBlock)
{
    const NSDictionary& userInfo = error.userInfo();
    std::string message;
    switch (kavoniStatusCode(error)) {
    case 500:
        message = hasExceptionID(userInfo) ? serverErrorText(userInfo) : KVNLocalizer::localizedStringForKey("KAVONI_ERROR_DESCRIPTION_1009");
        break;
    case 503:
        message = KVNLocalizer::localizedStringForKey("KAVONI_ERROR_DESCRIPTION_1009_503");
        break;
    default:
        message = KVNLocalizer::localizedStringForKey("KAVONI_ERROR_DESCRIPTION_1009");
        break;
    }
    return KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        viewController, KVNLocalizer::localizedStringForKey("VIDEO_IDENT_FAILED_ALERT_MESSAGE"), message, KVNLocalizer::localizedStringForKey("OK"),
        std::move(tapBlock));
}

std::shared_ptr<UIAlertController>
KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
    const NSError& error, const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& cancelButtonTitle,
    std::function<void()> cancelBlock, const std::optional<std::string>& secondButtonTitle, std::function<void()> secondButtonBlock)
{
    return KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        viewController, kavoniInternalLocalizedTitle(error), error.localizedDescription(), cancelButtonTitle, std::move(cancelBlock),
        secondButtonTitle, std::move(secondButtonBlock));
}
