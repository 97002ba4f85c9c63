#pragma once
// The one object through which a host uses the identification library. The host makes it with
// its KavoniSettings, initialises the identification (a chain of checks and service calls that
// ends in exactly one report), and once that succeeded starts the identification from one of its
// view controllers: the controller opens the library's first screen, the screens report the
// outcome back to it, and it closes them on their request and reports the outcome to the host
// through the completion block and the delegate.
//
// While an initialisation or an identification runs, the controller is also the class-level
// current controller (currentKavoniController), a strong reference that keeps it alive until
// its report; the screens and the call reach the settings and the report operations that way.
// Main queue only; the permission answers that arrive elsewhere are moved there.
#include <memory>

#include "Foundation/NSError.h"
#include "public/KavoniCompletionBlock.h"
#include "public/KavoniControllerDelegate.h"

class KavoniSettings;
class KVNRequestManager;
class UINavigationController;
class UIViewController;

class KavoniController : public std::enable_shared_from_this<KavoniController> {
public:
    KavoniController() = default;
    virtual ~KavoniController() = default;

    // Keeps the settings; nothing else happens.
    void initWithSettings(std::shared_ptr<KavoniSettings> settings);

    // Runs the initialisation and reports its outcome through the block (may be empty) and the
    // delegate.
    void initializeWithCompletionBlock(KavoniCompletionBlock block);
    void initialize();

    // Opens the first screen from the view controller; the block gets the identification's
    // outcome. A null view controller is logged and ignored.
    void startIdentificationFromViewController_withCompletionBlock(const std::shared_ptr<UIViewController>& viewController,
                                                                   KavoniCompletionBlock block);
    void startIdentificationFromViewController(const std::shared_ptr<UIViewController>& viewController);

    // The controller of the running initialisation or identification; nullptr when none runs.
    static std::shared_ptr<KavoniController> currentKavoniController();

    // Reports of the library's screens.
    void identificationSuccessfull();
    void identificationFailedWithError(const std::shared_ptr<NSError>& error);
    void identificationCanceledByUser();
    // Closes the identification screens; the screen that ends the identification passes its
    // navigation controller and calls this before its report.
    void dismissIdentificationFromNavigationController(const std::shared_ptr<UINavigationController>& navigationController);

    std::shared_ptr<KavoniControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KavoniControllerDelegate>& delegate) { m_delegate = delegate; }
    // The block of the running initialisation or identification; empty when none.
    const KavoniCompletionBlock& completionBlock() const { return m_completionBlock; }
    // Whether the current start presented its first screen in a new navigation controller.
    bool identificationPresentedModally() const { return m_identificationPresentedModally; }
    // From a successful initialisation until the next report of this controller.
    bool initialized() const { return m_initialized; }
    void setInitialized(bool initialized) { m_initialized = initialized; }
    std::shared_ptr<UIViewController> presentingViewController() const { return m_presentingViewController.lock(); }
    const std::shared_ptr<KavoniSettings>& settings() const { return m_settings; }
    // True while dismissIdentificationFromNavigationController closes the screens, so that the
    // first screen does not report a cancel as it goes.
    bool shouldBlockUserCancellation() const { return m_shouldBlockUserCancellation; }

protected:
    // The steps of the initialisation, in their order.
    void _initializeWithCompletionBlock(KavoniCompletionBlock block);
    void requestIdentificationDataWithManager(const std::shared_ptr<KVNRequestManager>& manager);
    void requestESignatureContractsWithManager(const std::shared_ptr<KVNRequestManager>& manager);
    void requestPermissionsForVideoIdent();
    // The initialisation's two reports.
    void requestSuccessfull();
    void initializationFailedWithError(const std::shared_ptr<NSError>& error);
    // Makes the first screen and places it (pushed or presented).
    void showIdentificationModal();
    // Before every report: flags, block and presenting view controller cleared, and the
    // controller is no longer the current one.
    void cleanup();

private:
    enum class Report { InitializationSucceeded, InitializationFailed, IdentificationSucceeded, IdentificationFailed, CanceledByUser };

    void failInitializationWithCode(long code);
    void report(Report report, const std::shared_ptr<NSError>& error);

    std::weak_ptr<KavoniControllerDelegate> m_delegate;
    KavoniCompletionBlock m_completionBlock;
    bool m_identificationPresentedModally = false;
    bool m_initialized = false;
    std::weak_ptr<UIViewController> m_presentingViewController;
    std::shared_ptr<KavoniSettings> m_settings;
    bool m_shouldBlockUserCancellation = false;
};
