// The whole identification on the real call against the simulated service, whose agent plays
// the "identification" road: the user sees the agent's greeting as a toast, opens the chat from
// it, answers, closes the chat, asks for the ident code and types it, all through taps and key
// presses, until the host hears success. The window is drawn during the call and at the ident
// code step.
#include "VideoScreenFixture.h"

#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNChatButton.h"
#include "Private/UIElements/KVNChatInputView.h"
#include "Private/UIElements/KVNChatTextField.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNSubscriberView.h"
#include "Private/UIElements/KVNToast.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextField.h"
#include "support/LocalMediaCheck.h"

using namespace videoscreen;
using Automation::Driver;

namespace {

const std::string kGreeting = "Hello, I am your agent today. Can you hear me well?";
const std::string kReply = "Yes, I hear you well.";

class VideoScreenRoadTest : public VideoScreenFixture {
protected:
    void tapAndCheck(const std::shared_ptr<UIView>& view, const char* what)
    {
        window->layoutIfNeeded();
        const auto tapped = Driver::tap(view);
        ASSERT_TRUE(tapped) << what << ": " << tapped.message();
    }

    std::string agentProgress() const { return sim->agentProgress(token).dump(1); }
};

TEST_F(VideoScreenRoadTest, AgentIdentificationRoadEndsWithSuccessForTheHost)
{
    // The media stack is ours and runs here: a local camera that does not start is a broken
    // stack, never a reason to pass without the call.
    const auto missing = kvn::test::localMediaMissing(loop);
    ASSERT_FALSE(missing) << *missing;
    initialise("AGENTIDENT");
    settings->setShowErrorSuccessScreen(false);
    show(std::make_shared<KVNIdentificationViewController>());
    settings->setShowVideoOverviewCheck(false);

    // The call: both videos, and the agent's greeting as a toast.
    waitUntil([&] { return !screen->agentBox()->isHidden() && screen->agentBox()->subviews().size() > 1; }, "the agent's video");
    waitUntil([&] { return screen->toast()->label()->text() == std::optional<std::string>(kGreeting) && !screen->toast()->isHidden(); },
              "the greeting as a toast; the agent: " + agentProgress());
    writePicture("call");
    EXPECT_FALSE(screen->chatButtonView()->isHidden()) << "the session allows the chat";

    // The toast opens the chat; the user answers there and closes it again.
    runFor(0.5); // past the fade-in: a view that is animating takes no touches
    tapAndCheck(screen->toast(), "the toast");
    runFor(0.5);
    auto chat = screen->chatViewController();
    ASSERT_TRUE(chat);
    EXPECT_FALSE(screen->toast()->label()->text() != std::optional<std::string>(kGreeting) && !screen->toast()->isHidden());
    tapAndCheck(chat->inputView()->textField(), "the chat's field");
    runFor(0.5);
    ASSERT_TRUE(Driver::type(kReply + "\n"));
    waitUntil([&] { return serviceCalls("chat/agent/sendMsg") >= 1 || sim->agentProgress(token)["chat"].size() >= 2; }, "the reply");
    tapAndCheck(chat->closeButton(), "the chat's close button");
    runFor(0.5);
    EXPECT_FALSE(screen->chatViewController()) << "closed after its slide";

    // The document is the agent's and the driver's; the code is the user's.
    waitUntil([&] { return screen->codeViewController() != nullptr; }, "the ident code screen; the agent: " + agentProgress());
    runFor(0.5);
    writePicture("ident-code");
    auto code = screen->codeViewController();
    tapAndCheck(code->button(), "request the code");
    waitUntil([&] { return code->identCodeLayout() == KVNIdentCodeLayoutEnterCode; }, "the code requested");
    tapAndCheck(code->identCodeTextField(), "the code's field");
    runFor(0.5);
    ASSERT_TRUE(Driver::type("123456"));
    runFor(0.5);
    tapAndCheck(code->button(), "send the code");

    waitUntil([&] { return !reports.empty(); }, "the host's report; the agent: " + agentProgress());
    EXPECT_EQ(describe(reports), "success");
    EXPECT_EQ(sim->agentProgress(token)["state"], "done") << agentProgress();
    EXPECT_EQ(serviceCalls("canceled"), 0u);
    EXPECT_EQ(serviceCalls("failed"), 0u);
}

} // namespace
