#pragma once
// The person in the main job: looks at the key window and takes the next step of a video
// identification as a user would. It goes through the data check (ticks what is left unticked,
// scrolls to the start button and taps it), waits in the call for the agent's greeting, opens
// the chat from the note that shows it, answers and closes the chat, asks for the ident code,
// types the code it was sent and confirms it, and leaves the result screen. When the agent asks
// for a signature instead, it draws one on the pad, sends it and waits for the remote signing
// page; when the agent asks for consent in the app, it ticks the approval phrases, continues,
// and asks for and enters the code as above. An alert that comes up on the way is read out and
// closed with its "OK".
//
// It finds views by the text they show (the library's own texts, from its string table), and
// recognises the few that show no text (a check box, the note, the chat's close icon) by their
// kind, as a person recognises an icon (the signature pad is one). It acts only through Automation::Driver (taps, keys,
// swipes), never through a screen's handlers, so what it cannot see or reach it cannot do.
// nextMove only looks; make does the move and, when it went through, moves on to the next step.
// Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/Automation/Result.h"

class UIAlertController;
class UIView;
class UIWindow;

namespace kvn {

class MainJobUser {
public:
    enum class Step {
        CheckData,
        WaitForGreeting,
        AnswerGreeting,
        RequestCode, // also where the agent's request to sign shows
        Sign,
        WaitForSigningPage,
        EnterCode,
        WaitForEnd,
        Done
    };

    // What the user looks for on the screens.
    struct Texts {
        std::string startButton;       // its start button
        std::string waitingListOffer;  // the waiting list's first button (a fixed text)
        std::vector<std::string> waitingListJoin; // its button that asks to be called back, by channel
        std::string chatPlaceholder;   // the chat's empty message field
        std::string continueButton;    // the approval phrases' button
        std::string signButton;        // the signature pad's send button
        std::string requestCodeButton; // the ident code screen's request button
        std::string codePlaceholder;   // its empty code field
        std::string confirmCodeButton; // its confirm button
        std::string resultSuccessDone; // the result screen's done button after a success
        std::string resultFailureDone; // and after a failure
        std::string alertOK;           // the button that closes an alert
    };
    // The texts in the app's language, from the library's string table.
    static Texts textsFromLibrary();

    // What the user says in the chat, and the ident code the service sends it.
    struct Answers {
        std::string greetingReply = "Yes, I can hear you well.";
        std::string identCode = "123456";
    };

    struct Move {
        enum class Kind { Wait, Tap, Type, Swipe, Draw, CloseAlert };
        Kind kind = Kind::Wait;
        std::shared_ptr<UIView> view;            // Tap
        std::shared_ptr<UIAlertController> alert; // CloseAlert
        std::string text;                        // Type: the keys; CloseAlert: the button's title
        CGPoint from{}, to{};                    // Swipe, in the window's points
        std::vector<CGPoint> stroke;             // Draw: where the finger goes, in the window's points
        std::string what;                        // for the log: "taps \"Start video identification\""
        // The step that follows once the move went through; a Wait may carry one too, for what
        // the user only has to see.
        std::optional<Step> then;
    };

    explicit MainJobUser(Texts texts);
    // `first`: the step the user is at when it first looks (the road's first by default).
    MainJobUser(Texts texts, Answers answers, Step first = Step::CheckData);

    // The next move for what the window shows now; a Wait says what the user waits for.
    Move nextMove(const std::shared_ptr<UIWindow>& window) const;
    // Makes the move through the automation driver. A move that went through (or a Wait) is
    // recorded, and a move that ends a step moves the user on.
    Automation::Result make(const std::shared_ptr<UIWindow>& window, const Move& move);

    Step step() const { return m_step; }
    static const char* describe(Step step);

private:
    Move checkData(const std::shared_ptr<UIWindow>& window) const;
    // Ticks what is left unticked on a check screen and taps `button` once it is enabled.
    Move tickAndTap(const std::shared_ptr<UIWindow>& window, const std::string& button, Step then) const;
    Move sign(const std::shared_ptr<UIWindow>& window) const;
    Move waitForSigningPage(const std::shared_ptr<UIWindow>& window) const;
    Move waitForGreeting(const std::shared_ptr<UIWindow>& window) const;
    Move answerGreeting(const std::shared_ptr<UIWindow>& window) const;
    Move requestCode(const std::shared_ptr<UIWindow>& window) const;
    Move enterCode(const std::shared_ptr<UIWindow>& window) const;
    std::optional<Move> leaveResult(const std::shared_ptr<UIWindow>& window) const;
    std::optional<Move> closeAlert(const std::shared_ptr<UIWindow>& window) const;

    Texts m_texts;
    Answers m_answers;
    Step m_step = Step::CheckData;
    // Within a step: the text typed into the field that has it.
    bool m_typed = false;
};

} // namespace kvn
