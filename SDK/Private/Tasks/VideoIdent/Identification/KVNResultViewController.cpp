#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "StoreKit/SKStoreReviewController.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScrollView.h"
#include "models/KVNIdentification.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

#include <cstdio>

namespace {

// The review prompt came with system 10.3.
bool systemOffersStoreReview()
{
    int major = 0, minor = 0, patch = 0;
    std::sscanf(UIDevice::currentDevice()->systemVersion().c_str(), "%d.%d.%d", &major, &minor, &patch);
    if (major != 10)
        return major > 10;
    return minor >= 3;
}

} // namespace

KVNResultViewController::~KVNResultViewController()
{
    auto center = NSNotificationCenter::defaultCenter();
    center->removeObserver(m_willResignActiveObserver);
    center->removeObserver(m_didBecomeActiveObserver);
}

void KVNResultViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto weak = std::weak_ptr<KVNResultViewController>(std::static_pointer_cast<KVNResultViewController>(shared_from_this()));
    auto center = NSNotificationCenter::defaultCenter();
    m_willResignActiveObserver = center->addObserverForName_object_queue_usingBlock(
        UIApplicationWillResignActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNResultViewController& self, const NSNotification&) { self.applicationWillResignActive(); }));
    m_didBecomeActiveObserver = center->addObserverForName_object_queue_usingBlock(
        UIApplicationDidBecomeActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNResultViewController& self, const NSNotification&) { self.applicationDidBecomeActive(); }));

    // An app that restyles the screen does the whole set-up itself.
    if (auto* customization = dynamic_cast<KVNUICustomization*>(this)) {
        customization->onSetupComplete();
        return;
    }
    setupNavigationBar();
    setupContent();
}

std::shared_ptr<UIBarButtonItem> KVNResultViewController::makeBarButtonItem(
    const std::string& title, void (KVNResultViewController::*action)(const std::shared_ptr<UIBarButtonItem>&))
{
    auto weak = std::weak_ptr<KVNResultViewController>(std::static_pointer_cast<KVNResultViewController>(shared_from_this()));
    auto item = std::make_shared<UIBarButtonItem>();
    item->initWithTitle_style_target_action(title, UIBarButtonItemStyle::Plain, nullptr,
                                            kvn::bindToMainQueue(weak, [action](KVNResultViewController& self, const std::shared_ptr<UIBarButtonItem>& sender) {
                                                (self.*action)(sender);
                                            }));
    return item;
}

void KVNResultViewController::setupNavigationBar()
{
    auto item = navigationItem();
    KVNExtensions::setKavoniTitle(item, KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_RESULT"));
    item->setHidesBackButton(true);

    auto done = makeBarButtonItem("Item", &KVNResultViewController::doneBarButtonItemTapped);
    item->setRightBarButtonItem(done);
    if (m_success) {
        done->setTitle(KVNLocalizer::localizedStringForKey("RESULT_SUCCESS_DONE_BUTTON_TITLE"));
        return;
    }
    item->setLeftBarButtonItem(
        makeBarButtonItem(KVNLocalizer::localizedStringForKey("RESULT_RETRY_BUTTON_TITLE"), &KVNResultViewController::retryBarButtonItemTapped));
    done->setTitle(KVNLocalizer::localizedStringForKey("RESULT_FAILURE_DONE_BUTTON_TITLE"));
}

void KVNResultViewController::setupContent()
{
    auto identification = KVNIdentification::sharedIdentification();
    const bool photo = identification->identificationType() == KVNIdentificationTypePhoto;
    if (m_success) {
        const auto& serviceMessage = identification->successMessage();
        buildContent(true, KVNLocalizer::localizedStringForKey(photo ? "RESULT_SUCCESS_TITLE_PHOTO_IDENT" : "RESULT_SUCCESS_TITLE_VIDEO_IDENT"),
                     serviceMessage ? *serviceMessage
                                    : KVNLocalizer::localizedStringForKey(photo ? "RESULT_SUCCESS_MESSAGE_PHOTO_IDENT" : "RESULT_SUCCESS_MESSAGE_VIDEO_IDENT"),
                     true);
        KVNLogLocated(__FILE__, __LINE__, "the total time for the ident was: %i\n", identification->durationInSeconds());
        requestStoreReviewIfDue();
    } else {
        const auto& serviceMessage = identification->failureMessage();
        buildContent(false, KVNLocalizer::localizedStringForKey("RESULT_FAILURE_TITLE"),
                     serviceMessage ? *serviceMessage : KVNLocalizer::localizedStringForKey("RESULT_FAILURE_MESSAGE"), true);
    }
}

void KVNResultViewController::buildContent(bool success, const std::optional<std::string>& titleText,
                                           const std::optional<std::string>& messageText, bool withProcessNumber)
{
    auto self = view();
    auto appearance = KavoniAppearance::sharedAppearance();
    auto identification = KVNIdentification::sharedIdentification();
    self->setBackgroundColor(UIColor::whiteColor());

    auto background = std::make_shared<UIImageView>();
    background->initWithImage(KVNImageProvider::imageNamed(appearance->bgImageName()));
    background->setContentMode(UIViewContentModeScaleAspectFill);
    self->addSubview(background);
    Layout::ConstraintMaker::make(background, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(self);
        make.top().equalTo(topLayoutGuide()->bottomAnchor());
        make.bottom().equalTo(bottomLayoutGuide()->topAnchor());
    });

    m_scrollView = std::make_shared<UIScrollView>();
    m_scrollView->init();
    self->addSubview(m_scrollView);
    Layout::ConstraintMaker::make(m_scrollView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });

    auto container = std::make_shared<UIView>();
    container->init();
    m_scrollView->addSubview(container);
    Layout::ConstraintMaker::make(container, [&](Layout::ConstraintMaker& make) {
        make.top().left().right().equalTo(m_scrollView);
        make.bottom().equalTo(m_scrollView).priority(200);
        make.width().equalTo(self);
    });

    auto icon = std::make_shared<UIImageView>();
    icon->init();
    icon->setImage(KVNImageProvider::imageNamed(success ? appearance->resultSuccessImageName() : appearance->resultFailureImageName()));
    container->addSubview(icon);
    Layout::ConstraintMaker::make(icon, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(container).offset(33);
        make.centerX().equalTo(self);
    });

    auto makeLabel = [&](std::shared_ptr<UIFont> font) {
        auto label = std::make_shared<KVNLabel>();
        label->init();
        label->setFont(std::move(font));
        container->addSubview(label);
        return label;
    };

    auto title = makeLabel(KVNExtensions::regularFontOfSize(18));
    if (success)
        title->setSuccessStyle();
    else
        title->setFailureStyle();
    title->setText(titleText);
    Layout::ConstraintMaker::make(title, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(container).offset(20);
        make.right().equalTo(container).offset(-20);
        make.top().equalTo(icon->bottomAnchor()).offset(appearance->resultIconToTextVerticalSpacing());
    });

    std::shared_ptr<UIView> above = title;
    if (withProcessNumber) {
        auto caption = makeLabel(KVNExtensions::mediumFontOfSize(13));
        caption->setText(KVNLocalizer::localizedStringForKey("RESULT_TRANSACTION_ID"));
        Layout::ConstraintMaker::make(caption, [&](Layout::ConstraintMaker& make) {
            make.left().right().equalTo(title);
            make.top().equalTo(title->bottomAnchor()).offset(32);
        });

        m_processNumberLabel = makeLabel(KVNExtensions::regularFontOfSize(15));
        const auto& settings = identification->settings();
        m_processNumberLabel->setText(settings ? settings->transactionToken() : std::nullopt);
        Layout::ConstraintMaker::make(m_processNumberLabel, [&](Layout::ConstraintMaker& make) {
            make.left().right().equalTo(title);
            make.top().equalTo(caption->bottomAnchor()).offset(5);
        });
        above = m_processNumberLabel;
    }

    auto message = makeLabel(KVNExtensions::regularFontOfSize(16));
    message->setNumberOfLines(0);
    message->setText(messageText);
    Layout::ConstraintMaker::make(message, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(title);
        make.top().equalTo(above->bottomAnchor()).offset(20);
        make.bottom().equalTo(container).offset(-38);
    });
}

void KVNResultViewController::requestStoreReviewIfDue()
{
    auto identification = KVNIdentification::sharedIdentification();
    const auto& settings = identification->settings();
    if (!settings || !settings->activateAppRating())
        return;
    if (static_cast<int32_t>(identification->durationInSeconds()) > static_cast<int32_t>(settings->reviewTimeLimit()))
        return;
    if (!systemOffersStoreReview())
        return;
    SKStoreReviewController::requestReview();
}

void KVNResultViewController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    if (!m_scrollView)
        return;
    m_scrollView->setContentInset(UIEdgeInsetsMake(topLayoutGuide()->length(), 0, 0, 0));
    // The content's height is what its labels need; the scroll view scrolls over exactly that.
    if (auto container = m_scrollView->subviews().empty() ? nullptr : m_scrollView->subviews().front())
        m_scrollView->setContentSize(container->frame().size);
}

void KVNResultViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden_animated(false, animated);
    KVNExtensions::adjustStatusBarStyleAnimated(shared_from_this(), animated);
}

void KVNResultViewController::doneBarButtonItemTapped(const std::shared_ptr<UIBarButtonItem>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto controller = KavoniController::currentKavoniController();
    if (!controller) {
        // Nobody is left to tell: the identification was already reported.
        KVNLogLocated(__FILE__, __LINE__, "result screen: no running identification to report to");
        return;
    }
    controller->dismissIdentificationFromNavigationController(navigationController());
    if (m_success)
        controller->identificationSuccessfull();
    else
        controller->identificationFailedWithError(KavoniErrorPrivate::kavoniErrorWithCode(KavoniErrorCode::IdentificationNotSuccessful));
}

void KVNResultViewController::retryBarButtonItemTapped(const std::shared_ptr<UIBarButtonItem>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto stack = navigation->viewControllers();
    if (auto identification = stack.empty() ? nullptr : std::dynamic_pointer_cast<KVNIdentificationViewController>(stack.front()))
        identification->reset();
    navigation->popViewControllerAnimated(true);
}

void KVNResultViewController::applicationWillResignActive()
{
    if (!m_processNumberLabel)
        return;
    m_tempText = m_processNumberLabel->text();
    m_processNumberLabel->setText(std::string());
    m_holdsTextWhileInactive = true;
}

void KVNResultViewController::applicationDidBecomeActive()
{
    // Shown while the app was in the background (the agent finished meanwhile): nothing was
    // saved, and the process number must stay.
    if (!m_processNumberLabel || !m_holdsTextWhileInactive)
        return;
    m_holdsTextWhileInactive = false;
    m_processNumberLabel->setText(m_tempText);
    m_tempText.reset();
}
