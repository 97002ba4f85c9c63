#include <gtest/gtest.h>

#include <memory>

#include "PictureFixture.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNIdentCodeView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutConstraint.h"
#include "UIKit/UIFont.h"
#include "models/KVNIdentification.h"
#include "support/KvnTestBundle.h"

namespace {

class RecordingIdentCodeDelegate : public KVNIdentCodeViewDelegate {
public:
    explicit RecordingIdentCodeDelegate(bool responds = true) : m_responds(responds) {}
    void identCodeViewDidTapRequestAgainButton(const std::shared_ptr<KVNIdentCodeView>& view) override { taps.push_back(view); }
    bool respondsToIdentCodeViewDidTapRequestAgainButton() const override { return m_responds; }
    std::vector<std::shared_ptr<KVNIdentCodeView>> taps;

private:
    bool m_responds;
};

class IdentCodeViewTest : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        KVNIdentification::resetSharedIdentification();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->setHostStrings({
            {"IDENT_CODE_REQUEST_CODE_TITLE", "Request title"},
            {"IDENT_CODE_REQUEST_CODE_MESSAGE", "Request message"},
            {"IDENT_CODE_ENTER_CODE_TITLE", "Enter title"},
            {"IDENT_CODE_ENTER_CODE_MESSAGE", "SMS to %@."},
            {"IDENT_CODE_ENTER_CODE_MESSAGE_EMAIL", "E-mail to %@."},
            {"IDENT_CODE_REQUEST_CODE_AGAIN_TITLE", "No SMS?"},
            {"IDENT_CODE_REQUEST_CODE_AGAIN_TITLE_EMAIL", "No e-mail?"},
            {"IDENT_CODE_REQUEST_CODE_AGAIN_BUTTON_TITLE", "Send again"},
        });
        auto video = KVNIdentification::sharedIdentification()->videoIdentification();
        video->setMobile("+4915112345678");
        video->setEmail("jane@example.org");
    }
    void TearDown() override
    {
        bundle.reset();
        KVNIdentification::resetSharedIdentification();
        PictureTest::TearDown();
    }

    // The view at the top of a shown blank screen, 320 wide, its height from its content.
    std::shared_ptr<KVNIdentCodeView> makeShownView()
    {
        screen = showBlankScreen();
        auto view = std::make_shared<KVNIdentCodeView>();
        view->init();
        screen.view->addSubview(view);
        Layout::ConstraintMaker::make(view, [&](Layout::ConstraintMaker& make) { make.top().left().right().equalTo(screen.view); });
        screen.view->layoutIfNeeded();
        return view;
    }

    // Active zero heights that the view itself holds on `view`: one collapses it, two are a leak.
    static int zeroHeights(const std::shared_ptr<UIView>& view)
    {
        int count = 0;
        for (const auto& constraint : view->constraints())
            if (constraint->isActive() && constraint->firstAttribute() == NSLayoutAttributeHeight && !constraint->secondItem() &&
                constraint->constant() == 0)
                ++count;
        return count;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    ShownScreen screen;
};

TEST_F(IdentCodeViewTest, LayoutsSetTextsAndCollapseOrShowTheRequestAgainRow)
{
    auto view = makeShownView();
    // A new view shows its row collapsed before any layout is chosen.
    EXPECT_EQ(view->requestAgainButton()->frame().size.height, 0);
    EXPECT_EQ(view->requestAgainLabel()->frame().size.height, 0);
    EXPECT_EQ(zeroHeights(view->requestAgainButton()), 1);

    struct Case {
        const char* why;
        long layout;
        bool email;
        const char* title;
        const char* content;
        const char* again; // nullptr: the row is collapsed
    };
    const Case cases[] = {
        {"request: collapsed", KVNIdentCodeLayoutRequestCode, false, "Request title", "Request message", nullptr},
        {"enter by SMS names the mobile", KVNIdentCodeLayoutEnterCode, false, "Enter title", "SMS to +4915112345678.", "No SMS?"},
        {"back to request collapses again", KVNIdentCodeLayoutRequestCode, false, "Request title", "Request message", nullptr},
        {"request twice keeps one pair", KVNIdentCodeLayoutRequestCode, true, "Request title", "Request message", nullptr},
        {"enter by e-mail names the address", KVNIdentCodeLayoutEnterCode, true, "Enter title", "E-mail to jane@example.org.",
         "No e-mail?"},
        {"any other value is entry", 7, false, "Enter title", "SMS to +4915112345678.", "No SMS?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        view->setEmailSelected(c.email);
        view->updateForIdentCodeLayout(c.layout);
        screen.view->layoutIfNeeded();
        EXPECT_EQ(view->titleLabel()->text(), c.title);
        EXPECT_EQ(view->contentLabel()->text(), c.content);
        if (c.again) {
            EXPECT_EQ(view->requestAgainLabel()->text(), c.again);
            EXPECT_EQ(view->buttonHeightConstraint(), nullptr);
            EXPECT_EQ(view->requestAgainLabelHeightConstraint(), nullptr);
            EXPECT_EQ(zeroHeights(view->requestAgainButton()), 0);
            EXPECT_GT(view->requestAgainButton()->frame().size.height, 0);
            EXPECT_GT(view->requestAgainLabel()->frame().size.height, 0);
        } else {
            EXPECT_EQ(zeroHeights(view->requestAgainButton()), 1);
            EXPECT_EQ(zeroHeights(view->requestAgainLabel()), 1);
            EXPECT_EQ(view->requestAgainButton()->frame().size.height, 0);
            EXPECT_EQ(view->requestAgainLabel()->frame().size.height, 0);
        }
    }
}

// The question before the link is set in the link's own font, so the two read as one line
// of small print.
TEST_F(IdentCodeViewTest, TheRequestAgainQuestionTakesTheLinksFont)
{
    auto view = makeShownView();
    auto link = view->requestAgainButton()->titleLabel()->font();
    auto question = view->requestAgainLabel()->font();
    EXPECT_EQ(link->pointSize(), 12);
    EXPECT_EQ(question->pointSize(), link->pointSize());
    EXPECT_EQ(question->fontName(), link->fontName());
}

TEST_F(IdentCodeViewTest, TheChannelTakesEffectOnlyAtTheNextLayoutUpdate)
{
    auto view = makeShownView();
    view->updateForIdentCodeLayout(KVNIdentCodeLayoutEnterCode);
    view->setEmailSelected(true);
    EXPECT_EQ(view->contentLabel()->text(), "SMS to +4915112345678.");
    EXPECT_EQ(view->requestAgainLabel()->text(), "No SMS?");
    view->updateForIdentCodeLayout(KVNIdentCodeLayoutEnterCode);
    EXPECT_EQ(view->contentLabel()->text(), "E-mail to jane@example.org.");
}

TEST_F(IdentCodeViewTest, AMissingAddressLeavesAGapNotANullMarker)
{
    KVNIdentification::sharedIdentification()->videoIdentification()->setEmail(std::nullopt);
    auto view = makeShownView();
    view->setEmailSelected(true);
    view->updateForIdentCodeLayout(KVNIdentCodeLayoutEnterCode);
    EXPECT_EQ(view->contentLabel()->text(), "E-mail to .");
}

TEST_F(IdentCodeViewTest, TappingTheLinkTellsADelegateThatAnswersIt)
{
    auto view = makeShownView();
    auto delegate = std::make_shared<RecordingIdentCodeDelegate>();
    view->setDelegate(delegate);

    // Collapsed, the link has no area to tap.
    EXPECT_FALSE(Automation::Driver::tap(view->requestAgainButton()));
    view->updateForIdentCodeLayout(KVNIdentCodeLayoutEnterCode);
    screen.view->layoutIfNeeded();
    ASSERT_TRUE(Automation::Driver::tap(view->requestAgainButton()));
    ASSERT_EQ(delegate->taps.size(), 1u);
    EXPECT_EQ(delegate->taps[0], view);

    auto declining = std::make_shared<RecordingIdentCodeDelegate>(false);
    view->setDelegate(declining);
    ASSERT_TRUE(Automation::Driver::tap(view->requestAgainButton()));
    EXPECT_TRUE(declining->taps.empty());

    view->setDelegate(nullptr);
    EXPECT_TRUE(Automation::Driver::tap(view->requestAgainButton()));
    EXPECT_EQ(delegate->taps.size(), 1u);
}

TEST_F(IdentCodeViewTest, PicturesOfEachLayout)
{
    bundle->setHostStrings({}); // the library's own wording
    bundle->activate();
    auto view = makeShownView();
    struct Shot {
        const char* name;
        long layout;
        bool email;
    };
    for (const auto& shot :
         {Shot{"identcode-request", 0, false}, Shot{"identcode-enter-sms", 1, false}, Shot{"identcode-enter-email", 1, true}}) {
        SCOPED_TRACE(shot.name);
        view->setEmailSelected(shot.email);
        view->updateForIdentCodeLayout(shot.layout);
        screen.view->layoutIfNeeded();
        // Texts set after the first layout still get their lines' height.
        EXPECT_GT(view->titleLabel()->frame().size.height, 0);
        EXPECT_GT(view->contentLabel()->frame().size.height, 0);
        picture(screen.view, shot.name);
    }
}

} // namespace
