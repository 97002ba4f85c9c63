#pragma once
// The last screen of an identification: how it ended (icon, title, the process number and a
// message, on the theme's background) and, when the user leaves it, the report to the host.
// The video identification screen pushes it with success YES or NO when its endings call for a
// result screen, the photo upload with success YES:
//     auto result = std::make_shared<KVNResultViewController>();
//     result->setSuccess(false);
//     result->setCanceledByUser(true);
//     navigationController->pushViewController_animated(result, true);
// Done closes the identification's screens through the running KavoniController and reports
// success, or the public error 1011 for a failure. Retry (failure only) resets the stack's first
// screen, the video identification screen, and pops this one. A success may ask the store for
// a review of the app. The process number is hidden while the app is inactive.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIViewController.h"

class KVNLabel;
class UIBarButtonItem;
class UIImageView;
class UIScrollView;

class KVNResultViewController : public UIViewController {
public:
    KVNResultViewController() = default;
    ~KVNResultViewController() override;

    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void viewWillAppear(bool animated) override;

    bool success() const { return m_success; }
    void setSuccess(bool success) { m_success = success; }
    // The screen looks and acts the same either way; the flag only travels with it.
    bool canceledByUser() const { return m_canceledByUser; }
    void setCanceledByUser(bool canceledByUser) { m_canceledByUser = canceledByUser; }
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_scrollView; }
    const std::shared_ptr<KVNLabel>& processNumberLabel() const { return m_processNumberLabel; }
    const std::optional<std::string>& tempText() const { return m_tempText; }

    // Bar button actions.
    void doneBarButtonItemTapped(const std::shared_ptr<UIBarButtonItem>& sender);
    void retryBarButtonItemTapped(const std::shared_ptr<UIBarButtonItem>& sender);

protected:
    virtual void setupNavigationBar();
    virtual void setupContent();
    // The screen's body: icon and title in the outcome's style, the process number when asked
    // for, and the message below.
    void buildContent(bool success, const std::optional<std::string>& title, const std::optional<std::string>& message,
                      bool withProcessNumber);

private:
    void requestStoreReviewIfDue();
    void applicationWillResignActive();
    void applicationDidBecomeActive();
    std::shared_ptr<UIBarButtonItem> makeBarButtonItem(const std::string& title,
                                                       void (KVNResultViewController::*action)(const std::shared_ptr<UIBarButtonItem>&));

    bool m_success = false;
    bool m_canceledByUser = false;
    std::shared_ptr<UIScrollView> m_scrollView;
    std::shared_ptr<KVNLabel> m_processNumberLabel;
    std::optional<std::string> m_tempText;
    // The process number above was saved on resigning active and waits to be put back.
    bool m_holdsTextWhileInactive = false;
    std::shared_ptr<NSNotificationObserver> m_willResignActiveObserver;
    std::shared_ptr<NSNotificationObserver> m_didBecomeActiveObserver;
};
