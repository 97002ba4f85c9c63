#include "NavigationPatches.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <map>

#include "Foundation/NSBundle.h"
#include "Foundation/NSLog.h"
#include "ScriptRuntime/ScreenController.h"
#include "ScriptRuntime/ScreenTabController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UINib.h"
#include "UIKit/UITapGestureRecognizer.h"

namespace {

constexpr double kOverlaySize = 60;
constexpr double kOverlayRise = 24;
// Beyond the bar's own height, so that the overlay button standing above it goes too.
constexpr double kHiddenTabBarExtraOffset = 90;

struct PatchState {
    std::shared_ptr<ScreenController> rootBackgroundController;
    std::shared_ptr<UIView> overlayView;
    // Each tab controller keeps the index its own layout gave: a shared one would let an older
    // button select a newer controller's tab, perhaps one the older controller does not have.
    std::map<std::weak_ptr<const ScreenTabController>, long, std::owner_less<>> overlayTabIndexes;
};

PatchState& state()
{
    static PatchState patches;
    return patches;
}

std::shared_ptr<ScreenController> controllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps)
{
    auto controller = ScreenController::makeControllerWithLayout(layout, globalProps);
    if (controller->layoutStyleText("rootBackgroundImageName"))
        state().rootBackgroundController = controller;
    return controller;
}

void swapRootBackground(const std::string& imageName)
{
    auto root = state().rootBackgroundController;
    if (!root)
        return;
    auto view = root->view();
    if (view->subviews().empty())
        return;
    auto current = std::dynamic_pointer_cast<UIImageView>(view->subviews().front());
    if (!current)
        return;
    auto image = UIImage::imageNamed(imageName);
    if (!image)
        NSLog("NavigationPatches: no image \"%@\" for the root background", imageName);
    auto replacement = std::make_shared<UIImageView>();
    replacement->initWithImage(image);
    replacement->setContentMode(current->contentMode());
    replacement->setFrame(current->frame());
    current->removeFromSuperview();
    view->insertSubview_atIndex(replacement, 0);
}

void applyStyle(ScreenController& screen, bool)
{
    screen.applyBackgroundStyle();
    if (auto imageName = screen.styleText("rootBackgroundImageName"))
        swapRootBackground(*imageName);

    screen.setPreferredStatusBarStyle(UIStatusBarStyle::LightContent);
    UIApplication::sharedApplication()->setStatusBarStyle(UIStatusBarStyle::LightContent);

    if (auto tabs = screen.tabBarController()) {
        auto bar = tabs->tabBar();
        if (screen.styleFlag("tabBarHidden"))
            bar->setTransform(CGAffineTransformMakeTranslation(0, bar->bounds().size.height + kHiddenTabBarExtraOffset));
        else
            bar->setTransform(CGAffineTransformIdentity);
    }

    screen.applyNavigationBarStyle();
    screen.applyStatusBarStyle();
}

std::string describe(const std::exception& exception)
{
    if (dynamic_cast<const UINibLoadingException*>(&exception))
        return std::string(UINibLoadingException::kName) + ": " + exception.what();
    return exception.what();
}

// A script writes the index as it likes: 2, 2.0 from a number conversion, or "2" from a
// settings text. Each means the third tab; anything that is not a whole number is refused.
long tabIndexFrom(const nlohmann::json& value)
{
    if (value.is_number_integer())
        return value.get<long>();
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) <= 1e9)
            return static_cast<long>(number);
    }
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        const auto first = text.find_first_not_of(" \t");
        const auto last = text.find_last_not_of(" \t");
        long index = 0;
        if (first != std::string::npos) {
            const char* begin = text.data() + first;
            const char* end = text.data() + last + 1;
            auto [stop, error] = std::from_chars(*begin == '+' ? begin + 1 : begin, end, index);
            if (error == std::errc() && stop == end)
                return index;
        }
    }
    throw std::invalid_argument("the overlay's \"overlayTabIndex\" is not a whole number");
}

void addOverlay(ScreenTabController& controller, const nlohmann::json& overlay)
{
    std::string viewName = "OverlayButton";
    if (overlay.contains("view")) {
        if (!overlay["view"].is_string())
            throw std::invalid_argument("the overlay's \"view\" is not the name of an interface file");
        viewName = overlay["view"].get<std::string>();
    }
    auto objects = UINib::loadNibNamed_inBundle(viewName, NSBundle::mainBundle());
    if (objects.empty())
        throw UINibLoadingException("the interface file \"" + viewName + "\" has no top-level view");
    auto overlayView = objects.front();
    NavigationPatches::setOverlayView(overlayView);

    auto bar = controller.tabBar();
    const auto barFrame = bar->frame();
    overlayView->setFrame(CGRectMake(barFrame.origin.x + barFrame.size.width / 2 - kOverlaySize / 2, -kOverlayRise, kOverlaySize, kOverlaySize));
    overlayView->setBackgroundColor(UIColor::clearColor());

    if (overlay.contains("overlayTabIndex")) {
        auto self = std::static_pointer_cast<const ScreenTabController>(controller.shared_from_this());
        state().overlayTabIndexes[self] = tabIndexFrom(overlay["overlayTabIndex"]);
    }

    auto recognizer = std::make_shared<UITapGestureRecognizer>();
    auto target = std::static_pointer_cast<ScreenTabController>(controller.shared_from_this());
    std::weak_ptr<ScreenTabController> weakTarget = target;
    recognizer->initWithTarget_action(target, [weakTarget](const std::shared_ptr<UIGestureRecognizer>&) {
        if (auto tabs = weakTarget.lock())
            NavigationPatches::overlayTouch(*tabs);
    });
    overlayView->addGestureRecognizer(recognizer);

    overlayView->layoutIfNeeded();
    bar->addSubview(overlayView);
    bar->bringSubviewToFront(overlayView);
}

void initTabController(ScreenTabController& controller, const nlohmann::json& props, const ScreenTabController::Children& children,
                       const nlohmann::json& globalProps, const std::shared_ptr<ScriptBridge>& bridge)
{
    controller.storeProps_globalProps_bridge(props, globalProps, bridge);
    auto tabs = controller.prepareTabViewControllers(children);
    const auto style = controller.style();
    if (style.contains("overlay")) {
        try {
            if (!style["overlay"].is_object())
                throw std::invalid_argument("the style's \"overlay\" is not an object");
            addOverlay(controller, style["overlay"]);
        } catch (const std::exception& exception) {
            NSLog("OVERLAY INIT Exception: %@", describe(exception));
        }
        NSLog("finally");
    }
    controller.finishInitWithTabViewControllers(tabs);
}

[[maybe_unused]] const bool kInstalled = [] {
    NavigationPatches::install();
    return true;
}();

} // namespace

void NavigationPatches::install()
{
    ScreenController::setLayoutOperation(controllerWithLayout);
    ScreenController::setStyleOperation(applyStyle);
    ScreenTabController::setInitOperation(initTabController);
}

std::shared_ptr<ScreenController> NavigationPatches::rootBackgroundController()
{
    return state().rootBackgroundController;
}

std::shared_ptr<UIView> NavigationPatches::overlayView()
{
    return state().overlayView;
}

void NavigationPatches::setOverlayView(const std::shared_ptr<UIView>& view)
{
    state().overlayView = view;
}

long NavigationPatches::overlayTabIndexOf(const ScreenTabController& controller)
{
    auto& indexes = state().overlayTabIndexes;
    std::erase_if(indexes, [](const auto& entry) { return entry.first.expired(); });
    auto self = std::static_pointer_cast<const ScreenTabController>(controller.shared_from_this());
    auto it = indexes.find(self);
    return it == indexes.end() ? 0 : it->second;
}

void NavigationPatches::overlayTouch(ScreenTabController& controller)
{
    controller.setSelectedIndex(overlayTabIndexOf(controller));
}
