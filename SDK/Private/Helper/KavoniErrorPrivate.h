#pragma once
// The library's errors: NSError values in a public domain (codes 1000-1012, reported to the
// host) and an internal domain (codes 2000-2022, one per failing operation), named in
// KavoniErrorCode.h. These helpers make them, carrying the HTTP status and the service's error
// details of a failed task, choose their localized description and alert title, tell server
// errors, and present them as alerts. Errors are immutable and their texts are chosen once,
// when the error is made, in the language in force then. Made and presented on the main queue.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSDictionary.h"
#include "Foundation/NSError.h"

class NSURLSessionTask;
class UIAlertController;
class UIViewController;

extern const std::string KavoniErrorDomain;         // "de.kavoni.kavoni"
extern const std::string KavoniInternalErrorDomain; // "de.kavoni.kavoni.internal"
// User-info keys. Status: long (absent when 0). Exception id: what the service sent, a
// std::string for a text, a long for an integer, else the JSON value. Cause: std::string.
extern const std::string KavoniErrorStatusCodeKey;  // "de.kavoni.kavoni.error.statusCode"
extern const std::string KavoniErrorExceptionIDKey; // "de.kavoni.kavoni.error.exceptionID"
extern const std::string KavoniErrorCauseKey;       // "de.kavoni.kavoni.error.cause"
// The support address that the text of a server error with an exception id names.
extern const std::string KavoniSupportEmailAddress;

struct KavoniErrorPrivate {
    // Public errors.
    static std::shared_ptr<NSError> kavoniErrorWithCode(long code);
    static std::shared_ptr<NSError> kavoniErrorWithCode_task_underlyingError(long code, const std::shared_ptr<NSURLSessionTask>& task,
                                                                             const std::shared_ptr<NSError>& underlyingError);
    // Carries the internal error's user info (and so its description), with the internal
    // error as the underlying error.
    static std::shared_ptr<NSError> kavoniErrorWithCode_fromInternalError(long code, const std::shared_ptr<NSError>& internalError);

    // Internal errors.
    static std::shared_ptr<NSError> kavoniInternalErrorWithCode(long code);
    static std::shared_ptr<NSError> kavoniInternalErrorWithCode_underlyingError(long code, const std::shared_ptr<NSError>& underlyingError);
    static std::shared_ptr<NSError> kavoniInternalErrorWithCode_underlyingError_task(long code, const std::shared_ptr<NSError>& underlyingError,
                                                                                     const std::shared_ptr<NSURLSessionTask>& task);

    // Status of the task's response, and the first entry of the "errors" array of the failed
    // answer's body (under HTTPFailingResponseDataErrorKey of the underlying error). Empty
    // without a task.
    static NSDictionary kavoniUserInfoFromTask_underlyingError(const std::shared_ptr<NSURLSessionTask>& task,
                                                               const std::shared_ptr<NSError>& underlyingError);
    static std::string localizedDescriptionForKavoniError_userInfo(long code, const NSDictionary& userInfo);
    static std::string localizedDescriptionForKavoniInternalError_userInfo(long code, const NSDictionary& userInfo);

    // Reading an error (any domain).
    static long kavoniStatusCode(const NSError& error);
    // Status 503, or status 500 with an exception id.
    static bool isKavoniServerError(const NSError& error);
    static std::string kavoniInternalLocalizedTitle(const NSError& error);

    // The server-error alert: message by status, one "OK" button that runs the block.
    static std::shared_ptr<UIAlertController> presentServerErrorAlertFromViewController_withTapBlock(const NSError& error,
                                                                                                    const std::shared_ptr<UIViewController>& viewController,
                                                                                                    std::function<void()> tapBlock);
    // The error's title and description, with the buttons whose titles are given.
    static std::shared_ptr<UIAlertController> presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        const NSError& error, const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& cancelButtonTitle,
        std::function<void()> cancelBlock, const std::optional<std::string>& secondButtonTitle, std::function<void()> secondButtonBlock);
};
