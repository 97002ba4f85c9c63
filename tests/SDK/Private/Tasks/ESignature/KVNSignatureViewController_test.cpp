// The signature panel as a user meets it: strokes drawn with a finger, the send button
// following whether there is ink, the redraw button, and the image that goes to the upload
// (checked as drawn and after a JPEG round trip).
#include <gtest/gtest.h>

#include <vector>

#include "../../UIElements/Controls/ThemedUIKitTest.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSParagraphStyle.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvasContainer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNSignatureViewController.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIScreen.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"

namespace {

class SignaturePadTest : public ThemedUIKitTest {
protected:
    void SetUp() override
    {
        ThemedUIKitTest::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        bundle->addImage("kvn-icon-sign-again", 20, 20, 0x555555FF);
        bundle->addImage("kvn-icon-cancel", 20, 20, 0x555555FF);
        NSLocale::setPreferredLanguages({"en"});
    }

    void TearDown() override
    {
        window.reset();
        panel.reset();
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, 375, 667));
        bundle.reset();
        ThemedUIKitTest::TearDown();
    }

    // The panel filling a phone-sized window, laid out.
    void showPanel()
    {
        panel = std::make_shared<KVNSignatureViewController>();
        panel->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(panel);
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
        runFor(1.0);
    }

    CGPoint inWindow(CGPoint canvasPoint) const { return panel->canvas()->convertPoint_toView(canvasPoint, window); }

    // One stroke through `points` of the canvas: down at the first, a move to each other one,
    // then up.
    void drawStroke(const std::vector<CGPoint>& points)
    {
        Automation::Finger finger(window);
        finger.down(inWindow(points.front()));
        for (size_t i = 1; i < points.size(); ++i)
            finger.moveTo(inWindow(points[i]));
        finger.up();
        runFor(0.5);
    }

    bool sendEnabled() const { return panel->signContractButton()->isEnabled(); }

    void writePicture(const std::string& name, const std::shared_ptr<UIImage>& image) const
    {
        kvn::test::writeTestPicture("signature-pad", name, image);
    }

    std::shared_ptr<UIImage> renderWindow() const
    {
        const auto bounds = window->bounds();
        UIGraphicsBeginImageContextWithOptions(bounds.size, true, 1);
        EXPECT_TRUE(window->drawViewHierarchyInRect_afterScreenUpdates(bounds, true));
        auto image = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return image;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNSignatureViewController> panel;
    std::shared_ptr<UIWindow> window;
};

struct Rgb {
    int r, g, b;
};

// The colour of a pixel of an opaque image, (x, y) in points.
Rgb colourAt(const std::shared_ptr<UIImage>& image, CGPoint point)
{
    const auto scale = image->scale();
    const uint32_t word = image->CGImage()->pixelAt(size_t(point.x * scale), size_t(point.y * scale));
    return {int((word >> 16) & 0xFF), int((word >> 8) & 0xFF), int(word & 0xFF)};
}

bool isWhite(Rgb c) { return c.r >= 0xF0 && c.g >= 0xF0 && c.b >= 0xF0; }

// Ink: clearly darker than both the white ground and the light grey hatching.
bool isInk(Rgb c) { return c.r < 0xB8 && c.g < 0xB8 && c.b < 0xB8; }

// Whether any pixel within `radius` points of `point` is ink.
bool inkNear(const std::shared_ptr<UIImage>& image, CGPoint point, CGFloat radius = 3)
{
    for (CGFloat dy = -radius; dy <= radius; dy += 0.5)
        for (CGFloat dx = -radius; dx <= radius; dx += 0.5)
            if (isInk(colourAt(image, {point.x + dx, point.y + dy})))
                return true;
    return false;
}

CGPoint along(CGPoint from, CGPoint to, CGFloat t) { return {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t}; }

const std::vector<CGPoint> kZigzag = {{40, 40}, {120, 100}, {200, 40}, {280, 100}};

TEST_F(SignaturePadTest, StrokeIsInkedWhereTheFingerWentUpToWhereItLifted)
{
    showPanel();
    drawStroke(kZigzag);
    EXPECT_TRUE(sendEnabled());

    auto image = panel->canvas()->drawnImage();
    ASSERT_TRUE(image);
    writePicture("drawn-image", image);
    writePicture("panel", renderWindow());
    EXPECT_EQ(image->size().width, panel->canvas()->bounds().size.width);
    EXPECT_EQ(image->size().height, panel->canvas()->bounds().size.height);
    EXPECT_EQ(image->scale(), UIScreen::mainScreen()->scale());

    // Every segment, the one into the lift point included, and upright (not mirrored in y).
    // The curve passes through each location; between them the smoothing bends it away from
    // the straight line, but not by a finger's width.
    for (size_t i = 0; i + 1 < kZigzag.size(); ++i) {
        EXPECT_TRUE(inkNear(image, kZigzag[i + 1])) << "end of segment " << i;
        EXPECT_TRUE(inkNear(image, along(kZigzag[i], kZigzag[i + 1], 0.5), 12)) << "middle of segment " << i;
    }
    const CGFloat height = panel->canvas()->bounds().size.height;
    EXPECT_FALSE(inkNear(image, {120, height - 100}));

    // The ground is white, not transparent: nothing under the ink shows through.
    EXPECT_TRUE(isWhite(colourAt(image, {340, 20})));
    EXPECT_TRUE(isWhite(colourAt(image, {20, 120})));
    EXPECT_EQ(image->CGImage()->pixelAt(size_t(340 * image->scale()), 20) >> 24, 0xFFu);

    // On screen the stroke lies where the finger went, over the hatching.
    auto screen = renderWindow();
    EXPECT_TRUE(inkNear(screen, inWindow(kZigzag[3])));
    EXPECT_TRUE(inkNear(screen, inWindow(kZigzag[1])));
}

TEST_F(SignaturePadTest, SendIsEnabledOnlyOnceThereIsInk)
{
    struct Case {
        const char* what;
        std::vector<CGPoint> stroke;
        bool ink;
    } cases[] = {
        {"a tap draws nothing", {{100, 60}}, false},
        {"one movement is a wobble, not a line", {{100, 60}, {140, 70}}, false},
        {"two movements draw both segments", {{100, 60}, {140, 70}, {180, 60}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        showPanel();
        drawStroke(c.stroke);
        EXPECT_EQ(sendEnabled(), c.ink);
        auto image = panel->canvas()->drawnImage();
        EXPECT_EQ(image != nullptr, c.ink);
        if (image) {
            EXPECT_TRUE(inkNear(image, c.stroke[2]));
        }
    }
}

TEST_F(SignaturePadTest, RedrawClearsTheInkAndTheNextStrokeEnablesSendAgain)
{
    showPanel();
    drawStroke(kZigzag);
    ASSERT_TRUE(sendEnabled());

    ASSERT_TRUE(Automation::Driver::tap(panel->signAgainButton()));
    runFor(0.5);
    EXPECT_FALSE(sendEnabled());
    EXPECT_EQ(panel->canvas()->drawnImage(), nullptr);
    EXPECT_FALSE(inkNear(renderWindow(), inWindow(kZigzag[1])));

    drawStroke({{60, 60}, {150, 80}, {240, 60}});
    EXPECT_TRUE(sendEnabled());
    auto image = panel->canvas()->drawnImage();
    ASSERT_TRUE(image);
    EXPECT_TRUE(inkNear(image, {150, 80}));
    EXPECT_FALSE(inkNear(image, kZigzag[3]));
}

TEST_F(SignaturePadTest, JpegOfTheSignatureIsWhiteWhereThereIsNoInk)
{
    showPanel();
    drawStroke(kZigzag);
    auto jpeg = UIImageJPEGRepresentation(panel->canvas()->drawnImage(), 0.9);
    ASSERT_TRUE(jpeg);
    auto decoded = UIImage::imageWithData_scale(*jpeg, UIScreen::mainScreen()->scale());
    ASSERT_TRUE(decoded);
    writePicture("decoded-jpeg", decoded);

    EXPECT_TRUE(isWhite(colourAt(decoded, {340, 20})));
    EXPECT_TRUE(isWhite(colourAt(decoded, {20, 120})));
    EXPECT_TRUE(inkNear(decoded, kZigzag[1]));
    EXPECT_TRUE(inkNear(decoded, kZigzag[3]));
}

TEST_F(SignaturePadTest, TitleIsLeftAlignedOnlyOnScreensShorterThan568Points)
{
    const struct {
        CGFloat screenHeight;
        NSTextAlignment alignment;
    } cases[] = {{480, NSTextAlignmentLeft}, {567, NSTextAlignmentLeft}, {568, NSTextAlignmentCenter}, {667, NSTextAlignmentCenter}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screenHeight);
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, 320, c.screenHeight));
        auto fresh = std::make_shared<KVNSignatureViewController>();
        fresh->init();
        EXPECT_EQ(fresh->titleLabel()->textAlignment(), c.alignment);
    }
}

} // namespace
