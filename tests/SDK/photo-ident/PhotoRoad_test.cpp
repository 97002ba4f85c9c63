// The photo identification as the user meets it against the simulated service: the country and
// the document from the service's photo configuration, each photo taken from the synthetic
// camera and reviewed, the upload with its progress (one failed upload retried), and the
// result; also the cancel from the first screen. Every screen is drawn to a PNG under the
// build tree.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "../Private/UIElements/Controls/ThemedUIKitTest.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "CoreGraphics/CGImage.h"
#include "Foundation/NSLocale.h"
#include "Network/SCNetworkReachability.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/UIElements/KVNProgressView.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIWindow.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNCountrySelectionViewController.h"
#include "photo-ident/KVNDocumentSelectionViewController.h"
#include "photo-ident/KVNPhotoCheckViewController.h"
#include "photo-ident/KVNPhotoViewController.h"
#include "photo-ident/KVNTodoViewController.h"
#include "photo-ident/KVNUploadProgressViewController.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"
#include "support/ColorNear.h"
#include "support/KvnTestBundle.h"
#include "support/SessionTestSupport.h"
#include "support/SimFixture.h"
#include "support/TestPicture.h"

namespace {

constexpr double kNetworkBound = 30.0;
const std::string kUploadPath = ".*/identifications/DEVPHOTO0001/uploadScreenshot/.*";

std::string L(const char* key) { return KVNLocalizer::localizedStringForKey(key); }

struct Outcome {
    bool reported = false;
    bool success = false;
    bool canceled = false;
};

class PhotoRoadTest : public SimFixture<ThemedUIKitTest> {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        bundle = std::make_unique<KvnTestBundle>();
        // A mask that is only an outline, as wide as an ID card is to its height.
        bundle->addImage("kvn-mask-id-1", 856, 540, 0xFFFFFF30);
        bundle->addImage("kvn-icon-takephoto", 40, 40, 0x888888FF);
        bundle->addImage("kvn-bg", 375, 667, 0xEAF2FAFF);
        NSLocale::setPreferredLanguages({"en"});
        NSLocale::setCurrentLocaleIdentifier("de_DE");
        bundle->activate();
        kvn::test::useDeviceWithBothCameras();
        AVCaptureDevice::setUserAnswerForTesting(AVMediaTypeVideo, true);
    }

    void TearDown() override
    {
        if (auto current = KavoniController::currentKavoniController())
            current->identificationCanceledByUser();
        KVNRequestManager::sharedManager()->cancelTasks();
        runFor(1.0);
        window.reset();
        kvn::test::resetDeviceAndSession();
        bundle.reset();
        NSLocale::resetOverrides();
        SimFixture::TearDown();
    }

    // Initialises against the sim with the photo configuration and starts the identification
    // from a host screen in a phone-sized window: the country screen comes up in a stack of its own.
    std::shared_ptr<KVNCountrySelectionViewController> openCountryScreen()
    {
        settings = KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank-photo", "DEVPHOTO0001");
        settings->setEnvironment(8);
        settings->setApiHost(sim->baseURL());
        settings->setVideoHost(sim->baseURL());
        settings->setStunHost("127.0.0.1");
        controller = std::make_shared<KavoniController>();
        controller->initWithSettings(settings);
        Outcome init;
        controller->initializeWithCompletionBlock([&init](bool ok, const std::shared_ptr<NSError>&, bool) {
            init.reported = true;
            init.success = ok;
        });
        loop->spin_until([&] { return init.reported; }, kNetworkBound);
        EXPECT_TRUE(init.success) << "the initialisation against the sim";

        host = std::make_shared<UIViewController>();
        host->init();
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        controller->startIdentificationFromViewController_withCompletionBlock(
            host, [this](bool ok, const std::shared_ptr<NSError>&, bool canceled) {
                outcome.reported = true;
                outcome.success = ok;
                outcome.canceled = canceled;
            });
        runFor(1.0);
        window->layoutIfNeeded();
        navigation = std::dynamic_pointer_cast<UINavigationController>(host->presentedViewController());
        return navigation ? std::dynamic_pointer_cast<KVNCountrySelectionViewController>(navigation->topViewController()) : nullptr;
    }

    // Waits for the network or another queue, moving the manual clock along in small steps so
    // that animations and delays on the way (an alert's dismissal) also complete.
    bool waitUntil(const std::function<bool()>& condition)
    {
        return loop->spin_until(
            [&] {
                runFor(0.05);
                return condition();
            },
            kNetworkBound);
    }

    template <class Screen>
    std::shared_ptr<Screen> top() const
    {
        return navigation ? std::dynamic_pointer_cast<Screen>(navigation->topViewController()) : nullptr;
    }

    // Taps the front-most visible view that shows the text, as a person would.
    void tapText(const std::string& text)
    {
        auto view = Automation::ViewFinder::viewWithText(window, text);
        ASSERT_TRUE(view) << "\"" << text << "\" is not on screen:\n" << Automation::ViewTreeDump::textOf(window);
        auto tapped = Automation::Driver::tap(view);
        ASSERT_TRUE(tapped) << tapped.message();
        runFor(1.0);
    }

    // Two taps in quick succession on the same place, as an impatient person's double tap: no
    // time passes between them. The second may land on whatever the first brought up.
    void doubleTapText(const std::string& text)
    {
        auto view = Automation::ViewFinder::viewWithText(window, text);
        ASSERT_TRUE(view) << "\"" << text << "\" is not on screen:\n" << Automation::ViewTreeDump::textOf(window);
        auto tapped = Automation::Driver::tap(view);
        ASSERT_TRUE(tapped) << tapped.message();
        (void)Automation::Driver::tap(view);
        runFor(1.0);
    }

    size_t stackDepth() const { return navigation ? navigation->viewControllers().size() : 0; }

    void writePicture(const std::string& name) const
    {
        window->layoutIfNeeded();
        kvn::test::writeWindowPicture("photo-ident", name, window);
    }

    // Collapses the help, takes the photo and waits until the review shows it.
    void takePhoto(const std::shared_ptr<KVNPhotoViewController>& camera, const std::string& picture)
    {
        ASSERT_FALSE(camera->helpCollapsed()) << "an empty slot opens with the help over the camera";
        writePicture(picture + "-help");
        // The help's own take-photo button folds the help away; the camera's then takes the photo.
        tapText(L("PHOTO_TAKE_PICTURE_BUTTON_TITLE"));
        ASSERT_TRUE(camera->helpCollapsed());
        writePicture(picture + "-camera");
        tapText(L("PHOTO_TAKE_PICTURE_BUTTON_TITLE"));
        ASSERT_TRUE(loop->spin_until([&] { return camera->photo()->thumbnail() && camera->checkViewController()->view()->alpha() > 0.99; },
                                     kNetworkBound));
        runFor(0.5);
        writePicture(picture + "-review");
    }

    std::unique_ptr<KvnTestBundle> bundle;
    std::shared_ptr<KavoniSettings> settings;
    std::shared_ptr<KavoniController> controller;
    std::shared_ptr<UIViewController> host;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UINavigationController> navigation;
    Outcome outcome;
};

// The photo the camera screen keeps is what the preview showed: the camera's upright 3:4 picture
// cut at its sides to the screen's shape, so the card's photo box stands where the fixture drew it.
// The front camera's photo is mirrored like its preview.
void expectCropOfTheCard(const std::shared_ptr<UIImage>& image, CGSize viewSize, AVCaptureDevicePosition position)
{
    ASSERT_TRUE(image);
    const CGFloat width = image->size().width, height = image->size().height;
    EXPECT_NEAR(width / height, viewSize.width / viewSize.height, 0.01) << "the preview's shape, not the camera's";
    const CGFloat fullWidth = height * 3.0 / 4.0;
    const CGFloat cut = (fullWidth - width) / 2;
    auto at = [&](CGFloat ux, CGFloat uy) {
        if (position == AVCaptureDevicePositionFront)
            ux = 1 - ux;
        return image->CGImage()->pixelAt(static_cast<size_t>(ux * fullWidth - cut), static_cast<size_t>(uy * height));
    };
    const CGRect box = kvn::SyntheticCameraPicture::photoBoxRect();
    EXPECT_TRUE(kvn::test::colorNear(at(CGRectGetMidX(box), CGRectGetMidY(box)), kvn::SyntheticCameraPicture::photoBoxColor));
    const CGRect card = kvn::SyntheticCameraPicture::cardRect();
    EXPECT_TRUE(kvn::test::colorNear(at(0.5, CGRectGetMinY(card) / 2), kvn::SyntheticCameraPicture::deskColor(position)))
        << "above the card lies the desk";
}

} // namespace

TEST_F(PhotoRoadTest, PhotographsEachSlotUploadsWithARetryAndEndsInSuccess)
{
    auto country = openCountryScreen();
    ASSERT_TRUE(country);
    ASSERT_TRUE(country->selectedCountry()) << "the device's region is offered";
    EXPECT_EQ(country->selectedCountry()->locale(), "DE");
    writePicture("01-country");
    tapText(L("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"));

    ASSERT_TRUE(top<KVNDocumentSelectionViewController>());
    writePicture("02-document");
    tapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    ASSERT_TRUE(loop->spin_until([&] { return top<KVNTodoViewController>() != nullptr; }, kNetworkBound));
    runFor(1.0);
    auto starts = sim->requests();
    const auto& start = starts.back();
    EXPECT_EQ(start["path"], "/api/v1/vellumbank/identifications/DEVPHOTO0001/start");
    EXPECT_EQ(start["json"]["data"]["idType"], "IDCARD");
    EXPECT_EQ(start["json"]["data"]["idCountry"], "DE");
    writePicture("03-todo");

    auto document = KVNIdentification::sharedIdentification()->photoIdentification()->selectedDocument();
    ASSERT_TRUE(document);
    ASSERT_FALSE(document->photos().empty());
    int index = 0;
    for (const auto& slot : document->photos()) {
        SCOPED_TRACE(slot->localizedTitle());
        tapText(slot->localizedTitle());
        // The camera permission's answer may come on another queue.
        ASSERT_TRUE(loop->spin_until([&] { return top<KVNPhotoViewController>() != nullptr; }, kNetworkBound));
        runFor(1.0);
        auto camera = top<KVNPhotoViewController>();
        const auto picture = "04-slot" + std::to_string(++index);
        takePhoto(camera, picture);
        expectCropOfTheCard(slot->image(), camera->view()->bounds().size, slot->captureDevicePosition());
        ASSERT_TRUE(slot->thumbnail());
        const CGFloat scale = UIScreen::mainScreen()->scale();
        EXPECT_NEAR(std::min(slot->thumbnail()->size().width, slot->thumbnail()->size().height) * slot->thumbnail()->scale(), 70 * scale, 1)
            << "the thumbnail's shorter side is 70 points";
        tapText(L("SAVE"));
        EXPECT_TRUE(top<KVNTodoViewController>()) << "saving goes back to the list";
    }
    writePicture("05-todo-ready");

    // The first upload fails on the service's side; retrying sends every photo from the first.
    sim->setAnswer("POST", kUploadPath, 500, "{}", 1);
    tapText(L("PHOTO_TODO_TRANSFER_BUTTON_TITLE"));
    auto upload = top<KVNUploadProgressViewController>();
    ASSERT_TRUE(upload);
    std::shared_ptr<UIAlertController> alert;
    ASSERT_TRUE(loop->spin_until(
        [&] { return (alert = std::dynamic_pointer_cast<UIAlertController>(upload->presentedViewController())) != nullptr; },
        kNetworkBound));
    runFor(0.5);
    writePicture("06-upload-failed");
    EXPECT_EQ(alert->message(), L("PHOTO_UPLOAD_FAILED_ALERT_MESSAGE"));
    EXPECT_EQ(upload->uploadedPhotosCount(), 0);
    tapText(L("RETRY"));
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& request : sim->requests())
            if (request["path"].get<std::string>().ends_with("/requestVideoChat"))
                return request["status"] == 200;
        return false;
    }));
    EXPECT_EQ(upload->uploadedPhotosCount(), static_cast<long>(document->photos().size()));
    EXPECT_FLOAT_EQ(upload->progressView()->progress(), 1.0f);
    runFor(0.5); // the bar's animation
    writePicture("07-upload-done");
    std::vector<std::string> uploads;
    for (const auto& request : sim->requests())
        if (request["path"].get<std::string>().find("/uploadScreenshot/") != std::string::npos)
            uploads.push_back(request["path"].get<std::string>().substr(request["path"].get<std::string>().rfind('/') + 1) + " " +
                              std::to_string(request["status"].get<int>()));
    std::vector<std::string> expected{document->photos().front()->photoName() + " 500"};
    for (const auto& slot : document->photos())
        expected.push_back(slot->photoName() + " 200");
    EXPECT_EQ(uploads, expected);

    // One second after the completion call the result shows; its Done ends the identification.
    runFor(0.2);
    EXPECT_FALSE(top<KVNResultViewController>()) << "not before a second has passed";
    runFor(1.0);
    ASSERT_TRUE(top<KVNResultViewController>());
    writePicture("08-result");
    EXPECT_FALSE(outcome.reported);
    auto done = Automation::ViewFinder::viewWithAccessibilityLabel(window, L("RESULT_SUCCESS_DONE_BUTTON_TITLE"));
    ASSERT_TRUE(done) << Automation::ViewTreeDump::textOf(window);
    ASSERT_TRUE(Automation::Driver::tap(done));
    runFor(1.0);
    EXPECT_TRUE(outcome.reported);
    EXPECT_TRUE(outcome.success);
    EXPECT_FALSE(outcome.canceled);
}

TEST_F(PhotoRoadTest, CancelOnTheFirstScreenReportsACancelOnce)
{
    auto country = openCountryScreen();
    ASSERT_TRUE(country);
    ASSERT_TRUE(country->cancelButton()) << "the root of its own stack offers a cancel";
    auto cancel = Automation::ViewFinder::viewWithAccessibilityLabel(window, "Cancel");
    ASSERT_TRUE(cancel) << Automation::ViewTreeDump::textOf(window);
    ASSERT_TRUE(Automation::Driver::tap(cancel));
    runFor(1.0);
    EXPECT_TRUE(outcome.reported);
    EXPECT_TRUE(outcome.canceled);
    EXPECT_FALSE(outcome.success);
    EXPECT_FALSE(host->presentedViewController()) << "the identification's screens are gone";
    EXPECT_FALSE(KavoniController::currentKavoniController());
}

TEST_F(PhotoRoadTest, ADocumentWithoutPhotosGoesStraightToTheCompletionCall)
{
    // The service asks for no photo of the document at all.
    sim->setAnswer("GET", "/api/v1/vellumbank-photo", 200, R"({
        "shortname": "vellumbank", "officeOpen": true, "officeHours": [],
        "settings": {"processtype": "PHOTO", "processsteps": {"identitydocument": {
            "alloweddocuments": [{"country": "DE", "documents": ["IDCARD"]}], "images": []}}}
    })");
    ASSERT_TRUE(openCountryScreen());
    tapText(L("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"));
    tapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    ASSERT_TRUE(waitUntil([&] { return top<KVNTodoViewController>() != nullptr; }));
    runFor(1.0);
    tapText(L("PHOTO_TODO_TRANSFER_BUTTON_TITLE"));
    // With nothing to send the completion call may answer, and the result follow, within the tap's own second.
    std::shared_ptr<KVNUploadProgressViewController> upload;
    for (const auto& screen : navigation->viewControllers())
        if (auto found = std::dynamic_pointer_cast<KVNUploadProgressViewController>(screen))
            upload = found;
    ASSERT_TRUE(upload);
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& request : sim->requests())
            if (request["path"].get<std::string>().ends_with("/requestVideoChat"))
                return request["status"] == 200;
        return false;
    }));
    for (const auto& request : sim->requests())
        EXPECT_EQ(request["path"].get<std::string>().find("/uploadScreenshot/"), std::string::npos) << "nothing to upload";
    EXPECT_FLOAT_EQ(upload->progressView()->progress(), 1.0f);
    runFor(1.5);
    EXPECT_TRUE(top<KVNResultViewController>());
}

TEST_F(PhotoRoadTest, ADoubleTapPushesOrSendsOnce)
{
    ASSERT_TRUE(openCountryScreen());
    ASSERT_EQ(stackDepth(), 1u);
    doubleTapText(L("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"));
    ASSERT_TRUE(top<KVNDocumentSelectionViewController>());
    EXPECT_EQ(stackDepth(), 2u) << "one document screen";

    doubleTapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    ASSERT_TRUE(loop->spin_until([&] { return top<KVNTodoViewController>() != nullptr; }, kNetworkBound));
    runFor(1.0);
    EXPECT_EQ(stackDepth(), 3u) << "one photo list";
    size_t starts = 0;
    for (const auto& request : sim->requests())
        if (request["path"].get<std::string>().ends_with("/start"))
            ++starts;
    EXPECT_EQ(starts, 1u) << "the identification is started once";

    auto document = KVNIdentification::sharedIdentification()->photoIdentification()->selectedDocument();
    ASSERT_TRUE(document && !document->photos().empty());
    const auto slot = document->photos().front();
    doubleTapText(slot->localizedTitle());
    ASSERT_TRUE(loop->spin_until([&] { return top<KVNPhotoViewController>() != nullptr; }, kNetworkBound));
    runFor(1.0);
    EXPECT_EQ(stackDepth(), 4u) << "one camera for the slot: each granted answer must not push one";
}

TEST_F(PhotoRoadTest, ADeniedCameraExplainsItselfAndOpensNothing)
{
    ASSERT_TRUE(openCountryScreen());
    tapText(L("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"));
    tapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    ASSERT_TRUE(loop->spin_until([&] { return top<KVNTodoViewController>() != nullptr; }, kNetworkBound));
    runFor(1.0);
    const auto depth = stackDepth();
    AVCaptureDevice::setUserAnswerForTesting(AVMediaTypeVideo, false);

    auto document = KVNIdentification::sharedIdentification()->photoIdentification()->selectedDocument();
    ASSERT_TRUE(document && !document->photos().empty());
    tapText(document->photos().front()->localizedTitle());
    std::shared_ptr<UIAlertController> alert;
    ASSERT_TRUE(waitUntil([&] {
        return (alert = std::dynamic_pointer_cast<UIAlertController>(navigation->presentedViewController())) != nullptr;
    }));
    runFor(1.0); // the alert's appearance
    EXPECT_EQ(alert->title(), L("CAMERA_ACCESS_DENIED_ALERT_TITLE"));
    std::vector<std::string> buttons;
    for (const auto& action : alert->actions())
        buttons.push_back(action->title().value_or(""));
    EXPECT_EQ(buttons, (std::vector<std::string>{L("OK"), L("SETTINGS")})) << "a way to the settings";
    EXPECT_EQ(stackDepth(), depth) << "no camera without permission";
    tapText(L("OK"));
    EXPECT_FALSE(navigation->presentedViewController());
    EXPECT_TRUE(top<KVNTodoViewController>());
}

TEST_F(PhotoRoadTest, AServiceDownAtTheStartIsToldAndTheDocumentMayBeChosenAgain)
{
    ASSERT_TRUE(openCountryScreen());
    tapText(L("COUNTRY_SELECTION_NEXT_BUTTON_TITLE"));
    ASSERT_TRUE(top<KVNDocumentSelectionViewController>());
    sim->setAnswer("POST", ".*/identifications/DEVPHOTO0001/start", 503, "{}", 1);
    tapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    std::shared_ptr<UIAlertController> alert;
    ASSERT_TRUE(waitUntil([&] {
        return (alert = std::dynamic_pointer_cast<UIAlertController>(navigation->presentedViewController())) != nullptr;
    }));
    runFor(1.0); // the alert's appearance
    EXPECT_EQ(alert->message(), L("KAVONI_ERROR_DESCRIPTION_1009_503"));
    EXPECT_TRUE(top<KVNDocumentSelectionViewController>()) << "no photo list without a start";
    ASSERT_FALSE(alert->actions().empty());
    tapText(alert->actions().front()->title().value_or(""));
    EXPECT_FALSE(navigation->presentedViewController());

    // The service is back: the same choice starts the identification.
    tapText(L("PHOTO_DOCUMENT_IDCARD_TITLE"));
    ASSERT_TRUE(loop->spin_until([&] { return top<KVNTodoViewController>() != nullptr; }, kNetworkBound));
}
