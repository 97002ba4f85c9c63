// The chat screen over the chat store and the simulated service: a typed message goes out
// and shows half transparent until it is sent, blanks are never sent, the agent's messages
// take their place by date, and the input bar rides on the keyboard.
#include <gtest/gtest.h>

#include <chrono>

#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/UIElements/KVNChatInputView.h"
#include "Private/UIElements/KVNChatTextField.h"
#include "Private/UIElements/KVNMessageCell.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "VideoScreenTest.h"

using Automation::Driver;

namespace {

const std::string kChatPath = "/api/v1/vellumbank/identifications/DEV0001/chat/agent/sendMsg";

std::shared_ptr<KVNMessage> agentMessage(const std::string& text, KVNMessage::Date date)
{
    auto message = std::make_shared<KVNMessage>();
    message->setText(text);
    message->setDate(date);
    message->setRemote(true);
    return message;
}

} // namespace

class ChatScreenTest : public VideoScreenTest {
protected:
    void SetUp() override
    {
        VideoScreenTest::SetUp();
        provider = std::make_shared<KVNMessageProvider>();
        provider->init();
    }

    void TearDown() override
    {
        provider->invalidate();
        screen.reset();
        VideoScreenTest::TearDown();
        provider.reset();
    }

    void showScreen()
    {
        screen = std::make_shared<KVNChatViewController>();
        screen->initWithMessageProvider(provider);
        show(screen);
    }

    // The texts the list's cells show, top to bottom; "?" for a row without a cell in view. Read
    // from the cells, not the data source: a row inserted in the wrong place leaves a cell
    // showing another row's message.
    std::vector<std::string> rowTexts()
    {
        window->layoutIfNeeded();
        std::vector<std::string> texts;
        auto table = screen->tableView();
        for (long row = 0; row < table->numberOfRowsInSection(0); ++row) {
            auto cell =
                std::dynamic_pointer_cast<KVNMessageCell>(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow_inSection(row, 0)));
            texts.push_back(cell && cell->message() ? cell->message()->text() : "?");
        }
        return texts;
    }

    std::shared_ptr<KVNMessageCell> visibleCellFor(const std::shared_ptr<KVNMessage>& message)
    {
        for (const auto& cell : screen->tableView()->visibleCells())
            if (auto messageCell = std::dynamic_pointer_cast<KVNMessageCell>(cell); messageCell && messageCell->message() == message)
                return messageCell;
        return nullptr;
    }

    std::shared_ptr<KVNMessageProvider> provider;
    std::shared_ptr<KVNChatViewController> screen;
};

TEST_F(ChatScreenTest, ATypedMessageReachesTheServiceAndFadesInOnceSent)
{
    // Hold the answer so the pending look can be seen.
    sim->setAnswer("POST", ".*/chat/agent/sendMsg", 200, "{}", 1, 0.5);
    showScreen();
    EXPECT_TRUE(rowTexts().empty());
    writePicture("chat-empty");

    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(Driver::type("  Guten Tag  ").ok());
    ASSERT_TRUE(Driver::tap(screen->inputView()->sendButton()).ok());

    EXPECT_EQ(screen->inputView()->textField()->text().value_or(""), "");
    EXPECT_FALSE(screen->inputView()->sendButton()->isEnabled());
    ASSERT_EQ(rowTexts(), std::vector<std::string>{"Guten Tag"});
    const auto message = screen->messages().front();
    runFor(0.1);
    auto cell = visibleCellFor(message);
    ASSERT_NE(cell, nullptr);
    EXPECT_DOUBLE_EQ(cell->contentView()->alpha(), 0.5);

    waitUntil([&] { return message->sent(); }, "the message was sent");
    runFor(0.3);
    EXPECT_DOUBLE_EQ(cell->contentView()->alpha(), 1.0);
    const auto sends = answered(kChatPath);
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0]["json"]["content"], "Guten Tag");
}

TEST_F(ChatScreenTest, BlanksAreNeverSentAndReturnSends)
{
    showScreen();
    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(Driver::type(" \t ").ok());
    EXPECT_FALSE(screen->inputView()->sendButton()->isEnabled());
    // The return key may be refused for blanks; either way nothing goes out.
    (void)Driver::type("\n");
    EXPECT_TRUE(provider->messages().empty());

    ASSERT_TRUE(Driver::type("Hallo\n").ok());
    EXPECT_EQ(rowTexts(), std::vector<std::string>{"Hallo"});
    EXPECT_TRUE(screen->inputView()->textField()->isFirstResponder()) << "return sends and keeps the keyboard";
    waitUntil([&] { return answered(kChatPath).size() == 1; }, "the message was sent");
}

TEST_F(ChatScreenTest, TheSendButtonOffersOnlyWhatTheSendTakes)
{
    struct Case {
        const char* typed;
        bool sendable;
        const char* why;
    } cases[] = {
        {"null", false, "the send refuses the text \"null\""},
        {" null ", false, "nor with blanks round it"},
        {"\u00A0\u00A0", false, "no-break spaces are blanks"},
        {"\u3000", false, "a full-width space is a blank"},
        {"\u00A0Hallo\u3000", true, "text between such blanks"},
        {"nullify", true, "a word that starts with null"},
    };
    showScreen();
    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        screen->inputView()->textField()->setText(std::string());
        ASSERT_TRUE(Driver::type(c.typed).ok());
        EXPECT_EQ(screen->inputView()->sendButton()->isEnabled(), c.sendable);
    }
    EXPECT_EQ(rowTexts().size(), 0u);
}

TEST_F(ChatScreenTest, MessagesTakeTheirPlaceByDate)
{
    const auto now = std::chrono::system_clock::now();
    provider->didReceiveRemoteMessage(agentMessage("earlier", now - std::chrono::minutes(5)));
    // The agent's clock may run ahead of the device's.
    provider->didReceiveRemoteMessage(agentMessage("ahead of our clock", now + std::chrono::hours(1)));
    showScreen();
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"earlier", "ahead of our clock"}));

    // A message sent now sorts before the agent's later one: its row must go there, not last.
    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(Driver::type("mine\n").ok());
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"earlier", "mine", "ahead of our clock"}));

    // An agent message arriving while the user types is listed by its date, keyboard kept.
    provider->didReceiveRemoteMessage(agentMessage("in between", now - std::chrono::minutes(1)));
    runFor(0.5);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"earlier", "in between", "mine", "ahead of our clock"}));
    EXPECT_TRUE(screen->inputView()->textField()->isFirstResponder());
    waitUntil([&] { return answered(kChatPath).size() == 1; }, "the message was sent");
    runFor(0.5);
    writePicture("chat-messages");
}

TEST_F(ChatScreenTest, AnAgentAnswerInTheSameSecondAsTheReplyShowsBelowIt)
{
    showScreen();
    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(Driver::type("my reply\n").ok());
    ASSERT_EQ(provider->messages().size(), 1u);
    const auto sentAt = *provider->messages().front()->date();
    // The service stamps the agent's messages in whole seconds.
    const auto second = std::chrono::floor<std::chrono::seconds>(sentAt);

    provider->didReceiveRemoteMessage(agentMessage("answer in the same second", second));
    provider->didReceiveRemoteMessage(agentMessage("written the second before", second - std::chrono::seconds(1)));
    provider->didReceiveRemoteMessage(agentMessage("second answer, same second", second));
    runFor(0.5);
    EXPECT_EQ(rowTexts(),
              (std::vector<std::string>{"written the second before", "my reply", "answer in the same second", "second answer, same second"}))
        << "within one second the order they came in";
    waitUntil([&] { return answered(kChatPath).size() == 1; }, "the message was sent");
}

TEST_F(ChatScreenTest, TheLastMessageShowsWholeAboveTheInputBar)
{
    const auto start = std::chrono::system_clock::now() - std::chrono::hours(1);
    for (int i = 0; i < 20; ++i)
        provider->didReceiveRemoteMessage(agentMessage("message " + std::to_string(i) + (i % 3 ? "" : " with a longer text that wraps over more than one line of the bubble"),
                                                       start + std::chrono::seconds(i)));
    showScreen();
    auto lastVisibleBottom = [&] {
        window->layoutIfNeeded();
        const auto& last = provider->messages().back();
        auto cell = visibleCellFor(last);
        return cell ? CGRectGetMaxY(cell->convertRect_toView(cell->bounds(), nullptr)) : -1.0;
    };
    auto inputTop = [&] { return CGRectGetMinY(screen->inputView()->convertRect_toView(screen->inputView()->bounds(), nullptr)); };
    runFor(1.0);
    EXPECT_GT(lastVisibleBottom(), 0) << "the last message is on screen";
    EXPECT_LE(lastVisibleBottom(), inputTop() + 0.5) << "when the chat opens";

    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(1.0);
    EXPECT_GT(lastVisibleBottom(), 0);
    EXPECT_LE(lastVisibleBottom(), inputTop() + 0.5) << "with the keyboard up";

    provider->didReceiveRemoteMessage(agentMessage("one more with a longer text that wraps over more than one line of the bubble", start + std::chrono::seconds(30)));
    runFor(1.0);
    EXPECT_GT(lastVisibleBottom(), 0);
    EXPECT_LE(lastVisibleBottom(), inputTop() + 0.5) << "after a new message";

    ASSERT_TRUE(Driver::type("my own reply, long enough to wrap over more than one line of its bubble\n").ok());
    runFor(1.0);
    EXPECT_GT(lastVisibleBottom(), 0);
    EXPECT_LE(lastVisibleBottom(), inputTop() + 0.5) << "after the user's own message";
    waitUntil([&] { return answered(kChatPath).size() == 1; }, "the message was sent");
}

TEST_F(ChatScreenTest, TheInputBarRidesOnTheKeyboard)
{
    showScreen();
    const CGFloat height = screen->view()->bounds().size.height;
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(screen->inputView()->frame()), height);

    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(kvn::SoftwareKeyboard::shared().isVisible());
    const CGFloat keyboardHeight = kvn::SoftwareKeyboard::shared().frame().size.height;
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(screen->inputView()->frame()), height - keyboardHeight);
    writePicture("chat-keyboard");

    ASSERT_TRUE(Driver::tap(screen->closeButton()).ok());
    runFor(0.5);
    EXPECT_FALSE(kvn::SoftwareKeyboard::shared().isVisible());
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(screen->inputView()->frame()), height);
}

TEST_F(ChatScreenTest, DraggingTowardsOlderMessagesClosesTheKeyboardAndTheOtherWayKeepsIt)
{
    const auto start = std::chrono::system_clock::now() - std::chrono::hours(1);
    for (int i = 0; i < 30; ++i)
        provider->didReceiveRemoteMessage(agentMessage("message " + std::to_string(i), start + std::chrono::seconds(i)));
    showScreen();
    ASSERT_TRUE(Driver::tap(screen->inputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(screen->inputView()->textField()->isFirstResponder());
    const auto listFrame = screen->tableView()->convertRect_toView(screen->tableView()->bounds(), nullptr);
    const CGFloat x = CGRectGetMidX(listFrame);
    const CGFloat top = listFrame.origin.y + 80, bottom = CGRectGetMaxY(listFrame) - 40;

    // At the bottom already, a finger moving up pulls at newer messages.
    ASSERT_TRUE(Driver::swipe(window, CGPointMake(x, bottom), CGPointMake(x, top), 10).ok());
    runFor(1.0);
    EXPECT_TRUE(screen->inputView()->textField()->isFirstResponder());

    ASSERT_TRUE(Driver::swipe(window, CGPointMake(x, top), CGPointMake(x, bottom), 10).ok());
    runFor(1.0);
    EXPECT_FALSE(screen->inputView()->textField()->isFirstResponder());
    EXPECT_EQ(screen->previousYOffset(), KVNChatViewController::kNoDragOffset);
}
