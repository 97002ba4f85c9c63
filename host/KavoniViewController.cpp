#include "KavoniViewController.h"

#include "Foundation/NSError.h"
#include "Foundation/NSLog.h"
#include "UIKit/UIActivityIndicatorView.h"
#include "UIKit/UIAlertAction.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

void KavoniViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::whiteColor());
    m_activityIndicator = std::make_shared<UIActivityIndicatorView>();
    m_activityIndicator->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleGray);
    m_activityIndicator->setHidesWhenStopped(true);
    view()->addSubview(m_activityIndicator);
    m_activityIndicator->startAnimating();

    auto settings = std::make_shared<KavoniSettings>();
    // The library shows its own result screens, a video identification begins with the data
    // check, and the transaction token stands for the company.
    settings->setShowErrorSuccessScreen(true);
    settings->setShowVideoOverviewCheck(true);
    settings->setIgnoreCompanyID(true);
    m_settings = settings;

    m_kavoniController = std::make_shared<KavoniController>();
    m_kavoniController->initWithSettings(m_settings);
    startVideoIdent();
}

void KavoniViewController::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    if (auto alert = std::move(m_pendingAlert)) {
        m_pendingAlert = nullptr;
        presentViewController_animated_completion(alert, true, nullptr);
    }
}

void KavoniViewController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    const auto bounds = view()->bounds();
    m_activityIndicator->setCenter(CGPointMake(CGRectGetMidX(bounds), CGRectGetMidY(bounds)));
}

void KavoniViewController::startVideoIdent()
{
    if (!m_settings || !m_kavoniController) {
        NSLog("KavoniViewController: no settings or controller yet; the identification starts when the view loads");
        return;
    }
    m_settings->setTransactionToken(m_kavoniKey);
    m_settings->setCompanyID(std::string("vellumbank"));
    // Every outcome comes through the completion blocks.
    m_kavoniController->setDelegate(nullptr);

    auto self = std::static_pointer_cast<KavoniViewController>(shared_from_this());
    std::weak_ptr<KavoniController> weakController = m_kavoniController;
    m_kavoniController->initializeWithCompletionBlock([self, weakController](bool success, const std::shared_ptr<NSError>& error, bool) {
        // The service has answered: what follows is the library's first screen or the alert.
        self->m_activityIndicator->stopAnimating();
        if (success) {
            auto controller = weakController.lock();
            if (!controller)
                return;
            std::weak_ptr<KavoniViewController> weakSelf = self;
            controller->startIdentificationFromViewController_withCompletionBlock(
                self, [weakSelf](bool success, const std::shared_ptr<NSError>& error, bool canceledByUser) {
                    if (success)
                        NSLog("KavoniViewController: the identification succeeded");
                    else if (canceledByUser)
                        NSLog("KavoniViewController: the user cancelled the identification");
                    else
                        NSLog("KavoniViewController: the identification failed: %@ (%ld)",
                              error ? error->localizedDescription() : std::string("no error given"), error ? error->code() : 0L);
                    auto viewController = weakSelf.lock();
                    if (!viewController)
                        return;
                    if (auto observer = viewController->m_endObserver)
                        observer(success, error, canceledByUser);
                    // The library has closed its screens; this one has nothing more to show.
                    viewController->leave();
                });
            return;
        }
        if (error)
            self->showInitializationError(error);
    });
}

void KavoniViewController::showInitializationError(const std::shared_ptr<NSError>& error)
{
    auto alert = UIAlertController::alertControllerWithTitle_message_preferredStyle(std::string("Error"), error->localizedDescription(),
                                                                                    UIAlertControllerStyle::Alert);
    std::weak_ptr<KavoniViewController> weakSelf = std::static_pointer_cast<KavoniViewController>(shared_from_this());
    alert->addAction(UIAlertAction::actionWithTitle_style_handler(std::string("Ok"), UIAlertActionStyle::Cancel,
                                                                  [weakSelf](const std::shared_ptr<UIAlertAction>&) {
                                                                      if (auto viewController = weakSelf.lock())
                                                                          viewController->leave();
                                                                  }));
    // Errors found before any service call arrive while this screen is still being presented,
    // before its view is in the window: the alert waits until the screen is on it.
    if (isVisible())
        presentViewController_animated_completion(alert, true, nullptr);
    else
        m_pendingAlert = alert;
}

void KavoniViewController::leave()
{
    if (auto presenter = presentingViewController())
        presenter->dismissViewControllerAnimated_completion(false, nullptr);
}
