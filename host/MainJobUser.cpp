#include "MainJobUser.h"

#include <functional>

#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNESignatureViewController.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNOpenTrustViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNWebView.h"
#include "Private/UIElements/KVNBadgeView.h"
#include "Private/UIElements/KVNChatButton.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNCheckCell.h"
#include "Private/UIElements/KVNTextInputCell.h"
#include "Private/UIElements/KVNToast.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace kvn {

namespace {

using Automation::ViewFinder;
using Move = MainJobUser::Move;

Move wait(std::string what)
{
    Move move;
    move.what = "waits for " + std::move(what);
    return move;
}

Move tap(std::shared_ptr<UIView> view, const std::string& what, std::optional<MainJobUser::Step> then = std::nullopt)
{
    Move move;
    move.kind = Move::Kind::Tap;
    move.view = std::move(view);
    move.what = "taps " + what;
    move.then = then;
    return move;
}

Move type(std::string keys, std::optional<MainJobUser::Step> then = std::nullopt)
{
    Move move;
    move.kind = Move::Kind::Type;
    move.what = "types \"" + keys + "\"";
    // The log shows the return key as a word.
    if (!keys.empty() && keys.back() == '\n')
        move.what = "types \"" + keys.substr(0, keys.size() - 1) + "\" and return";
    move.text = std::move(keys);
    move.then = then;
    return move;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// A control the user can see and that is not greyed out.
std::shared_ptr<UIControl> enabledControlWithText(const std::shared_ptr<UIWindow>& window, const std::string& text)
{
    auto view = ViewFinder::viewWithText(window, text);
    // A button's title label counts as the button.
    for (auto level = view; level; level = level->superview())
        if (auto control = std::dynamic_pointer_cast<UIControl>(level))
            return control->isEnabled() ? control : nullptr;
    return nullptr;
}

template <class Kind>
std::shared_ptr<Kind> visibleViewOfKind(const std::shared_ptr<UIWindow>& window,
                                        const std::function<bool(const Kind&)>& matches = [](const Kind&) { return true; })
{
    auto views = ViewFinder::visibleViews(window, [&](const UIView& view) {
        auto kind = dynamic_cast<const Kind*>(&view);
        return kind && matches(*kind);
    });
    return views.empty() ? nullptr : std::dynamic_pointer_cast<Kind>(views.front());
}

template <class Kind>
bool hasAncestorOfKind(const UIView& view)
{
    for (auto level = view.superview(); level; level = level->superview())
        if (dynamic_cast<const Kind*>(level.get()))
            return true;
    return false;
}

// Every screen on show or under it: the presentation chain, the navigation stacks and the
// child screens.
void forEachScreen(const std::shared_ptr<UIViewController>& screen, const std::function<void(const std::shared_ptr<UIViewController>&)>& visit)
{
    if (!screen)
        return;
    visit(screen);
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(screen))
        if (auto top = navigation->topViewController())
            forEachScreen(top, visit);
    for (const auto& child : screen->childViewControllers())
        forEachScreen(child, visit);
    forEachScreen(screen->presentedViewController(), visit);
}

Automation::Result draw(const std::shared_ptr<UIWindow>& window, const std::vector<CGPoint>& stroke)
{
    if (stroke.size() < 2)
        return Automation::Result::failure("a stroke needs two points");
    Automation::Finger finger(window);
    finger.down(stroke.front());
    for (size_t i = 1; i < stroke.size(); ++i)
        finger.moveTo(stroke[i]);
    finger.up();
    return Automation::Result::success();
}

std::shared_ptr<UIAlertController> alertOnShow(const std::shared_ptr<UIWindow>& window)
{
    std::shared_ptr<UIAlertController> alert;
    for (auto level = window->rootViewController(); level; level = level->presentedViewController())
        if (auto shown = std::dynamic_pointer_cast<UIAlertController>(level); shown && !shown->isBeingDismissed())
            alert = shown;
    return alert;
}

} // namespace

MainJobUser::Texts MainJobUser::textsFromLibrary()
{
    auto text = [](const char* key) { return KVNLocalizer::localizedStringForKey(key); };
    Texts texts;
    texts.startButton = text("CHECK_START_IDENTIFICATION_BUTTON_TITLE");
    texts.waitingListOffer = "OK";
    texts.waitingListJoin = {text("PUSH_REQUESTPUSHBUTTON_TITLE"), text("SMS_REQUESTPUSHBUTTON_TITLE")};
    texts.chatPlaceholder = text("CHAT_INPUT_TEXTFIELD_PLACEHOLDER");
    texts.continueButton = text("CONTINUE");
    texts.signButton = text("SIGNATURE_SEND_BUTTON_TITLE");
    texts.requestCodeButton = text("IDENT_CODE_REQUEST_SMS_BUTTON_TITLE");
    texts.codePlaceholder = text("IDENT_CODE_PLACEHOLDER");
    texts.confirmCodeButton = text("IDENT_CODE_CONFIRM_BUTTON_TITLE");
    texts.resultSuccessDone = text("RESULT_SUCCESS_DONE_BUTTON_TITLE");
    texts.resultFailureDone = text("RESULT_FAILURE_DONE_BUTTON_TITLE");
    texts.alertOK = text("OK");
    return texts;
}

MainJobUser::MainJobUser(Texts texts) : MainJobUser(std::move(texts), Answers()) {}

MainJobUser::MainJobUser(Texts texts, Answers answers, Step first)
    : m_texts(std::move(texts)), m_answers(std::move(answers)), m_step(first)
{
}

const char* MainJobUser::describe(Step step)
{
    switch (step) {
    case Step::CheckData:
        return "check the data";
    case Step::WaitForGreeting:
        return "wait for the agent's greeting";
    case Step::AnswerGreeting:
        return "answer the greeting in the chat";
    case Step::RequestCode:
        return "do what the agent asks next (the ident code, a signature or consent)";
    case Step::Sign:
        return "sign on the pad";
    case Step::WaitForSigningPage:
        return "wait for the signing page";
    case Step::EnterCode:
        return "enter the ident code";
    case Step::WaitForEnd:
        return "wait for the end of the identification";
    case Step::Done:
        return "done";
    }
    return "?";
}

MainJobUser::Move MainJobUser::nextMove(const std::shared_ptr<UIWindow>& window) const
{
    if (!window)
        return wait("a window");
    // Whatever the step: an alert is read and closed first, and the result screen ends the road
    // (the agent may end it early).
    if (auto move = closeAlert(window))
        return *move;
    if (m_step != Step::Done)
        if (auto move = leaveResult(window))
            return *move;

    switch (m_step) {
    case Step::CheckData:
        return checkData(window);
    case Step::WaitForGreeting:
        return waitForGreeting(window);
    case Step::AnswerGreeting:
        return answerGreeting(window);
    case Step::RequestCode:
        return requestCode(window);
    case Step::Sign:
        return sign(window);
    case Step::WaitForSigningPage:
        return waitForSigningPage(window);
    case Step::EnterCode:
        return enterCode(window);
    case Step::WaitForEnd:
        return wait("the result screen");
    case Step::Done:
        return wait("the app to close the identification");
    }
    return wait("nothing");
}

std::optional<MainJobUser::Move> MainJobUser::closeAlert(const std::shared_ptr<UIWindow>& window) const
{
    auto alert = alertOnShow(window);
    if (!alert)
        return std::nullopt;
    Move move;
    move.kind = Move::Kind::CloseAlert;
    move.alert = alert;
    move.what = "reads the alert " + quoted(alert->title().value_or("")) + " (" + alert->message().value_or("") + ")";
    for (const auto& action : alert->actions())
        if (action->isEnabled() && action->title() == m_texts.alertOK) {
            move.text = m_texts.alertOK;
            move.what += " and taps " + quoted(move.text);
            return move;
        }
    // An alert without "OK" (a question the road does not ask) is left for the time-out to report.
    return wait("the alert " + quoted(alert->title().value_or("")) + " to go: it has no " + quoted(m_texts.alertOK));
}

std::optional<MainJobUser::Move> MainJobUser::leaveResult(const std::shared_ptr<UIWindow>& window) const
{
    // Its buttons sit in the navigation bar, which names them by their titles.
    for (const auto& title : {m_texts.resultSuccessDone, m_texts.resultFailureDone})
        if (auto done = ViewFinder::viewWithAccessibilityLabel(window, title))
            return tap(done, quoted(title) + " on the result screen", Step::Done);
    return std::nullopt;
}

MainJobUser::Move MainJobUser::checkData(const std::shared_ptr<UIWindow>& window) const
{
    // The bar draws the screen's title itself, so the screen is known by its rows and button.
    if (!visibleViewOfKind<KVNCheckCell>(window) && !ViewFinder::viewWithText(window, m_texts.startButton))
        return wait("the identification's first screen");
    return tickAndTap(window, m_texts.startButton, Step::WaitForGreeting);
}

MainJobUser::Move MainJobUser::tickAndTap(const std::shared_ptr<UIWindow>& window, const std::string& button, Step then) const
{
    // The rows the user must tick; the number and address rows tick themselves when valid.
    auto unticked = visibleViewOfKind<KVNCheckBoxButton>(window, [](const KVNCheckBoxButton& box) {
        return !box.isSelected() && hasAncestorOfKind<KVNCheckCell>(box) && !hasAncestorOfKind<KVNTextInputCell>(box);
    });
    if (unticked)
        return tap(unticked, "an unticked row");

    const auto bounds = window->bounds();
    const CGPoint upper = CGPointMake(CGRectGetMidX(bounds), bounds.origin.y + bounds.size.height * 0.35);
    const CGPoint lower = CGPointMake(CGRectGetMidX(bounds), bounds.origin.y + bounds.size.height * 0.75);
    Move scroll;
    scroll.kind = Move::Kind::Swipe;
    if (auto start = ViewFinder::viewWithText(window, button)) {
        if (auto enabled = enabledControlWithText(window, button))
            return tap(enabled, quoted(button), then);
        // Something above the greyed-out button is still unticked.
        scroll.from = upper;
        scroll.to = lower;
        scroll.what = "scrolls up: " + quoted(button) + " is greyed out";
        return scroll;
    }
    scroll.from = lower;
    scroll.to = upper;
    scroll.what = "scrolls down to " + quoted(button);
    return scroll;
}

MainJobUser::Move MainJobUser::waitForGreeting(const std::shared_ptr<UIWindow>& window) const
{
    // The agent's message shows in a note over the call; a tap on it opens the chat.
    if (auto toast = visibleViewOfKind<KVNToast>(window))
        return tap(toast, "the agent's message " + quoted(ViewFinder::visibleText(*toast->label()).value_or("")), Step::AnswerGreeting);
    // A missed note leaves its count on the chat button.
    auto chatButton = visibleViewOfKind<KVNChatButton>(window, [](const KVNChatButton& button) {
        return button.badgeView() && ViewFinder::visibleRect(button.badgeView()).size.width > 0;
    });
    if (chatButton)
        return tap(chatButton, "the chat button with an unread message", Step::AnswerGreeting);
    // No agent is free: the user takes the offer and asks to be called back.
    for (const auto& title : m_texts.waitingListJoin)
        if (auto join = enabledControlWithText(window, title))
            return tap(join, quoted(title) + " on the waiting list", Step::WaitForEnd);
    if (auto offer = enabledControlWithText(window, m_texts.waitingListOffer))
        return tap(offer, quoted(m_texts.waitingListOffer) + " on the waiting list's offer");
    return wait("the agent's greeting");
}

MainJobUser::Move MainJobUser::answerGreeting(const std::shared_ptr<UIWindow>& window) const
{
    if (!m_typed) {
        auto field = ViewFinder::viewWithText(window, m_texts.chatPlaceholder);
        if (!field) {
            // The tap did not open the chat (the note went just then): look for the way in again.
            auto again = waitForGreeting(window);
            again.then = std::nullopt;
            return again;
        }
        if (!field->isFirstResponder())
            return tap(field, "the chat's message field");
        return type(m_answers.greetingReply + "\n");
    }
    std::shared_ptr<UIButton> close;
    forEachScreen(window->rootViewController(), [&](const std::shared_ptr<UIViewController>& screen) {
        if (auto chat = std::dynamic_pointer_cast<KVNChatViewController>(screen))
            close = chat->closeButton();
    });
    if (close && ViewFinder::visibleRect(close).size.width > 0)
        return tap(close, "the chat's close button", Step::RequestCode);
    // The agent's next request may come up over the chat and hide it: the user goes on with that.
    auto next = requestCode(window);
    if (next.kind != Move::Kind::Wait) {
        if (!next.then)
            next.then = Step::RequestCode;
        return next;
    }
    return wait("the chat's close button");
}

MainJobUser::Move MainJobUser::requestCode(const std::shared_ptr<UIWindow>& window) const
{
    // The agent may ask for a signature on the pad instead of the code.
    if (visibleViewOfKind<KVNCanvas>(window))
        return sign(window);
    // Or for consent in the app: the approval phrases come as a check screen, then the code.
    if (visibleViewOfKind<KVNCheckCell>(window) && ViewFinder::viewWithText(window, m_texts.continueButton))
        return tickAndTap(window, m_texts.continueButton, Step::RequestCode);
    if (auto request = enabledControlWithText(window, m_texts.requestCodeButton))
        return tap(request, quoted(m_texts.requestCodeButton), Step::EnterCode);
    return wait("the ident code screen");
}

MainJobUser::Move MainJobUser::sign(const std::shared_ptr<UIWindow>& window) const
{
    if (auto send = enabledControlWithText(window, m_texts.signButton))
        return tap(send, quoted(m_texts.signButton), Step::WaitForSigningPage);
    // The send button stays greyed out until there is ink on the pad.
    auto canvas = visibleViewOfKind<KVNCanvas>(window);
    if (!canvas)
        return wait("the signature pad");
    const auto bounds = canvas->bounds();
    Move draw;
    draw.kind = Move::Kind::Draw;
    // A zigzag across the middle of the pad, clear of its edges.
    for (int i = 0; i <= 6; ++i) {
        const CGPoint point = CGPointMake(bounds.origin.x + bounds.size.width * (0.15 + 0.7 * i / 6.0),
                                          bounds.origin.y + bounds.size.height * (i % 2 ? 0.65 : 0.35));
        draw.stroke.push_back(canvas->convertPoint_toView(point, window));
    }
    draw.what = "draws a signature on the pad";
    draw.then = Step::Sign;
    return draw;
}

MainJobUser::Move MainJobUser::waitForSigningPage(const std::shared_ptr<UIWindow>& window) const
{
    std::shared_ptr<KVNOpenTrustViewController> page;
    forEachScreen(window->rootViewController(), [&](const std::shared_ptr<UIViewController>& screen) {
        if (auto overlay = std::dynamic_pointer_cast<KVNESignatureViewController>(screen); overlay && overlay->openTrustViewController())
            page = overlay->openTrustViewController();
    });
    // The page is in once its spinner stopped and it faded in; what follows is the agent's.
    if (page && page->isViewLoaded() && !page->activityIndicator()->isAnimating() && page->webView()->alpha() == 1.0 &&
        ViewFinder::visibleRect(page->webView()).size.width > 0) {
        auto seen = wait("the agent to end the identification: the signing page is in");
        seen.then = Step::WaitForEnd;
        return seen;
    }
    return wait("the signing page");
}

MainJobUser::Move MainJobUser::enterCode(const std::shared_ptr<UIWindow>& window) const
{
    if (!m_typed) {
        auto field = ViewFinder::viewWithText(window, m_texts.codePlaceholder);
        if (!field)
            return wait("the ident code field");
        if (!field->isFirstResponder())
            return tap(field, "the ident code field");
        return type(m_answers.identCode);
    }
    if (auto confirm = enabledControlWithText(window, m_texts.confirmCodeButton))
        return tap(confirm, quoted(m_texts.confirmCodeButton), Step::WaitForEnd);
    return wait(quoted(m_texts.confirmCodeButton) + " to be enabled");
}

Automation::Result MainJobUser::make(const std::shared_ptr<UIWindow>& window, const Move& move)
{
    auto result = Automation::Result::success();
    switch (move.kind) {
    case Move::Kind::Wait:
        break;
    case Move::Kind::Tap:
        result = Automation::Driver::tap(move.view);
        break;
    case Move::Kind::Type:
        result = Automation::Driver::type(move.text);
        if (result)
            m_typed = true;
        break;
    case Move::Kind::Swipe:
        result = Automation::Driver::swipe(window, move.from, move.to, 10, 0.3);
        break;
    case Move::Kind::Draw:
        result = draw(window, move.stroke);
        break;
    case Move::Kind::CloseAlert:
        if (!move.alert || !move.alert->tapActionWithTitle(move.text))
            result = Automation::Result::failure("the alert's " + quoted(move.text) + " could not be tapped");
        break;
    }
    if (result && move.then && *move.then != m_step) {
        m_step = *move.then;
        m_typed = false;
    }
    return result;
}

} // namespace kvn
