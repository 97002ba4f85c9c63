#pragma once
// The waiting-list panel the video screen lays over its info panel when no agent is free: it
// offers a place on the service's waiting list, asks for the notification (push or SMS, by the
// session's channel) and, when push notifications were refused, offers to ask again. The video
// screen sets the delegate, pins the panel's bottom, left and right edges and calls
// presentStage() (RequestNotification when the list is forced, else Offer); the stage then
// changes only through the panel's buttons and pushNotificationNotAllowed().
// Main thread only.
#include <memory>

#include "Private/Tasks/VideoIdent/Identification/KVNWaitingListStage.h"
#include "UIKit/UIViewController.h"

class KVNBlurredView;
class KVNLabel;
class KVNMediumLabel;
class KVNRoundedButton;
class KVNSquareButton;
class KVNWaitingListControllerDelegate;
class UIButton;

class KVNWaitingListViewController : public UIViewController {
public:
    void viewDidLoad() override;

    void presentStage(long stage);
    void layoutStage1();
    void layoutStage2();
    void layoutStage3();

    void okButtonPressed();
    void cancelButtonPressed();
    void requestPushNotification();
    void retryPushNotification();
    void pushNotificationNotAllowed();
    void clearViews();

    void layoutShortInfoLabel();
    void layoutDetailsLabel();
    void layoutOkButton();
    void layoutCancelButton();
    void layoutRequestButton();
    void layoutRetryButton();

    std::shared_ptr<KVNWaitingListControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNWaitingListControllerDelegate>& delegate) { m_delegate = delegate; }

    const std::shared_ptr<KVNBlurredView>& blurredView() const { return m_blurredView; }
    const std::shared_ptr<KVNMediumLabel>& shortInfoLabel() const { return m_shortInfoLabel; }
    const std::shared_ptr<KVNLabel>& detailsLabel() const { return m_detailsLabel; }
    const std::shared_ptr<KVNSquareButton>& okButton() const { return m_okButton; }
    const std::shared_ptr<UIButton>& cancelButton() const { return m_cancelButton; }
    const std::shared_ptr<KVNRoundedButton>& requestNotificationButton() const { return m_requestNotificationButton; }
    const std::shared_ptr<KVNRoundedButton>& retryNotificationButton() const { return m_retryNotificationButton; }

private:
    std::weak_ptr<KVNWaitingListControllerDelegate> m_delegate;
    std::shared_ptr<KVNBlurredView> m_blurredView;
    std::shared_ptr<KVNMediumLabel> m_shortInfoLabel;
    std::shared_ptr<KVNLabel> m_detailsLabel;
    std::shared_ptr<KVNSquareButton> m_okButton;
    std::shared_ptr<UIButton> m_cancelButton;
    std::shared_ptr<KVNRoundedButton> m_requestNotificationButton;
    std::shared_ptr<KVNRoundedButton> m_retryNotificationButton;
};
