// The ident code screen as its owner hosts it: the channel chosen and the code requested
// through taps, the request made by the owner against the simulated service, the code typed
// and confirmed, the button following the fields, the layout riding on the keyboard, and the
// fields emptied while the app is inactive.
#include <gtest/gtest.h>

#include "Foundation/NSNotificationCenter.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeInputView.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNIdentCodeView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIButton.h"
#include "VideoScreenTest.h"
#include "models/KVNVideoIdentification.h"

using Automation::Driver;

namespace {

const std::string kIdentPath = "/api/v1/vellumbank/identifications/DEV0001";
const std::string kMobile = "+4915112345678";
const std::string kEmail = "erika.mustermann@example.org";

// The video screen's part: every request goes to the service, and its outcome back to the
// screen.
class ServiceOwner : public KVNIdentCodeViewControllerDelegate {
public:
    void identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                            bool viaEmail) override
    {
        requests.push_back(viaEmail);
        std::weak_ptr<KVNIdentCodeViewController> weak = controller;
        KVNRequestManager::sharedManager()->POSTRequestIdentCodeViaEmail_callback(viaEmail, [weak](const std::shared_ptr<NSError>& error) {
            if (auto screen = weak.lock())
                error ? screen->requestingCodeFailed() : screen->requestingCodeWasSuccessfull();
        });
    }
    void identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                 const std::string& code) override
    {
        codes.push_back(code);
        std::weak_ptr<KVNIdentCodeViewController> weak = controller;
        KVNRequestManager::sharedManager()->POSTIdentCode_callback(code, [weak](const std::shared_ptr<NSError>& error) {
            if (auto screen = weak.lock())
                error ? screen->sendingCodeFailed() : screen->sendingCodeWasSuccessfull();
        });
    }
    std::shared_ptr<UIButton> cancelButton() override { return cancel; }
    std::shared_ptr<UIButton> chatButton() override { return chat; }

    std::vector<bool> requests;
    std::vector<std::string> codes;
    std::shared_ptr<UIButton> cancel = UIButton::buttonWithType(UIButtonTypeSystem);
    std::shared_ptr<UIButton> chat = UIButton::buttonWithType(UIButtonTypeSystem);
};

} // namespace

class IdentCodeScreenTest : public VideoScreenTest {
protected:
    void SetUp() override
    {
        VideoScreenTest::SetUp();
        video = std::make_shared<KVNVideoIdentification>();
        video->setMobile(kMobile);
        video->setEmail(kEmail);
        video->setIdentCodeEmailEnabled(true);
        ident->setVideoIdentification(video);
        owner = std::make_shared<ServiceOwner>();
    }

    void TearDown() override
    {
        screen.reset();
        VideoScreenTest::TearDown();
    }

    void showScreen()
    {
        screen = std::make_shared<KVNIdentCodeViewController>();
        screen->init();
        screen->setDelegate(owner);
        show(screen);
    }

    void typeInto(const std::shared_ptr<UIView>& field, const std::string& text)
    {
        // A layout change shows at the next layout pass, as on the device.
        window->layoutIfNeeded();
        const auto tapped = Driver::tap(field);
        ASSERT_TRUE(tapped.ok()) << tapped.message();
        runFor(0.5);
        ASSERT_TRUE(Driver::type(text).ok());
        runFor(0.5);
    }

    std::shared_ptr<KVNVideoIdentification> video;
    std::shared_ptr<ServiceOwner> owner;
    std::shared_ptr<KVNIdentCodeViewController> screen;
};

TEST_F(IdentCodeScreenTest, TheCodeIsRequestedOnTheChosenChannelAndTheTypedCodeSent)
{
    struct Case {
        const char* why;
        bool email;
        std::string path;
        nlohmann::json body;
    };
    const Case cases[] = {
        {"the mobile row is chosen first", false, kIdentPath + "/resendConfirmationToken", {{"mobile", kMobile}}},
        {"tapping the e-mail row chooses e-mail", true, kIdentPath + "/resendConfirmationTokenViaEmail", {{"email", kEmail}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim->reset();
        owner = std::make_shared<ServiceOwner>();
        showScreen();
        EXPECT_EQ(screen->identCodeLayout(), KVNIdentCodeLayoutRequestCode);
        if (c.email) {
            ASSERT_TRUE(Driver::tap(screen->emailInputView()).ok());
            runFor(0.5);
            EXPECT_TRUE(screen->emailInputView()->checkBoxButton()->isSelected());
            EXPECT_FALSE(screen->phoneNumberInputView()->checkBoxButton()->isSelected());
        }
        ASSERT_TRUE(Driver::tap(screen->button()).ok());
        EXPECT_EQ(owner->requests, std::vector<bool>{c.email});
        // The content waits for the owner's answer.
        EXPECT_FALSE(screen->button()->isEnabled());
        waitUntil([&] { return screen->identCodeLayout() == KVNIdentCodeLayoutEnterCode; }, "the code was requested");
        const auto calls = answered(c.path);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0]["json"], c.body);
        EXPECT_EQ(screen->identCodeView()->emailSelected(), c.email);

        // The entry starts empty, and any text at all enables the confirmation.
        EXPECT_EQ(screen->identCodeTextField()->text().value_or(""), "");
        EXPECT_FALSE(screen->button()->isEnabled());
        typeInto(screen->identCodeTextField(), "123456");
        EXPECT_TRUE(screen->button()->isEnabled());
        ASSERT_TRUE(Driver::tap(screen->button()).ok());
        EXPECT_EQ(owner->codes, std::vector<std::string>{"123456"});
        waitUntil([&] { return answered(kIdentPath + "/sendConfirmationToken").size() == 1; }, "the code was sent");
        EXPECT_EQ(answered(kIdentPath + "/sendConfirmationToken")[0]["json"], (nlohmann::json{{"confirmationToken", "123456"}}));
        waitUntil([&] { return screen->identCodeTextField()->isEnabled(); }, "the content is enabled again");
        window.reset();
        runFor(0.5);
    }
}

TEST_F(IdentCodeScreenTest, TheButtonFollowsTheChosenChannelsText)
{
    showScreen();
    EXPECT_TRUE(screen->button()->isEnabled()) << "a stored mobile number is ready to go";

    auto mobile = screen->phoneNumberInputView()->textField();
    typeInto(mobile, std::string(kMobile.size(), '\b'));
    EXPECT_FALSE(screen->button()->isEnabled()) << "a blank number";
    EXPECT_FALSE(Driver::tap(screen->button()).ok());
    EXPECT_TRUE(owner->requests.empty());

    auto email = screen->emailInputView()->textField();
    typeInto(email, std::string(kEmail.size(), '\b'));
    EXPECT_TRUE(screen->emailInputView()->checkBoxButton()->isSelected()) << "editing a row chooses it";
    EXPECT_FALSE(screen->button()->isEnabled()) << "a blank address";
    ASSERT_TRUE(Driver::type("   ").ok());
    EXPECT_FALSE(screen->button()->isEnabled()) << "blanks only";
    ASSERT_TRUE(Driver::type("a@b.de").ok());
    EXPECT_TRUE(screen->button()->isEnabled());
    // The e-mail keyboard leaves the button no room under the rows of a small phone: the
    // user closes it first.
    ASSERT_TRUE(Driver::tap(screen->identCodeView()).ok());
    runFor(0.5);
    const auto tapped = Driver::tap(screen->button());
    ASSERT_TRUE(tapped.ok()) << tapped.message();
    EXPECT_EQ(owner->requests, std::vector<bool>{true});
    EXPECT_EQ(video->email(), "a@b.de") << "stored trimmed";
    writePicture("ident-code-request");
}

TEST_F(IdentCodeScreenTest, WithoutEMailOnlyTheMobileRowShowsAndItHasNoCheckBox)
{
    video->setIdentCodeEmailEnabled(false);
    showScreen();
    EXPECT_EQ(screen->emailInputView()->superview(), nullptr);
    auto row = screen->phoneNumberInputView();
    ASSERT_NE(row->superview(), nullptr);
    EXPECT_DOUBLE_EQ(row->titleLabel()->frame().origin.x, 20);
    ASSERT_TRUE(Driver::tap(screen->button()).ok());
    EXPECT_EQ(owner->requests, std::vector<bool>{false});
}

TEST_F(IdentCodeScreenTest, TheButtonRidesOnTheKeyboard)
{
    showScreen();
    const CGFloat restingBottom = CGRectGetMaxY(screen->button()->frame());
    const CGFloat contentHeight = screen->contentView()->bounds().size.height;
    EXPECT_DOUBLE_EQ(restingBottom, contentHeight - 20);

    ASSERT_TRUE(Driver::tap(screen->phoneNumberInputView()->textField()).ok());
    runFor(0.5);
    ASSERT_TRUE(kvn::SoftwareKeyboard::shared().isVisible());
    EXPECT_TRUE(screen->keyBoardVisible());
    const CGFloat keyboardHeight = kvn::SoftwareKeyboard::shared().frame().size.height;
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(screen->button()->frame()), contentHeight - keyboardHeight - 10);
    // Typing hides the owner's buttons that the keyboard would crowd.
    EXPECT_TRUE(owner->cancel->isHidden());
    EXPECT_DOUBLE_EQ(owner->chat->alpha(), 0);
    writePicture("ident-code-keyboard");

    // A tap on the screen's background closes the keyboard.
    ASSERT_TRUE(Driver::tap(screen->identCodeView()).ok());
    runFor(0.5);
    EXPECT_FALSE(kvn::SoftwareKeyboard::shared().isVisible());
    EXPECT_FALSE(screen->keyBoardVisible());
    EXPECT_DOUBLE_EQ(CGRectGetMaxY(screen->button()->frame()), restingBottom);
    EXPECT_FALSE(owner->cancel->isHidden());
    EXPECT_DOUBLE_EQ(owner->chat->alpha(), 1.0);
}

TEST_F(IdentCodeScreenTest, RequestAgainWhileTypingGoesBackWithoutAnimatingTheKeyboard)
{
    showScreen();
    screen->requestingCodeWasSuccessfull();
    runFor(0.5);
    typeInto(screen->identCodeTextField(), "12");
    writePicture("ident-code-enter");
    video->setIdentificationStatus(KVNIdentificationStatusSendCode);

    ASSERT_TRUE(Driver::tap(screen->identCodeView()->requestAgainButton()).ok());
    EXPECT_EQ(screen->identCodeLayout(), KVNIdentCodeLayoutRequestCode);
    EXPECT_EQ(video->identificationStatus(), KVNIdentificationStatusRequestCode);
    EXPECT_FALSE(screen->keyBoardVisible());
    EXPECT_FALSE(screen->keyboardAnimationDisabled()) << "only the one hide goes unanimated";
    EXPECT_EQ(screen->identCodeTextField()->superview(), nullptr);
}

TEST_F(IdentCodeScreenTest, FieldsAreEmptiedWhileTheAppIsInactive)
{
    showScreen();
    auto center = NSNotificationCenter::defaultCenter();
    center->postNotificationName_object_userInfo(UIApplicationWillResignActiveNotification);
    runFor(0.1);
    EXPECT_EQ(screen->phoneNumberInputView()->textField()->text().value_or(""), "");
    EXPECT_EQ(screen->emailInputView()->textField()->text().value_or(""), "");
    center->postNotificationName_object_userInfo(UIApplicationDidBecomeActiveNotification);
    runFor(0.1);
    EXPECT_EQ(screen->phoneNumberInputView()->textField()->text(), kMobile);
    EXPECT_EQ(screen->emailInputView()->textField()->text(), kEmail);
    EXPECT_EQ(screen->tempPhoneNumber(), std::nullopt);
}

TEST_F(IdentCodeScreenTest, ComingBackWithoutHavingLeftSinceTheScreenCameKeepsThePrefilledFields)
{
    // The screen came while the user was in another app: the first notice is the return.
    showScreen();
    ASSERT_EQ(screen->phoneNumberInputView()->textField()->text(), kMobile);
    auto center = NSNotificationCenter::defaultCenter();
    center->postNotificationName_object_userInfo(UIApplicationDidBecomeActiveNotification);
    runFor(0.1);
    EXPECT_EQ(screen->phoneNumberInputView()->textField()->text(), kMobile);
    EXPECT_EQ(screen->emailInputView()->textField()->text(), kEmail);

    center->postNotificationName_object_userInfo(UIApplicationWillResignActiveNotification);
    center->postNotificationName_object_userInfo(UIApplicationDidBecomeActiveNotification);
    center->postNotificationName_object_userInfo(UIApplicationDidBecomeActiveNotification);
    runFor(0.1);
    EXPECT_EQ(screen->phoneNumberInputView()->textField()->text(), kMobile) << "a second return restores nothing twice";
}
