// The main job's user: what it does next for what the window shows. It must only press what a
// person could (nothing greyed out, no row that ticks itself), answer no question it was not
// asked, type its texts once, and leave a result screen whatever step it was at.
#include "HostTestFixture.h"

#include "MainJobUser.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNSignatureViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNCheckCell.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNTextField.h"
#include "Private/UIElements/KVNTextInputCell.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIColor.h"
#include "UIKit/UINavigationController.h"

using kvn::MainJobUser;
using Kind = MainJobUser::Move::Kind;
using Step = MainJobUser::Step;

class MainJobUserTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        showRootScreen();
        root->view()->setBackgroundColor(UIColor::whiteColor());
    }

    MainJobUser userAt(Step step) { return MainJobUser(MainJobUser::textsFromLibrary(), MainJobUser::Answers(), step); }

    template <class View>
    std::shared_ptr<View> place(std::shared_ptr<View> view, CGRect frame)
    {
        view->setFrame(frame);
        root->view()->addSubview(view);
        return view;
    }

    std::shared_ptr<KVNRoundedButton> button(const std::string& title, CGRect frame, bool enabled)
    {
        auto button = std::make_shared<KVNRoundedButton>();
        button->initWithFrame(CGRectZero);
        button->setTitle_forState(title, UIControlStateNormal);
        button->setEnabled(enabled);
        return place(button, frame);
    }

    template <class Cell>
    std::shared_ptr<Cell> cell(CGRect frame)
    {
        auto cell = std::make_shared<Cell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        return place(cell, frame);
    }

    MainJobUser::Move look(const MainJobUser& user)
    {
        window->layoutIfNeeded();
        return user.nextMove(window);
    }
};

TEST_F(MainJobUserTest, OnTheDataCheckItTicksOnlyTheUsersOwnRowsAndStartsOnlyWhenTheButtonIsEnabled)
{
    auto user = userAt(Step::CheckData);
    auto conditions = cell<KVNCheckCell>(CGRectMake(0, 260, 375, 110));
    // The number's row ticks itself when the number is valid: tapping it would only edit it.
    // It lies in front, so it is what a careless look would find first.
    auto number = cell<KVNTextInputCell>(CGRectMake(0, 80, 375, 160));
    auto start = button("Start video identification", CGRectMake(20, 400, 335, 50), false);

    auto move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.view, conditions->checkBoxButton());
    EXPECT_FALSE(move.then) << "ticking is not the end of the step";

    conditions->checkBoxButton()->setSelected(true);
    move = look(user);
    EXPECT_EQ(move.kind, Kind::Swipe) << "something above the greyed-out button is unticked: " << move.what;
    EXPECT_LT(move.from.y, move.to.y) << "towards the top of the list";

    start->setHidden(true);
    move = look(user);
    EXPECT_EQ(move.kind, Kind::Swipe) << move.what;
    EXPECT_GT(move.from.y, move.to.y) << "towards the button below";

    start->setHidden(false);
    start->setEnabled(true);
    move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.then, Step::WaitForGreeting);
    ASSERT_TRUE(user.make(window, move)) << "through the hit test";
    EXPECT_EQ(user.step(), Step::WaitForGreeting);
}

TEST_F(MainJobUserTest, TheCodeIsTypedOnceAndConfirmedOnlyOnceTheScreenAcceptsIt)
{
    auto user = userAt(Step::EnterCode);
    EXPECT_EQ(look(user).kind, Kind::Wait) << "no code field yet";

    auto field = std::make_shared<KVNTextField>();
    field->initWithFrame(CGRectZero);
    field->setPlaceholder(std::string("Code"));
    place(field, CGRectMake(20, 300, 335, 45));
    auto confirm = button("Confirm", CGRectMake(20, 360, 335, 50), false);

    for (int move = 0; move < 6; ++move) {
        const auto next = look(user);
        if (next.kind == Kind::Wait)
            break;
        ASSERT_NE(next.view, confirm) << "pressed while greyed out";
        ASSERT_TRUE(user.make(window, next)) << next.what;
        runFor(0.3);
    }
    EXPECT_EQ(field->text(), std::optional<std::string>("123456")) << "typed once, into the code field";
    EXPECT_EQ(user.step(), Step::EnterCode);

    confirm->setEnabled(true);
    const auto move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.view, confirm);
    EXPECT_EQ(move.then, Step::WaitForEnd);
}

// The pad's send button is greyed out until there is ink, and stays greyed out while the drawing
// goes up: the user draws through the hit test until it can send, and sends once.
TEST_F(MainJobUserTest, OnTheSignaturePadItDrawsUntilItCanSendAndThenSendsOnce)
{
    auto user = userAt(Step::RequestCode);
    auto panel = std::make_shared<KVNSignatureViewController>();
    panel->init();
    root->addChildViewController(panel);
    place(panel->view(), CGRectMake(10, 180, 355, 460));
    panel->didMoveToParentViewController(root);
    ASSERT_FALSE(panel->signContractButton()->isEnabled());

    auto move = look(user);
    ASSERT_EQ(move.kind, Kind::Draw) << move.what;
    ASSERT_TRUE(user.make(window, move));
    runFor(0.3);
    EXPECT_EQ(user.step(), Step::Sign);
    EXPECT_TRUE(panel->canvas()->drawnImage()) << "the stroke landed on the pad";
    ASSERT_TRUE(panel->signContractButton()->isEnabled());

    move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.view, panel->signContractButton());
    ASSERT_TRUE(user.make(window, move));
    EXPECT_EQ(user.step(), Step::WaitForSigningPage);

    // The upload greys the button out again: that is no reason to draw over the signature.
    panel->signContractButton()->setEnabled(false);
    move = look(user);
    EXPECT_EQ(move.kind, Kind::Wait) << move.what;
    EXPECT_FALSE(move.then);
}

// The agent's request for consent comes up full screen over the chat, whose close button is then
// out of sight: the user answered and goes on with the request instead of waiting for it.
TEST_F(MainJobUserTest, AfterAnsweringItTakesUpTheConsentThatCoversTheChat)
{
    auto user = userAt(Step::AnswerGreeting);
    const auto texts = MainJobUser::textsFromLibrary();
    auto field = std::make_shared<KVNTextField>();
    field->initWithFrame(CGRectZero);
    field->setPlaceholder(texts.chatPlaceholder);
    place(field, CGRectMake(20, 600, 335, 45));
    for (int move = 0; move < 2; ++move) {
        const auto next = look(user);
        ASSERT_NE(next.kind, Kind::Wait) << next.what;
        ASSERT_TRUE(user.make(window, next)) << next.what;
        runFor(0.3);
    }
    field->removeFromSuperview();

    auto phrase = cell<KVNCheckCell>(CGRectMake(0, 200, 375, 110));
    auto proceed = button(texts.continueButton, CGRectMake(20, 400, 335, 50), false);
    auto move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.view, phrase->checkBoxButton());
    ASSERT_TRUE(user.make(window, move));
    EXPECT_EQ(user.step(), Step::RequestCode);

    phrase->checkBoxButton()->setSelected(true);
    proceed->setEnabled(true);
    move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_EQ(move.view, proceed);
}

TEST_F(MainJobUserTest, AnAlertIsClosedWithItsOK_AQuestionIsNotAnswered)
{
    struct Case {
        std::vector<std::string> buttons;
        bool closed;
        const char* why;
    };
    const Case cases[] = {
        {{"OK", "RETRY"}, true, "a failure offering a retry is closed, not retried"},
        {{"NO", "YES"}, false, "the cancel question: neither answer is the user's to give"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto user = userAt(Step::WaitForGreeting);
        auto alert = UIAlertController::alertControllerWithTitle_message_preferredStyle(std::string("Video identification failed"),
                                                                                        std::string("why"), UIAlertControllerStyle::Alert);
        for (const auto& title : c.buttons)
            alert->addAction(UIAlertAction::actionWithTitle_style_handler(title, UIAlertActionStyle::Default, nullptr));
        root->presentViewController_animated_completion(alert, true, nullptr);
        runFor(1.0);

        const auto move = look(user);
        EXPECT_EQ(move.kind, c.closed ? Kind::CloseAlert : Kind::Wait) << move.what;
        if (move.kind == Kind::CloseAlert) {
            EXPECT_EQ(move.text, "OK");
            ASSERT_TRUE(user.make(window, move));
        } else {
            root->dismissViewControllerAnimated_completion(false, nullptr);
        }
        runFor(1.0);
        EXPECT_FALSE(root->presentedViewController());
    }
}

TEST_F(MainJobUserTest, TheResultScreenIsLeftFromWhicheverStepTheAgentEndedAt)
{
    // The agent may fail the identification before the code was ever asked for.
    auto user = userAt(Step::AnswerGreeting);
    auto result = std::make_shared<KVNResultViewController>();
    result->init();
    result->setSuccess(false);
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(result);
    root->presentViewController_animated_completion(navigation, false, nullptr);
    runFor(1.0);

    const auto move = look(user);
    ASSERT_EQ(move.kind, Kind::Tap) << move.what;
    EXPECT_NE(move.what.find("\"Close\""), std::string::npos) << move.what;
    EXPECT_EQ(move.then, Step::Done);
}
