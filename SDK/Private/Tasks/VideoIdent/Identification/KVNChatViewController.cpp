#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"

#include <algorithm>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNChatFadeView.h"
#include "Private/UIElements/KVNChatInputView.h"
#include "Private/UIElements/KVNChatTextField.h"
#include "Private/UIElements/KVNMessageCell.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITableViewStyle.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr const char* kMessageCellIdentifier = "KVNMessageCell";

} // namespace

KVNChatViewController::~KVNChatViewController()
{
    if (m_messageProvider)
        m_messageProvider->setDelegate({});
    m_messageProvider.reset();
}

void KVNChatViewController::initWithMessageProvider(std::shared_ptr<KVNMessageProvider> messageProvider)
{
    UIViewController::init();
    m_messageProvider = std::move(messageProvider);
}

std::shared_ptr<KVNChatViewController> KVNChatViewController::self()
{
    return std::static_pointer_cast<KVNChatViewController>(UIViewController::shared_from_this());
}

void KVNChatViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    KVNKeyboardViewController::viewDidLoad();
    auto me = self();
    auto weak = std::weak_ptr<KVNChatViewController>(me);
    auto root = view();
    m_previousYOffset = kNoDragOffset;
    root->setBackgroundColor(UIColor::clearColor());

    m_fadeView = std::make_shared<KVNChatFadeView>();
    m_fadeView->init();
    auto blurred = std::make_shared<KVNBlurredView>();
    blurred->init();

    if (m_messageProvider) {
        m_messages = m_messageProvider->messages();
        m_messageProvider->setDelegate(std::weak_ptr<KVNMessageProviderDelegate>(std::shared_ptr<KVNMessageProviderDelegate>(me, this)));
    }

    m_tableView = std::make_shared<UITableView>();
    m_tableView->initWithFrame_style(CGRectZero, UITableViewStyle::Plain);
    m_tableView->setBackgroundColor(UIColor::clearColor());
    m_tableView->registerClass_forCellReuseIdentifier<KVNMessageCell>(kMessageCellIdentifier);
    m_tableView->setDelegate(std::shared_ptr<UITableViewDelegate>(me, this));
    m_tableView->setDataSource(std::shared_ptr<UITableViewDataSource>(me, this));
    m_tableView->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    auto footer = std::make_shared<UIView>();
    footer->init();
    m_tableView->setTableFooterView(footer);
    m_tableView->setScrollIndicatorInsets(UIEdgeInsetsMake(64, 0, 0, 0));
    // Room above the first message for the fade and the close button.
    auto header = std::make_shared<UIView>();
    header->initWithFrame(CGRectMake(0, 0, 320, 64));
    header->setBackgroundColor(UIColor::clearColor());
    m_tableView->setTableHeaderView(header);

    m_closeButton = UIButton::buttonWithType(UIButtonTypeSystem);
    m_closeButton->setTintColor(KavoniAppearance::sharedAppearance()->defaultTextColor());
    m_closeButton->setContentEdgeInsets(UIEdgeInsetsMake(20, 20, 20, 20));
    m_closeButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-chat-close"), UIControlStateNormal);
    m_closeButton->addTarget_action_forControlEvents(
        me,
        kvn::bindToMainQueue(weak,
                             [](KVNChatViewController& chat, const std::shared_ptr<UIControl>& sender) { chat.closeButtonTapped(sender); }),
        UIControlEventTouchUpInside);

    m_inputView = std::make_shared<KVNChatInputView>();
    m_inputView->init();
    m_inputView->sendButton()->addTarget_action_forControlEvents(
        me,
        kvn::bindToMainQueue(weak,
                             [](KVNChatViewController& chat, const std::shared_ptr<UIControl>& sender) { chat.sendButtonTapped(sender); }),
        UIControlEventTouchUpInside);
    m_inputView->textField()->setDelegate(std::shared_ptr<UITextFieldDelegate>(me, this));
    // The bar's own rule lets "null" and blanks it does not know (no-break, full-width spaces)
    // enable the button, and the send would then refuse them without a word. Added after the
    // bar's own action, this one has the last say: the button offers what the send takes.
    m_inputView->textField()->addTarget_action_forControlEvents(
        me,
        kvn::bindToMainQueue(weak,
                             [](KVNChatViewController& chat, const std::shared_ptr<UIControl>&) {
                                 chat.m_inputView->sendButton()->setEnabled(KVNExtensions::isWellFilled(chat.m_inputView->textField()->text()));
                             }),
        UIControlEventEditingChanged);

    root->addSubview(blurred);
    auto content = blurred->contentView();
    content->addSubview(m_fadeView);
    content->addSubview(m_closeButton);
    content->addSubview(m_inputView);
    m_fadeView->addSubview(m_tableView);

    Layout::ConstraintMaker::make(blurred, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    Layout::ConstraintMaker::make(m_fadeView, [&](Layout::ConstraintMaker& make) { make.left().right().top().equalTo(content); });
    Layout::ConstraintMaker::make(m_tableView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(m_fadeView); });
    Layout::ConstraintMaker::make(m_closeButton, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(content).offset(5);
        make.top().equalTo(content).offset(10);
    });
    Layout::ConstraintMaker::make(m_inputView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(content);
        make.top().equalTo(m_tableView->bottomAnchor());
        m_inputViewBottomConstraint = make.bottom().equalTo(content).offset(0).kept();
    });
}

void KVNChatViewController::viewWillAppear(bool animated)
{
    KVNKeyboardViewController::viewWillAppear(animated);
    // The list has no size until its first layout, and the last row's place depends on it.
    view()->layoutIfNeeded();
    scrollToBottom();
}

void KVNChatViewController::viewWillDisappear(bool animated)
{
    KVNKeyboardViewController::viewWillDisappear(animated);
    m_inputView->textField()->resignFirstResponder();
}

void KVNChatViewController::closeButtonTapped(const std::shared_ptr<UIControl>&) { m_inputView->textField()->resignFirstResponder(); }

void KVNChatViewController::sendButtonTapped(const std::shared_ptr<UIControl>&) { send(); }

bool KVNChatViewController::textFieldShouldReturn(const std::shared_ptr<UITextField>&)
{
    send();
    return false;
}

void KVNChatViewController::send()
{
    KVN_ASSERT_MAIN_THREAD();
    const auto& field = m_inputView->textField();
    auto text = KVNExtensions::wellFilledString(field->text());
    if (!KVNExtensions::isWellFilled(text) || !m_messageProvider)
        return;
    m_inputView->sendButton()->setEnabled(false);
    field->setText(std::string());

    auto weak = std::weak_ptr<KVNChatViewController>(self());
    auto message = m_messageProvider->sendText_callback(
        *text, kvn::bindToMainQueue(weak, [](KVNChatViewController& chat, const std::shared_ptr<KVNMessage>& sent) {
            chat.messageWasSent(sent);
        }));

    m_messages = m_messageProvider->messages();
    // The store keeps date order, and an agent message stamped by the service's clock may sort
    // after this one: the new row goes where the store put the message, not blindly last.
    auto found = std::find(m_messages.begin(), m_messages.end(), message);
    if (found == m_messages.end()) {
        m_tableView->reloadData();
    } else {
        const long row = static_cast<long>(found - m_messages.begin());
        m_tableView->insertRowsAtIndexPaths_withRowAnimation({NSIndexPath::indexPathForRow_inSection(row, 0)}, UITableViewRowAnimationFade);
    }
    scrollToBottom();
}

void KVNChatViewController::messageWasSent(const std::shared_ptr<KVNMessage>& message)
{
    for (const auto& cell : m_tableView->visibleCells()) {
        auto messageCell = std::dynamic_pointer_cast<KVNMessageCell>(cell);
        if (!messageCell || messageCell->message() != message)
            continue;
        auto contentView = messageCell->contentView();
        UIView::animateWithDuration_animations(0.25, [contentView] { contentView->setAlpha(1.0); });
    }
}

void KVNChatViewController::messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>& messageProvider,
                                                                    const std::shared_ptr<KVNMessage>&)
{
    KVN_ASSERT_MAIN_THREAD();
    m_messages = messageProvider->messages();
    m_tableView->reloadData();
    scrollToBottom();
}

void KVNChatViewController::scrollToBottom()
{
    if (m_messages.empty() || !m_tableView)
        return;
    m_tableView->scrollToRowAtIndexPath_atScrollPosition_animated(
        NSIndexPath::indexPathForRow_inSection(static_cast<long>(m_messages.size()) - 1, 0), UITableViewScrollPositionBottom, true);
}

long KVNChatViewController::tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long)
{
    return static_cast<long>(m_messages.size());
}

std::shared_ptr<UITableViewCell> KVNChatViewController::tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                        const NSIndexPath& indexPath)
{
    auto cell = tableView->dequeueReusableCellWithIdentifier_forIndexPath(kMessageCellIdentifier, indexPath);
    auto messageCell = std::dynamic_pointer_cast<KVNMessageCell>(cell);
    if (!messageCell || indexPath.row() < 0 || indexPath.row() >= static_cast<long>(m_messages.size()))
        return cell;
    const auto& message = m_messages[static_cast<size_t>(indexPath.row())];
    messageCell->setMessage(message);
    messageCell->contentView()->setAlpha(message->remote() || message->sent() ? 1.0 : 0.5);
    return messageCell;
}

std::optional<CGFloat> KVNChatViewController::tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                const NSIndexPath& indexPath)
{
    if (indexPath.row() < 0 || indexPath.row() >= static_cast<long>(m_messages.size()))
        return 0;
    return KVNMessageCell::expectedHeightForMessage_forWidth(m_messages[static_cast<size_t>(indexPath.row())],
                                                             tableView->bounds().size.width);
}

void KVNChatViewController::tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                        const std::shared_ptr<UITableViewCell>& cell, const NSIndexPath&)
{
    cell->setBackgroundColor(UIColor::clearColor());
    cell->contentView()->setBackgroundColor(UIColor::clearColor());
}

void KVNChatViewController::scrollViewWillBeginDragging(const std::shared_ptr<UIScrollView>& scrollView)
{
    m_previousYOffset = scrollView->contentOffset().y;
}

void KVNChatViewController::scrollViewDidScroll(const std::shared_ptr<UIScrollView>& scrollView)
{
    const auto& field = m_inputView->textField();
    if (!field->isFirstResponder() || m_previousYOffset == kNoDragOffset)
        return;
    const double offset = scrollView->contentOffset().y;
    if (m_previousYOffset > offset)
        field->resignFirstResponder();
    m_previousYOffset = offset;
}

void KVNChatViewController::scrollViewDidEndDragging_willDecelerate(const std::shared_ptr<UIScrollView>&, bool)
{
    m_previousYOffset = kNoDragOffset;
}

void KVNChatViewController::keyboardWillShowWithHeight_duration_animationOptions(CGFloat height, double duration,
                                                                                 UIViewAnimationOptions options)
{
    m_inputViewBottomConstraint->setOffset(-height);
    auto root = view();
    auto weak = std::weak_ptr<KVNChatViewController>(self());
    UIView::animateWithDuration_delay_options_animations_completion(
        duration, 0, options, [root] { root->layoutIfNeeded(); },
        kvn::bindToMainQueue(weak, [](KVNChatViewController& chat, bool) { chat.scrollToBottom(); }));
}

void KVNChatViewController::keyboardWillHideWithDuration_animationOptions(double duration, UIViewAnimationOptions options)
{
    m_inputViewBottomConstraint->setOffset(0);
    auto root = view();
    UIView::animateWithDuration_delay_options_animations_completion(
        duration, 0, options, [root] { root->layoutIfNeeded(); }, nullptr);
}
