#include "UIKitTestFixture.h"

#include <fstream>

#include "InkFixtures.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIImage.h"
#include "UIKit/UILabel.h"

namespace {

std::vector<std::string> buttonTitles(const UIAlertController& alert)
{
    std::vector<std::string> titles;
    for (const auto& action : alert.actions())
        titles.push_back(action->title().value_or("<none>"));
    return titles;
}

// The labels of a view tree, depth first, with their frames in the root's coordinates.
void collectLabels(const std::shared_ptr<UIView>& view, CGPoint offset, std::vector<std::pair<std::shared_ptr<UILabel>, CGRect>>& out)
{
    for (const auto& subview : view->subviews()) {
        CGRect frame = subview->frame();
        frame.origin.x += offset.x;
        frame.origin.y += offset.y;
        if (auto label = std::dynamic_pointer_cast<UILabel>(subview))
            out.emplace_back(label, frame);
        collectLabels(subview, frame.origin, out);
    }
}

// Pixels inside `rect` (points) that are far from the panel's near-white.
int inkedPixels(const UIImage& image, CGRect rect)
{
    auto cg = image.CGImage();
    int count = 0;
    CGFloat s = image.scale();
    for (size_t y = size_t(std::max(0.0, rect.origin.y * s)); y < std::min<size_t>(cg->height(), size_t(CGRectGetMaxY(rect) * s)); ++y)
        for (size_t x = size_t(std::max(0.0, rect.origin.x * s)); x < std::min<size_t>(cg->width(), size_t(CGRectGetMaxX(rect) * s)); ++x) {
            uint32_t p = cg->pixelAt(x, y);
            if (((p >> 16) & 0xFF) < 0x80 || ((p >> 8) & 0xFF) < 0x80)
                ++count;
        }
    return count;
}

// Writes down the dimming it was told of through tintColorDidChange.
class DimRecordingView : public UIView {
public:
    void tintColorDidChange() override { seen.push_back(tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed ? "dim" : "normal"); }
    std::vector<std::string> seen;
};

std::shared_ptr<DimRecordingView> addDimRecordingView(const std::shared_ptr<UIView>& parent)
{
    auto view = std::make_shared<DimRecordingView>();
    view->initWithFrame(CGRectMake(0, 0, 40, 40));
    parent->addSubview(view);
    return view;
}

} // namespace

class UIAlertControllerTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        presenter = std::make_shared<RecordingViewController>();
        presenter->init();
        window = showWindow(presenter);
        presenter->clear();
    }

    // An alert with "Cancel" (cancel style) and "Settings" (default style), whose handlers
    // write down what ran.
    std::shared_ptr<UIAlertController> makeAlert()
    {
        auto alert = UIAlertController::alertControllerWithTitle_message_preferredStyle("Title", std::nullopt, UIAlertControllerStyle::Alert);
        alert->addAction(UIAlertAction::actionWithTitle_style_handler("Cancel", UIAlertActionStyle::Cancel,
                                                                      [this](const auto& action) { ran.push_back(*action->title()); }));
        alert->addAction(UIAlertAction::actionWithTitle_style_handler("Settings", UIAlertActionStyle::Default,
                                                                      [this](const auto& action) { ran.push_back(*action->title()); }));
        return alert;
    }

    std::shared_ptr<RecordingViewController> presenter;
    std::shared_ptr<UIWindow> window;
    std::vector<std::string> ran;
};

TEST_F(UIAlertControllerTest, ReadableContent)
{
    auto alert = makeAlert();
    auto brand = UIColor::colorWithRed_green_blue_alpha(0.2, 0.4, 0.6, 1);
    alert->view()->setTintColor(brand);
    presenter->presentViewController_animated_completion(alert, true, nullptr);

    auto shown = std::dynamic_pointer_cast<UIAlertController>(presenter->presentedViewController());
    ASSERT_EQ(shown, alert);
    EXPECT_EQ(shown->title(), "Title");
    EXPECT_EQ(shown->message(), std::nullopt);
    EXPECT_EQ(shown->preferredStyle(), UIAlertControllerStyle::Alert);
    EXPECT_EQ(buttonTitles(*shown), (std::vector<std::string>{"Cancel", "Settings"}));
    EXPECT_EQ(shown->actions()[0]->style(), UIAlertActionStyle::Cancel);
    EXPECT_EQ(shown->view()->tintColor(), brand);
    // An alert lies over its presenter, which stays on screen.
    clock->advance(1.0);
    EXPECT_TRUE(presenter->events.empty());
    EXPECT_TRUE(presenter->isVisible());
}

TEST_F(UIAlertControllerTest, DimsTheWindowsBelowUntilItGoes)
{
    auto behind = addDimRecordingView(presenter->view());
    auto keepsItsOwn = addDimRecordingView(presenter->view());
    keepsItsOwn->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    auto other = std::make_shared<UIViewController>();
    auto otherWindow = showWindow(other);
    auto inOtherWindow = addDimRecordingView(other->view());
    window->makeKeyAndVisible();

    auto alert = makeAlert();
    auto onAlert = addDimRecordingView(alert->view());
    presenter->presentViewController_animated_completion(alert, true, nullptr);
    EXPECT_EQ(behind->seen, (std::vector<std::string>{"dim"})) << "the dimming comes as the alert starts to show";
    EXPECT_EQ(inOtherWindow->seen, (std::vector<std::string>{"dim"})) << "every window is dimmed";
    EXPECT_TRUE(keepsItsOwn->seen.empty()) << "a view with a mode of its own keeps it";
    EXPECT_EQ(alert->view()->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal) << "the alert itself is not dimmed";
    EXPECT_TRUE(onAlert->seen.empty());
    clock->advance(1.0);

    ASSERT_TRUE(alert->tapActionWithTitle("Cancel"));
    EXPECT_EQ(behind->seen, (std::vector<std::string>{"dim", "normal"})) << "and goes as it starts to go away";
    EXPECT_EQ(inOtherWindow->seen, (std::vector<std::string>{"dim", "normal"}));
    EXPECT_EQ(presenter->view()->ownTintAdjustmentMode(), UIViewTintAdjustmentModeAutomatic);
    EXPECT_EQ(keepsItsOwn->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
    clock->advance(1.0);
    EXPECT_EQ(behind->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
}

TEST_F(UIAlertControllerTest, OnlyPresentationsThePlatformDimsBehindDim)
{
    auto behind = addDimRecordingView(presenter->view());
    struct Case {
        UIModalPresentationStyle style;
        bool dims;
        const char* why;
    };
    const Case cases[] = {
        {UIModalPresentationStyle::FullScreen, false, "a full-screen modal hides what it covers"},
        {UIModalPresentationStyle::OverFullScreen, false, "an over-full-screen modal draws its own backdrop"},
        {UIModalPresentationStyle::FormSheet, true, "a sheet dims the screen around it"},
        {UIModalPresentationStyle::PageSheet, true, "a sheet dims the screen around it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto modal = std::make_shared<UIViewController>();
        modal->setModalPresentationStyle(c.style);
        presenter->presentViewController_animated_completion(modal, false, nullptr);
        EXPECT_EQ(behind->tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed, c.dims);
        modal->dismissViewControllerAnimated_completion(false, nullptr);
        EXPECT_EQ(behind->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
    }
}

TEST_F(UIAlertControllerTest, AnAlertOverAnAlertGivesBackInTurn)
{
    auto behind = addDimRecordingView(presenter->view());
    auto first = makeAlert();
    presenter->presentViewController_animated_completion(first, false, nullptr);
    auto second = makeAlert();
    first->presentViewController_animated_completion(second, false, nullptr);
    EXPECT_EQ(first->view()->tintAdjustmentMode(), UIViewTintAdjustmentModeDimmed);
    EXPECT_EQ(behind->seen, (std::vector<std::string>{"dim"})) << "dimmed once";
    second->dismissViewControllerAnimated_completion(false, nullptr);
    EXPECT_EQ(first->view()->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
    EXPECT_EQ(behind->tintAdjustmentMode(), UIViewTintAdjustmentModeDimmed) << "the first alert still stands";
    first->dismissViewControllerAnimated_completion(false, nullptr);
    EXPECT_EQ(behind->seen, (std::vector<std::string>{"dim", "normal"}));
}

TEST_F(UIAlertControllerTest, TapDismissesThenRunsTheHandler)
{
    auto alert = makeAlert();
    presenter->presentViewController_animated_completion(alert, false, nullptr);

    ASSERT_TRUE(alert->tapActionWithTitle("Settings"));
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(alert->isBeingDismissed());
    EXPECT_FALSE(alert->tapActionWithTitle("Cancel")); // already going away
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(ran, std::vector<std::string>{"Settings"});
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
}

TEST_F(UIAlertControllerTest, TapWhileStillAppearingIsNotLost)
{
    auto alert = makeAlert();
    presenter->presentViewController_animated_completion(alert, true, nullptr);
    ASSERT_TRUE(alert->tapActionAtIndex(0));
    clock->advance(2 * UIViewControllerTransitionDuration);
    EXPECT_EQ(ran, std::vector<std::string>{"Cancel"});
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
}

TEST_F(UIAlertControllerTest, TapsThatCannotHappen)
{
    auto alert = makeAlert();
    EXPECT_FALSE(alert->tapActionWithTitle("Cancel")) << "not presented";
    presenter->presentViewController_animated_completion(alert, false, nullptr);
    alert->actions()[1]->setEnabled(false);
    EXPECT_FALSE(alert->tapActionWithTitle("Settings")) << "disabled";
    EXPECT_FALSE(alert->tapActionWithTitle("Nope")) << "no such button";
    EXPECT_FALSE(alert->tapActionAtIndex(2)) << "no such index";
    clock->advance(1.0);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(presenter->presentedViewController(), alert);
}

TEST_F(UIAlertControllerTest, ActionWithoutHandlerStillDismisses)
{
    auto alert = UIAlertController::alertControllerWithTitle_message_preferredStyle(std::nullopt, "Message", UIAlertControllerStyle::Alert);
    alert->addAction(UIAlertAction::actionWithTitle_style_handler("OK", UIAlertActionStyle::Cancel, nullptr));
    presenter->presentViewController_animated_completion(alert, false, nullptr);
    ASSERT_TRUE(alert->tapActionWithTitle("OK"));
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
}

TEST_F(UIAlertControllerTest, ActionRules)
{
    auto alert = makeAlert();
    auto extraCancel = UIAlertAction::actionWithTitle_style_handler("Again", UIAlertActionStyle::Cancel, nullptr);
    alert->addAction(extraCancel);       // one cancel button only
    alert->addAction(alert->actions()[1]); // the same action twice
    alert->addAction(nullptr);
    EXPECT_EQ(buttonTitles(*alert), (std::vector<std::string>{"Cancel", "Settings"}));

    alert->setPreferredAction(alert->actions()[1]);
    EXPECT_EQ(alert->preferredAction(), alert->actions()[1]);
    alert->setPreferredAction(extraCancel); // not one of the alert's
    EXPECT_EQ(alert->preferredAction(), alert->actions()[1]);

    auto empty = UIAlertController::alertControllerWithTitle_message_preferredStyle("T", "M", UIAlertControllerStyle::ActionSheet);
    EXPECT_TRUE(empty->actions().empty());
}

TEST_F(UIAlertControllerTest, SecondAlertOverAnAlertIsIgnored)
{
    auto first = makeAlert();
    auto second = makeAlert();
    presenter->presentViewController_animated_completion(first, true, nullptr);
    presenter->presentViewController_animated_completion(second, true, nullptr);
    clock->advance(1.0);
    EXPECT_EQ(presenter->presentedViewController(), first);
    EXPECT_EQ(second->presentingViewController(), nullptr);
    EXPECT_FALSE(second->tapActionWithTitle("Cancel"));
}

TEST_F(UIAlertControllerTest, ShowsItsTextsOnAPanel)
{
    auto alert = makeAlert();
    alert->setMessage("The identification could not be started. Check your connection and try again.");
    presenter->presentViewController_animated_completion(alert, false, nullptr);
    clock->advance(1.0);

    auto image = fixtures::render(window->bounds().size, 2, [&] { window->drawViewHierarchyInRect_afterScreenUpdates(window->bounds(), true); });
    ASSERT_TRUE(image);
    auto png = UIImagePNGRepresentation(image);
    ASSERT_TRUE(png);
    const std::string path = ::testing::TempDir() + "UIAlertController-ShowsItsTextsOnAPanel.png";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
    std::cout << "picture: " << path << std::endl;

    std::vector<std::pair<std::shared_ptr<UILabel>, CGRect>> labels;
    collectLabels(alert->view(), alert->view()->frame().origin, labels);
    std::vector<std::string> texts;
    for (const auto& [label, frame] : labels)
        texts.push_back(label->text().value_or(""));
    ASSERT_EQ(texts, (std::vector<std::string>{"Title", *alert->message(), "Cancel", "Settings"}));

    const auto& [title, titleFrame] = labels[0];
    const auto& [message, messageFrame] = labels[1];
    EXPECT_EQ(title->font()->fontName(), "LiberationSans-Bold");
    EXPECT_GE(messageFrame.size.height, 2 * title->font()->pointSize() * 13 / 17) << "the message wraps";
    EXPECT_LE(CGRectGetMaxY(titleFrame), messageFrame.origin.y) << "the message is under the title";
    EXPECT_EQ(CGRectGetMidX(titleFrame), window->bounds().size.width / 2) << "the panel is centred";
    EXPECT_EQ(labels[2].second.origin.y, labels[3].second.origin.y) << "two buttons side by side";
    EXPECT_LT(labels[2].second.origin.x, labels[3].second.origin.x) << "in the order added";
    EXPECT_EQ(*labels[3].first->textColor(), *alert->view()->tintColor()) << "buttons in the tint colour";
    for (const auto& [label, frame] : labels)
        EXPECT_GT(inkedPixels(*image, frame), 40) << label->text().value_or("") << " is drawn where its label is";
}

TEST_F(UIAlertControllerTest, ButtonsAreTappedThroughTheHitTestAndPresentingDuringADismissalIsRefused)
{
    auto alert = makeAlert();
    presenter->presentViewController_animated_completion(alert, true, nullptr);
    clock->advance(1.0);
    pump();
    window->layoutIfNeeded();
    auto button = Automation::ViewFinder::viewWithText(window, "Settings");
    ASSERT_TRUE(button);
    auto tapped = Automation::Driver::tap(button);
    ASSERT_TRUE(tapped) << tapped.message();
    EXPECT_TRUE(alert->isBeingDismissed());
    EXPECT_TRUE(ran.empty()) << "the handler waits for the alert to go";

    // As on the platform: while one alert is still going away, another is not shown.
    auto next = makeAlert();
    presenter->presentViewController_animated_completion(next, true, nullptr);
    EXPECT_EQ(next->presentingViewController(), nullptr);
    clock->advance(1.0);
    pump();
    EXPECT_EQ(ran, std::vector<std::string>{"Settings"});
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
}
