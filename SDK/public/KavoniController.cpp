#include "public/KavoniController.h"

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Extensions/UIApplication+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "UIKit/UIImagePickerController.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNIdentification.h"
#include "photo-ident/KVNCountrySelectionViewController.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniSettings.h"

namespace {

// The controller of the running initialisation or identification. Main queue only.
std::shared_ptr<KavoniController>& currentController()
{
    static std::shared_ptr<KavoniController> controller;
    return controller;
}

} // namespace

void KavoniController::initWithSettings(std::shared_ptr<KavoniSettings> settings)
{
    KVN_ASSERT_MAIN_THREAD();
    m_settings = std::move(settings);
}

std::shared_ptr<KavoniController> KavoniController::currentKavoniController()
{
    KVN_ASSERT_MAIN_THREAD();
    return currentController();
}

// Initialisation ------------------------------------------------------------------------

void KavoniController::initializeWithCompletionBlock(KavoniCompletionBlock block)
{
    KVN_ASSERT_MAIN_THREAD();
    _initializeWithCompletionBlock(std::move(block));
}

void KavoniController::initialize()
{
    initializeWithCompletionBlock(nullptr);
}

void KavoniController::_initializeWithCompletionBlock(KavoniCompletionBlock block)
{
    currentController() = weak_from_this().lock();
    m_completionBlock = std::move(block);

    auto identification = KVNIdentification::sharedIdentification();
    identification->setSettings(m_settings);

    auto manager = KVNRequestManager::sharedManager();
    manager->setAllowInvalidCertificates(m_settings && m_settings->allowInvalidCertificates());
    manager->setIdent(identification);

    if (!m_settings || !KVNExtensions::isWellFilled(m_settings->transactionToken())) {
        failInitializationWithCode(KavoniErrorCode::TransactionTokenMissing);
        return;
    }
    if (!KVNExtensions::isWellFilled(m_settings->companyID()) && !m_settings->ignoreCompanyID()) {
        failInitializationWithCode(KavoniErrorCode::CompanyIDMissing);
        return;
    }
    if (!UIImagePickerController::isCameraDeviceAvailable(UIImagePickerControllerCameraDevice::Rear) ||
        !UIImagePickerController::isCameraDeviceAvailable(UIImagePickerControllerCameraDevice::Front)) {
        failInitializationWithCode(KavoniErrorCode::CameraMissing);
        return;
    }
    if (KVNNetworkReachability::reachable() == KVNNetworkReachability::NotReachable) {
        failInitializationWithCode(KavoniErrorCode::NoNetwork);
        return;
    }

    const auto identifier = m_settings->ignoreCompanyID() ? m_settings->transactionToken() : m_settings->companyID();
    auto answered = kvn::bindToMainQueue(weak_from_this(), [manager](KavoniController& self, const std::shared_ptr<NSError>& error) {
        if (error) {
            self.initializationFailedWithError(error);
            return;
        }
        // The texts are not waited for, and their failure does not matter here.
        manager->requestMessages(nullptr);

        auto identification = KVNIdentification::sharedIdentification();
        if (identification->identificationType() == KVNIdentificationTypePhoto) {
            self.requestSuccessfull();
            return;
        }
        if (!identification->videoIdentification()->officeOpen()) {
            self.failInitializationWithCode(KavoniErrorCode::OfficeClosed);
            return;
        }
        self.requestIdentificationDataWithManager(manager);
    });
    manager->initializeIdentificationWithIdentifier_callback(identifier, std::move(answered));
}

void KavoniController::requestIdentificationDataWithManager(const std::shared_ptr<KVNRequestManager>& manager)
{
    manager->requestVideoIdentificationData(kvn::bindToMainQueue(
        weak_from_this(),
        [manager](KavoniController& self, const std::optional<std::string>& internalToken, const std::shared_ptr<NSError>& error) {
            if (error) {
                self.initializationFailedWithError(error);
                return;
            }
            // Every later call of the identification is made with the service's own token, so
            // an answer without a usable one cannot start an identification.
            if (!KVNExtensions::isWellFilled(internalToken)) {
                KVNLog("KavoniController: the identification data carry no internal token\n");
                self.failInitializationWithCode(KavoniErrorCode::ServiceError);
                return;
            }
            self.m_settings->setTransactionToken(internalToken);
            if (KVNIdentification::sharedIdentification()->videoIdentification()->eSignatureEnabled())
                self.requestESignatureContractsWithManager(manager);
            else
                self.requestPermissionsForVideoIdent();
        }));
}

void KavoniController::requestESignatureContractsWithManager(const std::shared_ptr<KVNRequestManager>& manager)
{
    manager->requestESignatureContracts(kvn::bindToMainQueue(weak_from_this(), [](KavoniController& self, const std::shared_ptr<NSError>& error) {
        if (error) {
            self.initializationFailedWithError(error);
            return;
        }
        self.requestPermissionsForVideoIdent();
    }));
}

void KavoniController::requestPermissionsForVideoIdent()
{
    auto audioSession = AVAudioSession::sharedInstance();
    if (!audioSession->isInputAvailable()) {
        failInitializationWithCode(KavoniErrorCode::NoAudioInput);
        return;
    }
    // The answers come on a queue of the platform's choosing: nothing of the controller is
    // touched there, not even its last reference, until the main queue has the answer.
    std::weak_ptr<KavoniController> weakSelf = weak_from_this();
    audioSession->requestRecordPermission([weakSelf](bool granted) {
        if (!granted) {
            kvn::postToMainQueue(weakSelf, [](KavoniController& self) { self.failInitializationWithCode(KavoniErrorCode::MicrophoneAccessDenied); });
            return;
        }
        AVCaptureDevice::requestAccessForMediaType_completionHandler(AVMediaTypeVideo, [weakSelf](bool videoGranted) {
            kvn::postToMainQueue(weakSelf, [videoGranted](KavoniController& self) {
                if (videoGranted)
                    self.requestSuccessfull();
                else
                    self.failInitializationWithCode(KavoniErrorCode::CameraAccessDenied);
            });
        });
    });
}

void KavoniController::failInitializationWithCode(long code)
{
    initializationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(code));
}

// Start ---------------------------------------------------------------------------------

void KavoniController::startIdentificationFromViewController_withCompletionBlock(const std::shared_ptr<UIViewController>& viewController,
                                                                                 KavoniCompletionBlock block)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!viewController) {
        KVNLog("KavoniController: no view controller to start the identification from\n");
        return;
    }
    currentController() = weak_from_this().lock();
    m_completionBlock = std::move(block);
    m_presentingViewController = viewController;

    if (m_settings && m_settings->userInterfaceLanguage())
        KVNLocalizer::setUserInterfaceLanguage(m_settings->userInterfaceLanguage());

    showIdentificationModal();
}

void KavoniController::startIdentificationFromViewController(const std::shared_ptr<UIViewController>& viewController)
{
    startIdentificationFromViewController_withCompletionBlock(viewController, nullptr);
}

void KavoniController::showIdentificationModal()
{
    auto presenting = m_presentingViewController.lock();
    if (!presenting)
        return;

    std::shared_ptr<UIViewController> screen;
    bool mayBePushed = true;
    if (KVNIdentification::sharedIdentification()->identificationType() == KVNIdentificationTypePhoto) {
        screen = std::make_shared<KVNCountrySelectionViewController>();
        screen->init();
    } else if (!m_settings || m_settings->showVideoOverviewCheck()) {
        auto check = std::make_shared<KVNCheckTableViewController>();
        check->initWithStyle(UITableViewStyle::Plain);
        screen = check;
    } else {
        screen = std::make_shared<KVNIdentificationViewController>();
        screen->init();
        mayBePushed = false;
    }

    std::shared_ptr<UINavigationController> navigationController;
    auto hostNavigationController = presenting->navigationController();
    if (mayBePushed && !(m_settings && m_settings->forceModalPresentation()) && hostNavigationController) {
        navigationController = hostNavigationController;
        navigationController->pushViewController_animated(screen, true);
        // The dismissal reads the flag to know how the current screens were shown, so a
        // pushed start must not inherit the YES of an earlier modal one.
        m_identificationPresentedModally = false;
    } else {
        navigationController = std::make_shared<UINavigationController>();
        navigationController->initWithRootViewController(screen);
        presenting->presentViewController_animated_completion(navigationController, true, nullptr);
        m_identificationPresentedModally = true;
    }

    if (KVNExtensions::viewControllerBasedStatusBarAppearanceEnabled() &&
        KavoniAppearance::sharedAppearance()->enableStatusBarStyleLightContent())
        navigationController->navigationBar()->setBarStyle(UIBarStyle::Black);
}

// Dismissal -----------------------------------------------------------------------------

void KavoniController::dismissIdentificationFromNavigationController(const std::shared_ptr<UINavigationController>& navigationController)
{
    KVN_ASSERT_MAIN_THREAD();
    m_shouldBlockUserCancellation = true;
    auto presenting = m_presentingViewController.lock();

    if (KVNIdentification::sharedIdentification()->identificationType() == KVNIdentificationTypePhoto) {
        if (m_identificationPresentedModally) {
            if (navigationController)
                navigationController->dismissViewControllerAnimated_completion(true, nullptr);
        } else if (navigationController && presenting) {
            navigationController->popToViewController_animated(presenting, true);
        }
        return;
    }

    if (navigationController)
        navigationController->dismissViewControllerAnimated_completion(true, nullptr);
    if (m_settings && m_settings->showVideoOverviewCheck() && presenting) {
        if (m_identificationPresentedModally) {
            presenting->dismissViewControllerAnimated_completion(true, nullptr);
        } else if (auto hostNavigationController = presenting->navigationController()) {
            hostNavigationController->popViewControllerAnimated(true);
        }
    }
}

// Reports -------------------------------------------------------------------------------

void KavoniController::requestSuccessfull()
{
    report(Report::InitializationSucceeded, nullptr);
}

void KavoniController::initializationFailedWithError(const std::shared_ptr<NSError>& error)
{
    report(Report::InitializationFailed, error);
}

void KavoniController::identificationSuccessfull()
{
    KVN_ASSERT_MAIN_THREAD();
    report(Report::IdentificationSucceeded, nullptr);
}

void KavoniController::identificationFailedWithError(const std::shared_ptr<NSError>& error)
{
    KVN_ASSERT_MAIN_THREAD();
    report(Report::IdentificationFailed, error);
}

void KavoniController::identificationCanceledByUser()
{
    KVN_ASSERT_MAIN_THREAD();
    report(Report::CanceledByUser, nullptr);
}

void KavoniController::report(Report report, const std::shared_ptr<NSError>& error)
{
    // Held across the report: the clean-up may drop the last other reference to this
    // controller (the current-controller one), and the block or the delegate may drop the host's.
    auto self = weak_from_this().lock();
    // Taken before the clean-up drops it, so that it runs once for this report, even when it
    // starts something new on this controller that sets a block of its own.
    auto block = std::move(m_completionBlock);
    m_completionBlock = nullptr;

    if (report == Report::IdentificationSucceeded)
        KVNIdentification::sharedIdentification()->setInformedByPush(false);
    cleanup();
    if (report == Report::InitializationSucceeded)
        m_initialized = true;

    const bool success = report == Report::InitializationSucceeded || report == Report::IdentificationSucceeded;
    const bool canceled = report == Report::CanceledByUser;
    if (block)
        block(success, success || canceled ? nullptr : error, canceled);

    auto delegate = m_delegate.lock();
    if (!delegate)
        return;
    switch (report) {
    case Report::InitializationSucceeded:
        if (delegate->respondsToKavoniControllerDidFinishInitializing())
            delegate->kavoniControllerDidFinishInitializing(self);
        break;
    case Report::InitializationFailed:
        if (delegate->respondsToKavoniController_initializationDidFailWithError())
            delegate->kavoniController_initializationDidFailWithError(self, error);
        break;
    case Report::IdentificationSucceeded:
        if (delegate->respondsToKavoniControllerDidFinishIdentification())
            delegate->kavoniControllerDidFinishIdentification(self);
        break;
    case Report::IdentificationFailed:
        if (delegate->respondsToKavoniController_identificationDidFailWithError())
            delegate->kavoniController_identificationDidFailWithError(self, error);
        break;
    case Report::CanceledByUser:
        if (delegate->respondsToKavoniControllerCanceledByUser())
            delegate->kavoniControllerCanceledByUser(self);
        break;
    }
}

void KavoniController::cleanup()
{
    m_initialized = false;
    m_shouldBlockUserCancellation = false;
    m_presentingViewController.reset();
    m_completionBlock = nullptr;
    // Another controller may have become the current one since this one was; its run goes on.
    auto& current = currentController();
    if (current.get() == this)
        current.reset();
}
