#pragma once
// The text chat with the agent, slid over the call by the video screen. It lists the chat
// store's messages in the store's date order, sends what the user types (shown half
// transparent until the store reports it sent), follows the agent's new messages as the
// store's delegate, lets the input bar ride on the keyboard, and closes the keyboard when the
// user drags the list towards older messages. Closing the screen is its owner's action on
// closeButton. Main thread only.
#include <limits>
#include <memory>
#include <vector>

#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Tasks/VideoIdent/Identification/KVNKeyboardViewController.h"
#include "UIKit/UITableViewDataSource.h"
#include "UIKit/UITableViewDelegate.h"
#include "UIKit/UITextField.h"

class KVNChatFadeView;
class KVNChatInputView;
class KVNMessage;
class UIButton;
class UITableView;
namespace Layout {
class MadeConstraint;
}

class KVNChatViewController : public KVNKeyboardViewController,
                              public UITableViewDataSource,
                              public UITableViewDelegate,
                              public UITextFieldDelegate,
                              public KVNMessageProviderDelegate {
public:
    // No drag under way.
    static constexpr double kNoDragOffset = std::numeric_limits<double>::min();

    ~KVNChatViewController() override;

    void initWithMessageProvider(std::shared_ptr<KVNMessageProvider> messageProvider);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    const std::shared_ptr<KVNMessageProvider>& messageProvider() const { return m_messageProvider; }
    const std::vector<std::shared_ptr<KVNMessage>>& messages() const { return m_messages; }
    const std::shared_ptr<UITableView>& tableView() const { return m_tableView; }
    const std::shared_ptr<KVNChatInputView>& inputView() const { return m_inputView; }
    const std::shared_ptr<Layout::MadeConstraint>& inputViewBottomConstraint() const { return m_inputViewBottomConstraint; }
    const std::shared_ptr<KVNChatFadeView>& fadeView() const { return m_fadeView; }
    const std::shared_ptr<UIButton>& closeButton() const { return m_closeButton; }
    double previousYOffset() const { return m_previousYOffset; }

    // The store.
    void messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>& messageProvider,
                                                 const std::shared_ptr<KVNMessage>& message) override;

    // The list.
    long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override { return 1; }
    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override;
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const NSIndexPath& indexPath) override;
    void tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                     const std::shared_ptr<UITableViewCell>& cell, const NSIndexPath& indexPath) override;
    void scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>& scrollView) override;
    void scrollViewDidScroll(const std::shared_ptr<UIScrollView>& scrollView) override;
    void scrollViewDidEndDragging_willDecelerate(const std::shared_ptr<UIScrollView>& scrollView, bool decelerate) override;

    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& textField) override;

    void keyboardWillShowWithHeight_duration_animationOptions(CGFloat height, double duration, UIViewAnimationOptions options) override;
    void keyboardWillHideWithDuration_animationOptions(double duration, UIViewAnimationOptions options) override;

private:
    std::shared_ptr<KVNChatViewController> self();
    void closeButtonTapped(const std::shared_ptr<UIControl>& sender);
    void sendButtonTapped(const std::shared_ptr<UIControl>& sender);
    void send();
    void messageWasSent(const std::shared_ptr<KVNMessage>& message);
    void scrollToBottom();

    std::shared_ptr<KVNMessageProvider> m_messageProvider;
    std::vector<std::shared_ptr<KVNMessage>> m_messages;
    std::shared_ptr<UITableView> m_tableView;
    std::shared_ptr<KVNChatInputView> m_inputView;
    std::shared_ptr<Layout::MadeConstraint> m_inputViewBottomConstraint;
    std::shared_ptr<KVNChatFadeView> m_fadeView;
    std::shared_ptr<UIButton> m_closeButton;
    double m_previousYOffset = kNoDragOffset;
};
