#include <gtest/gtest.h>

#include <cmath>

#include "../Private/UIElements/Controls/ThemedUIKitTest.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "Foundation/JSONValue.h"
#include "Foundation/NSLocale.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIPickerView.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNCountrySelectionViewController.h"
#include "photo-ident/KVNPhotoCheckViewController.h"
#include "photo-ident/KVNPhotoHelpViewController.h"
#include "photo-ident/KVNPhotoViewController.h"
#include "photo-ident/KVNPhotoViewControllerDelegate.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"

namespace {

class PhotoIdentTest : public ThemedUIKitTest {
protected:
    void SetUp() override
    {
        ThemedUIKitTest::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        NSLocale::setPreferredLanguages({"en"});
        session = std::make_shared<KVNPhotoIdentification>();
        // Three countries in an order that is not the alphabet's.
        session->updateWithProcessStepsResponse(*JSONFromText<JSONValue>(R"({
            "identitydocument": {
                "alloweddocuments": [{"country": "DE", "documents": ["IDCARD", "PASSPORT"]},
                                     {"country": "AT", "documents": ["PASSPORT"]},
                                     {"country": "CH", "documents": ["IDCARD"]}],
                "images": ["IDFRONTSIDE", "IDBACKSIDE"]
            }
        })"));
        KVNIdentification::sharedIdentification()->setPhotoIdentification(session);
    }
    void TearDown() override
    {
        KVNIdentification::sharedIdentification()->setPhotoIdentification(nullptr);
        NSLocale::resetOverrides();
        bundle.reset();
        ThemedUIKitTest::TearDown();
    }

    std::shared_ptr<KVNCountrySelectionViewController> showCountryScreen()
    {
        auto screen = std::make_shared<KVNCountrySelectionViewController>();
        screen->init();
        auto navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(screen);
        window = showWindow(navigation);
        runFor(0.5);
        return screen;
    }

    static std::shared_ptr<UIImage> blankImage(CGSize size)
    {
        UIGraphicsBeginImageContextWithOptions(size, true, 1.0);
        auto image = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return image;
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KVNPhotoIdentification> session;
    std::shared_ptr<UIWindow> window;
};

class RecordingPhotoDelegate : public KVNPhotoViewControllerDelegate {
public:
    void photoViewController_didCreateImageForPhoto(const std::shared_ptr<KVNPhotoViewController>&,
                                                    const std::shared_ptr<KVNPhoto>&) override
    {
        ++created;
    }
    int created = 0;
};

std::vector<std::string> names(const std::vector<std::shared_ptr<KVNCountry>>& countries)
{
    std::vector<std::string> out;
    for (auto& country : countries)
        out.push_back(country->localeDisplayName());
    return out;
}

} // namespace

TEST_F(PhotoIdentTest, CountryPreselectedFromTheRegionAndSortedByName)
{
    NSLocale::setCurrentLocaleIdentifier("en_CH");
    auto screen = showCountryScreen();
    EXPECT_EQ(names(screen->sortedCountries()), (std::vector<std::string>{"Austria", "Germany", "Switzerland"}));
    ASSERT_TRUE(screen->selectedCountry());
    EXPECT_EQ(screen->selectedCountry()->locale(), "CH");
    EXPECT_EQ(session->selectedCountry(), screen->selectedCountry());
    EXPECT_EQ(screen->countryPicker()->selectedRowInComponent(0), 3);
    EXPECT_EQ(screen->countryLabel()->text(), std::optional<std::string>("Switzerland"));
    EXPECT_TRUE(screen->nextButton()->isEnabled());
    EXPECT_TRUE(screen->cancelButton()) << "the root of its stack offers a cancel";
}

TEST_F(PhotoIdentTest, ChoosingInThePickerSetsAndClearsTheSessionsCountry)
{
    NSLocale::setCurrentLocaleIdentifier("en_FR");
    auto screen = showCountryScreen();
    EXPECT_FALSE(screen->selectedCountry()) << "a region that is not offered selects the empty row";
    EXPECT_EQ(screen->countryPicker()->selectedRowInComponent(0), 0);
    EXPECT_FALSE(screen->nextButton()->isEnabled());

    auto tapped = Automation::Driver::tap(screen->countryLabel());
    ASSERT_TRUE(tapped) << tapped.message();
    runFor(0.5);
    auto germany = Automation::ViewFinder::viewWithText(window, "Germany");
    ASSERT_TRUE(germany);
    ASSERT_TRUE(Automation::Driver::tap(germany));
    runFor(0.5);
    ASSERT_TRUE(session->selectedCountry());
    EXPECT_EQ(session->selectedCountry()->locale(), "DE");
    EXPECT_TRUE(screen->nextButton()->isEnabled());
    kvn::test::writeWindowPicture("photo-ident", "country-picker", window);

    // The empty row above the countries stands for no country.
    auto picker = screen->countryPicker();
    auto rows = Automation::ViewFinder::visibleViews(window, [&](const UIView& view) {
        auto button = dynamic_cast<const UIButton*>(&view);
        auto text = Automation::ViewFinder::visibleText(view);
        return button && view.isDescendantOfView(picker) && (!text || text->empty());
    });
    ASSERT_FALSE(rows.empty());
    ASSERT_TRUE(Automation::Driver::tap(rows.front()));
    runFor(0.5);
    EXPECT_FALSE(session->selectedCountry());
    EXPECT_FALSE(screen->nextButton()->isEnabled());
    EXPECT_EQ(screen->countryLabel()->text(), KVNLocalizer::localizedStringForKey("COUNTRY_SELECTION_COMMENT"));

    ASSERT_TRUE(Automation::Driver::tap(Automation::ViewFinder::viewWithText(window, "Done")));
    runFor(0.5);
    EXPECT_TRUE(CGRectIsEmpty(Automation::ViewFinder::visibleRect(picker))) << "done hides the panel";
}

TEST_F(PhotoIdentTest, HelpPanelWithoutExamplePictureStaysFinite)
{
    // Neither the slot's own example nor the general one is in the bundle.
    bundle->removeImage("helpexample-0");
    bundle->activate();
    auto help = std::make_shared<KVNPhotoHelpViewController>();
    help->init();
    window = showWindow(help);
    auto slot = session->availableCountries().front()->documents().front()->photos().front();
    ASSERT_FALSE(slot->helpExampleImage()) << "the case needs a slot without any example picture";
    help->updateContentForPhoto(slot);
    runFor(0.5);
    CGRect frame = help->imageView()->frame();
    EXPECT_TRUE(std::isfinite(frame.size.height));
    EXPECT_EQ(frame.size.height, 0) << "no picture takes no room";
    EXPECT_TRUE(std::isfinite(help->collapsedHeightForWidth(320)));
    EXPECT_TRUE(std::isfinite(help->view()->frame().size.height));
}

TEST_F(PhotoIdentTest, ThumbnailSquareIsCentredOnTheMaskAndCutAtTheEdge)
{
    struct Case {
        const char* reason;
        CGRect mask;
        CGSize expected;
    };
    // The image is twice the view's width, so points double.
    const Case cases[] = {
        {"wide mask: side = width + 40", CGRectMake(50, 100, 200, 100), CGSizeMake(480, 480)},
        {"tall mask: side = height + 40", CGRectMake(100, 100, 100, 160), CGSizeMake(400, 400)},
        {"past the top edge: cut there", CGRectMake(60, 0, 200, 100), CGSizeMake(480, 340)},
    };
    auto image = blankImage(CGSizeMake(640, 1000));
    for (const auto& c : cases) {
        KVNPhotoViewController::CropGeometry geometry;
        geometry.maskFrame = c.mask;
        geometry.viewWidth = 320;
        auto cut = KVNPhotoViewController::croppedImageBasedOnMaskForImage(image, geometry);
        ASSERT_TRUE(cut) << c.reason;
        EXPECT_EQ(cut->size().width, c.expected.width) << c.reason;
        EXPECT_EQ(cut->size().height, c.expected.height) << c.reason;
    }
}

TEST_F(PhotoIdentTest, CropWithoutAViewWidthGivesNothing)
{
    KVNPhotoViewController::CropGeometry geometry;
    geometry.maskFrame = CGRectMake(0, 0, 10, 10);
    EXPECT_FALSE(KVNPhotoViewController::croppedImageBasedOnMaskForImage(blankImage(CGSizeMake(10, 10)), geometry));
}

TEST_F(PhotoIdentTest, AFailedCaptureLeavesTheSlotEmptyAndTheCameraReady)
{
    using Fault = AVCaptureStillImageOutput::CaptureFault;
    struct Case {
        const char* reason;
        bool hasCamera;
        std::optional<Fault> fault;
        bool saysSo;
    };
    const Case cases[] = {
        {"no camera: no review to save, an alert instead", false, std::nullopt, true},
        {"the camera reports an error", true, Fault::Error, false},
        {"the picture is no JPEG", true, Fault::DamagedData, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.hasCamera)
            AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{AVCaptureDevice::Description::backCamera(),
                                                                                            AVCaptureDevice::Description::frontCamera()});
        else
            AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description>{});
        auto slot = session->availableCountries().front()->documents().front()->photos().front();
        auto recorder = std::make_shared<RecordingPhotoDelegate>();
        auto camera = std::make_shared<KVNPhotoViewController>();
        camera->init();
        camera->setPhoto(slot);
        camera->setDelegate(recorder);
        auto navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(camera);
        window = showWindow(navigation);
        runFor(0.5);
        if (c.fault)
            camera->imageOutput()->failNextCapturesForTesting(1, *c.fault);

        ASSERT_TRUE(Automation::Driver::tap(
            Automation::ViewFinder::viewWithText(window, KVNLocalizer::localizedStringForKey("PHOTO_TAKE_PICTURE_BUTTON_TITLE"))));
        runFor(1.0);
        ASSERT_TRUE(camera->helpCollapsed());
        ASSERT_TRUE(Automation::Driver::tap(camera->takePhotoButton()));
        auto alert = [&] { return std::dynamic_pointer_cast<UIAlertController>(camera->presentedViewController()); };
        ASSERT_TRUE(loop->spin_until(
            [&] {
                runFor(0.05);
                return alert() ||
                    (camera->takePhotoButton()->isEnabled() && (!c.hasCamera || camera->imageOutput()->captureCountForTesting() > 0));
            },
            30.0));
        runFor(0.5);
        EXPECT_EQ(alert() != nullptr, c.saysSo);
        EXPECT_TRUE(camera->takePhotoButton()->isEnabled()) << "the user may try again";
        EXPECT_LT(camera->checkViewController()->view()->alpha(), 0.01) << "no review of a photo that was not taken";
        EXPECT_FALSE(slot->image());
        EXPECT_FALSE(slot->thumbnail());
        EXPECT_EQ(recorder->created, 0);
        window.reset();
        runFor(0.5);
    }
    AVCaptureDevice::setDevicesForTesting(std::nullopt);
}
