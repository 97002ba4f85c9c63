// Draws every basic control of the kit in each state that changes its look, one PNG a state
// in the build folder (test-output/control-gallery/), for people to look at, and checks a few of those
// pictures against the view tree and by their pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "../../../../platform/UIKit/Snapshot.h"
#include "CoreGraphics/CGContext.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNLightLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedButtonDark.h"
#include "Private/UIElements/KVNRoundedFilledLabel.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "Private/UIElements/KVNSquareButton.h"
#include "Private/UIElements/KVNTextField.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "ThemedUIKitTest.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"

using fixtures::pixel;

namespace {

const std::string kGerman = "Weiter zur Identifizierung über Videoanruf";
const std::string kLong = "Continue to the identification with a video call with one of our agents now";

// How a control is drawn: as made, pressed by a finger, or with its tint dimmed.
enum class Touch { None, Pressed, Dimmed };

struct Shot {
    std::string name;
    std::function<std::shared_ptr<UIView>()> make;
    Touch touch = Touch::None;
};

template <class T>
std::shared_ptr<T> made(CGRect frame)
{
    auto view = std::make_shared<T>();
    view->initWithFrame(frame);
    return view;
}

template <class T>
std::shared_ptr<UIView> label(const std::string& text, const std::function<void(T&)>& style = {})
{
    auto view = made<T>(CGRectMake(0, 0, 240, 60));
    view->setNumberOfLines(0);
    view->setText(text);
    if (style)
        style(*view);
    return view;
}

template <class T>
std::shared_ptr<UIView> button(const std::string& title, bool enabled = true)
{
    auto view = made<T>(CGRectMake(0, 0, 240, 44));
    view->setTitle_forState(title, UIControlStateNormal);
    view->setEnabled(enabled);
    return view;
}

std::shared_ptr<UIView> underline(const std::string& title)
{
    auto view = made<KVNUnderlineButton>(CGRectMake(0, 0, 240, std::ceil(KVNUnderlineButton::expectedHeightWithTitle_width(title, 240))));
    view->setTitle_forState(title, UIControlStateNormal);
    return view;
}

std::shared_ptr<UIImage> drawnIcon(bool filled)
{
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(22, 22), false, 1);
    auto c = UIGraphicsGetCurrentContext();
    CGContextSetLineWidth(c, 2);
    CGContextAddPath(c, UIBezierPath::bezierPathWithOvalInRect(CGRectMake(2, 2, 18, 18))->CGPath());
    CGContextStrokePath(c);
    if (filled) {
        CGContextAddPath(c, UIBezierPath::bezierPathWithOvalInRect(CGRectMake(6, 6, 10, 10))->CGPath());
        CGContextFillPath(c);
    }
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

std::shared_ptr<UIView> imageText(const std::string& title)
{
    // The signing screens make these as system buttons, whose title takes the tint.
    auto view = UIButton::buttonWithType<KVNImageTextButton>(UIButtonTypeSystem);
    view->setFrame(CGRectMake(0, 0, 120, 44));
    view->setImage_forState(drawnIcon(false)->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate), UIControlStateNormal);
    view->setTitle_forState(title, UIControlStateNormal);
    return view;
}

std::shared_ptr<UIView> checkBox(bool selected)
{
    auto view = made<KVNCheckBoxButton>(CGRectMake(0, 0, 44, 44));
    view->setSelected(selected);
    return view;
}

std::shared_ptr<UIView> textField(const std::string& text, const std::string& placeholder = {})
{
    auto view = made<KVNTextField>(CGRectMake(0, 0, 240, 44));
    if (!placeholder.empty())
        view->setPlaceholder(placeholder);
    view->setText(text);
    return view;
}

class ControlGalleryTest : public ThemedUIKitTest {
protected:
    void SetUp() override
    {
        ThemedUIKitTest::SetUp();
        // The check boxes show the library's own images.
        m_bundle = std::make_unique<KvnTestBundle>();
    }

    // The control at (10, 10) on a white backdrop 10 wider on every side, in a window of its
    // own; the picture goes to control-gallery/<name>.png.
    struct Drawn {
        std::shared_ptr<UIWindow> window;
        std::shared_ptr<UIView> control;
        std::shared_ptr<UIImage> picture;
    };
    Drawn draw(const Shot& shot)
    {
        auto control = shot.make();
        auto size = control->frame().size;
        control->setFrame(CGRectMake(10, 10, size.width, size.height));
        auto backdrop = fixtures::makeView(CGRectMake(0, 0, size.width + 20, size.height + 20), UIColor::whiteColor());
        backdrop->addSubview(control);
        auto window = showInWindow(backdrop);
        window->layoutIfNeeded();
        if (shot.touch == Touch::Dimmed)
            control->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
        std::unique_ptr<Automation::Finger> finger;
        if (shot.touch == Touch::Pressed) {
            finger = std::make_unique<Automation::Finger>(window);
            finger->down(CGPointMake(10 + size.width / 2, 10 + size.height / 2));
        }
        auto picture = fixtures::snapshot(backdrop);
        kvn::test::writeTestPicture("control-gallery", shot.name, picture);
        if (finger)
            finger->up();
        return {window, control, picture};
    }

private:
    std::unique_ptr<KvnTestBundle> m_bundle;
};

// Whether each of red, green and blue is within `tolerance` of 0xRRGGBB.
bool near(const fixtures::Pixel& p, uint32_t rgb, int tolerance = 3)
{
    return std::abs(p.r - int(rgb >> 16 & 0xFF)) <= tolerance && std::abs(p.g - int(rgb >> 8 & 0xFF)) <= tolerance &&
        std::abs(p.b - int(rgb & 0xFF)) <= tolerance;
}

// 0xRRGGBB of a colour laid over white.
uint32_t overWhite(const std::shared_ptr<UIColor>& color)
{
    CGFloat r, g, b, a;
    color->getRed_green_blue_alpha(&r, &g, &b, &a);
    auto channel = [&](CGFloat c) { return uint32_t(std::lround((c * a + (1 - a)) * 255)); };
    return channel(r) << 16 | channel(g) << 8 | channel(b);
}

// How many pixels of `rect` are about `rgb`.
int countNear(const UIImage& picture, CGRect rect, uint32_t rgb, int tolerance)
{
    int count = 0;
    for (size_t y = size_t(CGRectGetMinY(rect)); y < size_t(CGRectGetMaxY(rect)); ++y)
        for (size_t x = size_t(CGRectGetMinX(rect)); x < size_t(CGRectGetMaxX(rect)); ++x)
            count += near(pixel(picture, x, y), rgb, tolerance);
    return count;
}

CGRect whole(const UIImage& picture) { return CGRectMake(0, 0, picture.size().width, picture.size().height); }

// How many pixels differ between two pictures of the same size (all of them when the sizes differ).
int differingPixels(const UIImage& a, const UIImage& b)
{
    if (a.size().width != b.size().width || a.size().height != b.size().height)
        return int(a.size().width * a.size().height);
    int count = 0;
    for (size_t y = 0; y < size_t(a.size().height); ++y)
        for (size_t x = 0; x < size_t(a.size().width); ++x) {
            auto p = pixel(a, x, y), q = pixel(b, x, y);
            count += p.r != q.r || p.g != q.g || p.b != q.b;
        }
    return count;
}

TEST_F(ControlGalleryTest, EveryControlInEveryStateThatChangesItsLook)
{
    const Shot shots[] = {
        {"label", [] { return label<KVNLabel>("Please check your data"); }},
        {"label-success", [] { return label<KVNLabel>("Identification successful", [](KVNLabel& l) { l.setSuccessStyle(); }); }},
        {"label-failure", [] { return label<KVNLabel>("Identification failed", [](KVNLabel& l) { l.setFailureStyle(); }); }},
        {"label-dimmed", [] { return label<KVNLabel>("Please check your data"); }, Touch::Dimmed},
        {"label-long", [] { return label<KVNLabel>(kLong); }},
        {"label-german", [] { return label<KVNLabel>(kGerman); }},
        {"medium-label", [] { return label<KVNMediumLabel>("Your ident code"); }},
        {"medium-label-german", [] { return label<KVNMediumLabel>(kGerman); }},
        {"light-label", [] { return label<KVNLightLabel>("Your ident code"); }},
        {"filled-label", [] { return made<KVNRoundedFilledLabel>(CGRectMake(0, 0, 30, 30)); }},
        {"filled-label-dimmed", [] { return made<KVNRoundedFilledLabel>(CGRectMake(0, 0, 30, 30)); }, Touch::Dimmed},
        {"rounded", [] { return button<KVNRoundedButton>("Continue"); }},
        {"rounded-disabled", [] { return button<KVNRoundedButton>("Continue", false); }},
        {"rounded-highlighted", [] { return button<KVNRoundedButton>("Continue"); }, Touch::Pressed},
        {"rounded-dimmed", [] { return button<KVNRoundedButton>("Continue"); }, Touch::Dimmed},
        {"rounded-long", [] { return button<KVNRoundedButton>(kLong); }},
        {"rounded-german", [] { return button<KVNRoundedButton>(kGerman); }},
        {"dark", [] { return button<KVNRoundedButtonDark>("Retake"); }},
        {"dark-highlighted", [] { return button<KVNRoundedButtonDark>("Retake"); }, Touch::Pressed},
        {"dark-dimmed", [] { return button<KVNRoundedButtonDark>("Retake"); }, Touch::Dimmed},
        {"dark-german", [] { return button<KVNRoundedButtonDark>("Foto erneut aufnehmen"); }},
        {"square", [] { return button<KVNSquareButton>("Notify me"); }},
        {"square-disabled", [] { return button<KVNSquareButton>("Notify me", false); }},
        {"square-long", [] { return button<KVNSquareButton>(kLong); }},
        {"square-german", [] { return button<KVNSquareButton>(kGerman); }},
        {"underline", [] { return underline("Terms and conditions"); }},
        {"underline-highlighted", [] { return underline("Terms and conditions"); }, Touch::Pressed},
        {"underline-dimmed", [] { return underline("Terms and conditions"); }, Touch::Dimmed},
        {"underline-long-german",
         [] { return underline("Ich habe die Allgemeinen Geschäftsbedingungen und die Datenschutzerklärung gelesen"); }},
        {"image-text", [] { return imageText("Sign"); }},
        {"image-text-german", [] { return imageText("Unterschreiben"); }},
        {"check-box", [] { return checkBox(false); }},
        {"check-box-selected", [] { return checkBox(true); }},
        {"check-box-dimmed", [] { return checkBox(true); }, Touch::Dimmed},
        {"text-field-placeholder", [] { return textField("", "Ident code"); }},
        {"text-field", [] { return textField("ABC-DEFGH"); }},
        {"text-field-german", [] { return textField("Straße und Hausnummer"); }},
        {"text-field-long", [] { return textField(kLong); }},
        {"rounded-view", [] { return made<KVNRoundedView>(CGRectMake(0, 0, 200, 80)); }},
    };
    std::map<std::string, std::shared_ptr<UIImage>> pictures;
    for (const auto& shot : shots) {
        SCOPED_TRACE(shot.name);
        auto drawn = draw(shot);
        ASSERT_TRUE(drawn.picture);
        // Every control leaves some mark that is not the white backdrop.
        EXPECT_LT(countNear(*drawn.picture, whole(*drawn.picture), 0xFFFFFF, 2),
                  int(drawn.picture->size().width * drawn.picture->size().height));
        pictures[shot.name] = drawn.picture;
    }

    // Each state that changes a control's look shows other pixels than the control as made.
    const std::pair<const char*, const char*> changes[] = {
        {"label-success", "label"},        {"label-failure", "label"},         {"label-dimmed", "label"},
        {"filled-label-dimmed", "filled-label"}, {"rounded-disabled", "rounded"}, {"rounded-highlighted", "rounded"},
        {"rounded-dimmed", "rounded"},     {"dark-highlighted", "dark"},       {"dark-dimmed", "dark"},
        {"square-disabled", "square"},     {"underline-highlighted", "underline"}, {"underline-dimmed", "underline"},
        {"check-box-selected", "check-box"},
    };
    for (const auto& [state, made] : changes) {
        SCOPED_TRACE(state);
        EXPECT_GT(differingPixels(*pictures[state], *pictures[made]), 0) << "looks the same as " << made;
    }
    // Dimmed, the brand colour gives way to grey.
    const uint32_t brand = 0xF95602;
    for (const char* dimmed : {"filled-label-dimmed", "rounded-dimmed", "underline-dimmed"}) {
        SCOPED_TRACE(dimmed);
        std::string made = std::string(dimmed).substr(0, std::string(dimmed).size() - std::string("-dimmed").size());
        EXPECT_GT(countNear(*pictures[made], whole(*pictures[made]), brand, 8), 0) << "the brand colour shows when not dimmed";
        EXPECT_EQ(countNear(*pictures[dimmed], whole(*pictures[dimmed]), brand, 8), 0);
    }
}

// The library's check box images, drawn in the theme's check colour: an open box is an outline,
// a ticked one a filled box, so the ticked one shows far more of the colour.
TEST_F(ControlGalleryTest, CheckBoxesShowTheLibraryImagesInTheCheckColour)
{
    const uint32_t check = 0xF95602;
    auto open = draw({"check-box", [] { return checkBox(false); }});
    auto ticked = draw({"check-box-selected", [] { return checkBox(true); }});
    const CGRect box = CGRectMake(10, 10, 44, 44);
    const int openInk = countNear(*open.picture, box, check, 40);
    const int tickedInk = countNear(*ticked.picture, box, check, 40);
    EXPECT_GT(openInk, 20) << "the open box's outline";
    EXPECT_GT(tickedInk, 3 * openInk) << "the ticked box is filled";
    EXPECT_TRUE(near(pixel(*open.picture, 10 + 22, 10 + 22), 0xFFFFFF)) << "an open box is empty inside";
}

TEST_F(ControlGalleryTest, ProceedButtonPicturesShowTheirColoursAndTitleWhereTheTreeSaysTheyAre)
{
    auto brand = KVNExtensions::colorWithRGBHex(0xF95602);
    struct Case {
        std::string name;
        Touch touch;
        bool enabled;
        uint32_t background; // over white
    };
    const Case cases[] = {
        {"check-rounded", Touch::None, true, 0xF95602},
        {"check-rounded-disabled", Touch::None, false, overWhite(brand->colorWithAlphaComponent(0.5))},
        {"check-rounded-highlighted", Touch::Pressed, true, overWhite(KVNExtensions::colorByAdjustingBrightnessWithOffset(brand, -0.12))},
        {"check-rounded-dimmed", Touch::None, true, overWhite(UIColor::lightGrayColor())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto drawn = draw({c.name, [&] { return button<KVNRoundedButton>(kGerman, c.enabled); },
                           c.name == "check-rounded-dimmed" ? Touch::Dimmed : c.touch});
        auto dump = Automation::ViewTreeDump::textOf(drawn.window);
        // The button's line in the tree: where it is, what it shows.
        std::string line = "KVNRoundedButton (10, 10, 240, 44) text=\"" + kGerman + "\"";
        EXPECT_NE(dump.find(line), std::string::npos) << dump;

        // Inside the 4-point corners and left of the title, the background alone shows.
        EXPECT_TRUE(near(pixel(*drawn.picture, 14, 32), c.background)) << "at the left edge";
        auto title = std::static_pointer_cast<KVNRoundedButton>(drawn.control)->titleLabel();
        auto titleFrame = title->convertRect_toView(title->bounds(), drawn.window);
        EXPECT_TRUE(near(pixel(*drawn.picture, 10 + 120, 10 + 3), c.background)) << "above the title";
        // The white title ink (at 0.8 while pressed) lies in the title's frame, and nowhere
        // else on the button (its rounded corners left out).
        if (c.enabled) {
            uint32_t ink = 0xFFFFFF;
            if (c.touch == Touch::Pressed)
                ink = overWhite(UIColor::colorWithRed_green_blue_alpha((0.8 * 255 + 0.2 * (c.background >> 16 & 0xFF)) / 255,
                                                                       (0.8 * 255 + 0.2 * (c.background >> 8 & 0xFF)) / 255,
                                                                       (0.8 * 255 + 0.2 * (c.background & 0xFF)) / 255, 1));
            EXPECT_GT(countNear(*drawn.picture, titleFrame, ink, 24), 20);
            EXPECT_EQ(countNear(*drawn.picture, CGRectMake(10, 15, CGRectGetMinX(titleFrame) - 10, 34), ink, 24), 0);
            EXPECT_EQ(countNear(*drawn.picture, CGRectMake(CGRectGetMaxX(titleFrame), 15, 250 - CGRectGetMaxX(titleFrame), 34), ink, 24),
                      0);
        }
    }
}

TEST_F(ControlGalleryTest, SquareAndDarkButtonPicturesShowTheirThemeColours)
{
    const struct {
        Shot shot;
        uint32_t background;
    } cases[] = {
        {{"check-square", [] { return button<KVNSquareButton>("Notify me"); }}, 0xF95602},
        {{"check-square-disabled", [] { return button<KVNSquareButton>("Notify me", false); }}, 0xACACAC},
        {{"check-dark", [] { return button<KVNRoundedButtonDark>("Retake"); }}, 0x4A4A4A},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shot.name);
        auto drawn = draw(c.shot);
        EXPECT_TRUE(near(pixel(*drawn.picture, 14, 32), c.background));
        EXPECT_TRUE(near(pixel(*drawn.picture, 10, 10), c.background, 3) == (c.shot.name != "check-dark"))
            << "square corners fill the corner pixel, rounded ones do not";
    }
}

TEST_F(ControlGalleryTest, ImageTextCaptionIsDrawnInTheDimmedBodyColourBesideItsIcon)
{
    auto drawn = draw({"check-image-text", [] { return imageText("Sign"); }});
    auto button = std::static_pointer_cast<KVNImageTextButton>(drawn.control);
    auto ink = overWhite(KVNExtensions::colorWithRGBHex(0x4A4A4A)->colorWithAlphaComponent(0.55));
    auto title = button->titleLabel()->convertRect_toView(button->titleLabel()->bounds(), drawn.window);
    auto icon = button->imageView()->convertRect_toView(button->imageView()->bounds(), drawn.window);
    EXPECT_LE(CGRectGetMaxX(icon), CGRectGetMinX(title));
    EXPECT_GT(countNear(*drawn.picture, title, ink, 30), 5) << "the caption shows in the tint";
    EXPECT_GT(countNear(*drawn.picture, icon, ink, 30), 5) << "the template icon shows in the tint";
    // Its height fixed by a constraint, the button lays out at its natural width: 4 inset,
    // the 22-point icon, the caption, 4 inset.
    auto dump = Automation::ViewTreeDump::textOf(drawn.window);
    EXPECT_NE(dump.find("KVNImageTextButton (10, 10, 53, 44) text=\"Sign\""), std::string::npos) << dump;
}

} // namespace
