#include "UIKitTestFixture.h"

#include "Foundation/NSNotificationCenter.h"
#include "InkFixtures.h"
#include "Snapshot.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"

namespace {

// Whether two drawings match pixel for pixel.
bool same(const std::shared_ptr<UIImage>& a, const std::shared_ptr<UIImage>& b)
{
    auto x = a->CGImage(), y = b->CGImage();
    for (size_t j = 0; j < x->height(); ++j)
        for (size_t i = 0; i < x->width(); ++i)
            if (x->pixelAt(i, j) != y->pixelAt(i, j))
                return false;
    return true;
}

// Writes down what the field asks and tells; refuses what its rules say.
struct FieldDelegate : UITextFieldDelegate {
    std::vector<std::string> journal;
    bool digitsOnly = false;
    bool mayBegin = true;
    bool mayEnd = true;
    bool mayReturn = true;
    bool textFieldShouldBeginEditing(const std::shared_ptr<UITextField>&) override { return mayBegin; }
    void textFieldDidBeginEditing(const std::shared_ptr<UITextField>&) override { journal.push_back("didBegin"); }
    bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>&) override
    {
        journal.push_back("shouldEnd");
        return mayEnd;
    }
    void textFieldDidEndEditing(const std::shared_ptr<UITextField>&) override { journal.push_back("didEnd"); }
    bool textField_shouldChangeCharactersInRange_replacementString(const std::shared_ptr<UITextField>& field, NSRange range,
                                                                   const std::string& string) override
    {
        journal.push_back("change " + std::to_string(range.location) + "," + std::to_string(range.length) + " '" + string + "'");
        return !digitsOnly || string.find_first_not_of("0123456789") == std::string::npos;
    }
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>&) override
    {
        journal.push_back("shouldReturn");
        return mayReturn;
    }
};

// Every keyboard notification, with its user info.
struct KeyboardJournal {
    std::vector<std::pair<std::string, NSDictionary>> posts;
    std::vector<std::shared_ptr<NSNotificationObserver>> observers;
    KeyboardJournal()
    {
        for (const auto& name :
             {UIKeyboardWillShowNotification, UIKeyboardDidShowNotification, UIKeyboardWillHideNotification, UIKeyboardDidHideNotification})
            observers.push_back(NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(
                name, nullptr, nullptr, [this](const NSNotification& n) { posts.emplace_back(n.name(), n.userInfo()); }));
    }
    ~KeyboardJournal()
    {
        for (const auto& observer : observers)
            NSNotificationCenter::defaultCenter()->removeObserver(observer);
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& [name, info] : posts)
            out.push_back(name);
        return out;
    }
};

} // namespace

class TextEntryTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        auto screen = showBlankScreen();
        window = screen.window;
        root = screen.view;
        field = addField(CGRectMake(10, 10, 200, 40));
        field->setDelegate(delegate);
        field->addTarget_action_forControlEvents(
            nullptr, [this](const std::shared_ptr<UIControl>&) { events.push_back("changed " + *field->text()); },
            UIControlEventEditingChanged);
    }

    std::shared_ptr<UITextField> addField(CGRect frame)
    {
        auto f = std::make_shared<UITextField>();
        f->initWithFrame(frame);
        root->addSubview(f);
        return f;
    }

    void type(const std::shared_ptr<UIKeyInput>& input, const std::string& text)
    {
        for (char c : text)
            input->insertText(std::string(1, c));
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> root;
    std::shared_ptr<UITextField> field;
    std::shared_ptr<FieldDelegate> delegate = std::make_shared<FieldDelegate>();
    std::vector<std::string> events;
};

TEST_F(TextEntryTest, TypingGoesThroughTheDelegateAndReplacesTheSelection)
{
    field->insertText("x");
    EXPECT_EQ(field->text(), "") << "a field that is not editing takes no keys";

    ASSERT_TRUE(field->becomeFirstResponder());
    delegate->digitsOnly = true;
    type(field, "1a2");
    EXPECT_EQ(field->text(), "12");
    EXPECT_EQ(events, (std::vector<std::string>{"changed 1", "changed 12"})) << "a refused key sends no change";

    // Typing replaces the selection; the delete key takes the selection, then one character.
    field->setSelectedRange(NSMakeRange(0, 1));
    field->insertText("9");
    EXPECT_EQ(field->text(), "92");
    delegate->digitsOnly = false;
    field->setText("añb");
    field->setSelectedRange(NSMakeRange(2, 0)); // inside "ñ": moved to its start
    EXPECT_EQ(field->selectedRange(), NSMakeRange(1, 0));
    field->setSelectedRange(NSMakeRange(3, NSNotFound));
    EXPECT_EQ(field->selectedRange(), NSMakeRange(3, 1)) << "clamped to the text";
    field->setSelectedRange(NSMakeRange(3, 0));
    delegate->journal.clear();
    field->deleteBackward();
    EXPECT_EQ(field->text(), "ab");
    EXPECT_EQ(delegate->journal, (std::vector<std::string>{"change 1,2 ''"})) << "the whole two-byte character";

    // Bad input from the keyboard or the code is refused, and the text stays.
    field->insertText(std::string("\xC3", 1));
    field->setText(std::string("\xFF"));
    EXPECT_EQ(field->text(), "ab");
    field->insertText("c\nd");
    EXPECT_EQ(field->text(), "ac db") << "typed at the caret after the deletion; a pasted line break is a space";
}

TEST_F(TextEntryTest, EditingBeginsAndEndsAsTheDelegateAllows)
{
    std::vector<std::string> controlEvents;
    field->addTarget_action_forControlEvents(
        nullptr, [&](const std::shared_ptr<UIControl>&) { controlEvents.push_back("begin"); }, UIControlEventEditingDidBegin);
    field->addTarget_action_forControlEvents(
        nullptr, [&](const std::shared_ptr<UIControl>&) { controlEvents.push_back("end"); }, UIControlEventEditingDidEnd);

    delegate->mayBegin = false;
    EXPECT_FALSE(field->becomeFirstResponder());
    delegate->mayBegin = true;

    // A tap begins editing.
    Automation::Finger finger(window);
    finger.down(CGPointMake(20, 20));
    finger.up();
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->isEditing());
    EXPECT_EQ(window->firstResponder(), field);

    // Another field can take over only when this one may end.
    auto other = addField(CGRectMake(10, 100, 200, 40));
    delegate->mayEnd = false;
    EXPECT_FALSE(other->becomeFirstResponder());
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_FALSE(root->endEditing(false));
    EXPECT_TRUE(root->endEditing(true)) << "forced: the delegate is not asked";
    EXPECT_FALSE(field->isEditing());
    delegate->mayEnd = true;
    EXPECT_EQ(delegate->journal, (std::vector<std::string>{"didBegin", "shouldEnd", "shouldEnd", "didEnd"}));
    EXPECT_EQ(controlEvents, (std::vector<std::string>{"begin", "end"}));

    // A disabled field cannot begin; a field that leaves the window ends its editing.
    field->setEnabled(false);
    EXPECT_FALSE(field->becomeFirstResponder());
    EXPECT_TRUE(other->becomeFirstResponder());
    other->removeFromSuperview();
    EXPECT_FALSE(other->isEditing());
    EXPECT_EQ(window->firstResponder(), nullptr);
}

TEST_F(TextEntryTest, TheReturnKeyAsksTheDelegateAndEndsOnExitWhenSomeoneListens)
{
    ASSERT_TRUE(field->becomeFirstResponder());
    field->insertText("\n");
    EXPECT_TRUE(field->isFirstResponder()) << "nobody listens for the end on exit";

    int exits = 0;
    field->addTarget_action_forControlEvents(
        nullptr, [&](const std::shared_ptr<UIControl>&) { ++exits; }, UIControlEventEditingDidEndOnExit);
    delegate->mayReturn = false;
    field->insertText("\n");
    EXPECT_EQ(exits, 0);
    delegate->mayReturn = true;
    field->insertText("\n");
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(field->text(), "") << "the return key types nothing into a field";
}

// A picture of the window shows the keyboard where screens made room for it, not an empty
// band; it goes with the keyboard.
TEST_F(TextEntryTest, APictureShowsTheKeyboardOverTheWindowItServes)
{
    // The window fills the screen, as the app's does.
    const CGRect screen = UIScreen::mainScreen()->bounds();
    window->setFrame(screen);
    window->setBackgroundColor(UIColor::whiteColor());
    auto picture = [&] {
        return fixtures::render(window->bounds().size, 1, [&] { window->drawViewHierarchyInRect_afterScreenUpdates(window->bounds(), true); });
    };
    auto grey = [](const UIImage& image, CGPoint point) {
        uint32_t p = image.CGImage()->pixelAt(size_t(point.x), size_t(point.y));
        return (p & 0xFF) != 0xFF || ((p >> 8) & 0xFF) != 0xFF || ((p >> 16) & 0xFF) != 0xFF;
    };
    const CGPoint belowTheKeys = CGPointMake(2, CGRectGetMaxY(screen) - 2);
    const CGPoint aboveTheKeyboard = CGPointMake(2, CGRectGetMaxY(screen) - 270);
    EXPECT_FALSE(grey(*picture(), belowTheKeys)) << "no keyboard before editing";

    ASSERT_TRUE(field->becomeFirstResponder());
    auto shown = picture();
    EXPECT_TRUE(grey(*shown, belowTheKeys)) << "the keyboard's panel at the bottom";
    EXPECT_FALSE(grey(*shown, aboveTheKeyboard)) << "and nothing above its frame";

    // Another window is drawn without it.
    auto other = showBlankScreen();
    other.window->setFrame(screen);
    other.window->setBackgroundColor(UIColor::whiteColor());
    auto otherPicture =
        fixtures::render(other.window->bounds().size, 1, [&] { other.window->drawViewHierarchyInRect_afterScreenUpdates(other.window->bounds(), true); });
    EXPECT_FALSE(grey(*otherPicture, belowTheKeys));

    ASSERT_TRUE(field->resignFirstResponder());
    EXPECT_FALSE(grey(*picture(), belowTheKeys)) << "gone with the keyboard";
}

TEST_F(TextEntryTest, KeyboardNotificationsCarryItsFrame)
{
    KeyboardJournal journal;
    CGRect screen = UIScreen::mainScreen()->bounds();
    auto numbers = addField(CGRectMake(10, 100, 200, 40));
    numbers->setKeyboardType(UIKeyboardTypeNumberPad);
    auto plain = addField(CGRectMake(10, 200, 200, 40));

    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_EQ(journal.names(), (std::vector<std::string>{UIKeyboardWillShowNotification, UIKeyboardDidShowNotification}));
    const auto& info = journal.posts.front().second;
    ASSERT_NE(NSDictionaryValue<CGRect>(info, UIKeyboardFrameEndUserInfoKey), nullptr);
    CGRect end = *NSDictionaryValue<CGRect>(info, UIKeyboardFrameEndUserInfoKey);
    EXPECT_EQ(end, CGRectMake(0, CGRectGetMaxY(screen) - 260, screen.size.width, 260));
    EXPECT_EQ(*NSDictionaryValue<CGRect>(info, UIKeyboardFrameBeginUserInfoKey),
              CGRectMake(0, CGRectGetMaxY(screen), screen.size.width, 260));
    EXPECT_EQ(*NSDictionaryValue<double>(info, UIKeyboardAnimationDurationUserInfoKey), 0.25);
    EXPECT_EQ(*NSDictionaryValue<long>(info, UIKeyboardAnimationCurveUserInfoKey), 7);
    EXPECT_EQ(kvn::SoftwareKeyboard::shared().frame(), end);

    // From field to field of the same kind the keyboard stays; a digit pad is lower.
    journal.posts.clear();
    ASSERT_TRUE(plain->becomeFirstResponder());
    EXPECT_TRUE(journal.posts.empty());
    ASSERT_TRUE(numbers->becomeFirstResponder());
    ASSERT_EQ(journal.names(), (std::vector<std::string>{UIKeyboardWillShowNotification, UIKeyboardDidShowNotification}));
    EXPECT_EQ(NSDictionaryValue<CGRect>(journal.posts.front().second, UIKeyboardFrameEndUserInfoKey)->size.height, 216);

    // Resigning hides it, to below the screen.
    journal.posts.clear();
    ASSERT_TRUE(numbers->resignFirstResponder());
    ASSERT_EQ(journal.names(), (std::vector<std::string>{UIKeyboardWillHideNotification, UIKeyboardDidHideNotification}));
    EXPECT_EQ(NSDictionaryValue<CGRect>(journal.posts.front().second, UIKeyboardFrameEndUserInfoKey)->origin.y, CGRectGetMaxY(screen));
    EXPECT_FALSE(kvn::SoftwareKeyboard::shared().isVisible());

    // A field that leaves the window takes the keyboard with it; resigning again posts nothing.
    ASSERT_TRUE(plain->becomeFirstResponder());
    journal.posts.clear();
    plain->removeFromSuperview();
    EXPECT_EQ(journal.names(), (std::vector<std::string>{UIKeyboardWillHideNotification, UIKeyboardDidHideNotification}));
    EXPECT_TRUE(plain->resignFirstResponder());
    EXPECT_EQ(journal.posts.size(), 2u);
}

TEST_F(TextEntryTest, SecureEntryDrawsBulletsNotTheText)
{
    auto draw = [](const std::shared_ptr<UITextField>& f) {
        return fixtures::render(CGSizeMake(200, 40), 1, [&] { f->drawRect(f->bounds()); });
    };
    field->setSecureTextEntry(true);
    field->setText("pin1");
    auto secret = draw(field);
    field->setText("wxyz");
    EXPECT_TRUE(same(secret, draw(field))) << "four characters look alike, whatever they are";
    EXPECT_FALSE(fixtures::inkBounds(*secret).size.width == 0);
    field->setText("wxy");
    EXPECT_FALSE(same(secret, draw(field))) << "but their number shows";
    field->setSecureTextEntry(false);
    field->setText("pin1");
    EXPECT_FALSE(same(secret, draw(field)));
}

TEST_F(TextEntryTest, TextViewTakesLinesThroughItsDelegate)
{
    struct ViewDelegate : UITextViewDelegate {
        int changes = 0;
        bool textView_shouldChangeTextInRange_replacementText(const std::shared_ptr<UITextView>&, NSRange, const std::string& text) override
        {
            return text != "!";
        }
        void textViewDidChange(const std::shared_ptr<UITextView>&) override { ++changes; }
    };
    auto viewDelegate = std::make_shared<ViewDelegate>();
    auto textView = std::make_shared<UITextView>();
    textView->initWithFrame(CGRectMake(0, 300, 200, 100));
    textView->setDelegate(viewDelegate);
    root->addSubview(textView);

    textView->setEditable(false);
    EXPECT_FALSE(textView->becomeFirstResponder());
    textView->setEditable(true);
    Automation::Finger finger(window);
    finger.down(CGPointMake(50, 350));
    finger.up();
    ASSERT_TRUE(textView->isFirstResponder());
    EXPECT_TRUE(kvn::SoftwareKeyboard::shared().isVisible());

    type(textView, "hi!\nyou");
    EXPECT_EQ(textView->text(), "hi\nyou");
    EXPECT_EQ(viewDelegate->changes, 6);

    // Typed into attributed text, characters take the attributes before them.
    auto attributed =
        std::make_shared<NSMutableAttributedString>("red", NSDictionary{{NSForegroundColorAttributeName, UIColor::redColor()}});
    attributed->appendAttributedString(NSAttributedString("blue", {{NSForegroundColorAttributeName, UIColor::blueColor()}}));
    textView->setAttributedText(attributed);
    textView->setSelectedRange(NSMakeRange(3, 0));
    textView->insertText("dish");
    EXPECT_EQ(textView->text(), "reddishblue");
    auto colour = [&](size_t i) {
        return std::any_cast<std::shared_ptr<UIColor>>(
            textView->attributedText()->attributesAtIndex_effectiveRange(i).at(NSForegroundColorAttributeName));
    };
    EXPECT_EQ(*colour(5), *UIColor::redColor());
    EXPECT_EQ(*colour(8), *UIColor::blueColor());

    // Made read-only while editing, it stops and the keyboard goes.
    textView->setEditable(false);
    EXPECT_FALSE(textView->isFirstResponder());
    EXPECT_FALSE(kvn::SoftwareKeyboard::shared().isVisible());
}

TEST_F(TextEntryTest, TextViewScrollsTextTallerThanItself)
{
    auto textView = std::make_shared<UITextView>();
    textView->initWithFrame(CGRectMake(0, 300, 200, 60));
    root->addSubview(textView);
    textView->setText("one\ntwo\nthree\nfour\nfive\nsix\nseven\neight");
    ASSERT_GT(textView->contentSize().height, 60);
    EXPECT_EQ(textView->contentSize().height, textView->sizeThatFits(CGSizeMake(200, 0)).height);

    ASSERT_TRUE(Automation::Driver::swipe(window, CGPointMake(100, 350), CGPointMake(100, 310), 8));
    runFor(2);
    EXPECT_GT(textView->contentOffset().y, 0);
    EXPECT_LE(textView->contentOffset().y, textView->maximumContentOffset().y);
    EXPECT_FALSE(textView->isFirstResponder()) << "a drag is no tap";

    // The text moved with the content: the view shows other pixels than at the top.
    auto scrolled = fixtures::snapshot(window);
    textView->setContentOffset(CGPointZero);
    EXPECT_FALSE(same(scrolled, fixtures::snapshot(window)));

    // Short text leaves nothing to scroll.
    textView->setText("one");
    EXPECT_EQ(textView->maximumContentOffset().y, 0);
}
