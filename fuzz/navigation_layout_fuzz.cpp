// The script's layouts for the navigation add-on (setRoot and push), as the module hands them
// to the manager. Properties: a refused layout changes nothing on screen; an accepted one
// keeps to the tab and stack caps, and every controller made from it shares the layout's one
// global props object.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "ScriptRuntime/NavigationManager.h"
#include "ScriptRuntime/ScreenController.h"
#include "ScriptRuntime/ScreenTabController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"

namespace {

class WindowDelegate : public UIApplicationDelegate {
public:
    std::shared_ptr<UIWindow> window() const override { return m_window; }
    std::shared_ptr<UIWindow> m_window;
};

std::shared_ptr<UIWindow> window()
{
    static const auto delegate = [] {
        auto made = std::make_shared<WindowDelegate>();
        made->m_window = std::make_shared<UIWindow>();
        made->m_window->init();
        UIApplication::sharedApplication()->setDelegate(made);
        return made;
    }();
    return delegate->m_window;
}

void checkStack(const std::shared_ptr<UIViewController>& controller, const nlohmann::json*& props)
{
    auto stack = std::dynamic_pointer_cast<UINavigationController>(controller);
    const auto screens = stack ? stack->viewControllers() : std::vector<std::shared_ptr<UIViewController>> { controller };
    FUZZ_CHECK(screens.size() <= NavigationManager::kMaximumStackScreens);
    for (const auto& screen : screens) {
        auto made = std::dynamic_pointer_cast<ScreenController>(screen);
        FUZZ_CHECK(made);
        if (!props)
            props = &made->globalProps();
        FUZZ_CHECK(&made->globalProps() == props);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::useThisThreadAsMain();
    const auto shown = window();
    const auto layout = nlohmann::json::parse(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size, nullptr, false);
    if (layout.is_discarded())
        return 0;
    const auto manager = NavigationManager::sharedInstance();
    const auto before = shown->rootViewController();
    if (manager->setRootWithLayout(layout)) {
        FUZZ_CHECK(shown->rootViewController() == before);
    } else {
        const auto root = shown->rootViewController();
        FUZZ_CHECK(root);
        const nlohmann::json* props = nullptr;
        if (auto tabs = std::dynamic_pointer_cast<ScreenTabController>(root)) {
            FUZZ_CHECK(tabs->viewControllers().size() <= NavigationManager::kMaximumTabs);
            props = &tabs->globalProps();
            for (const auto& tab : tabs->viewControllers())
                checkStack(tab, props);
        } else {
            checkStack(root, props);
        }
    }
    // The same text pushed and popped: only a screen layout goes onto a stack.
    (void)manager->pushScreenWithLayout(layout);
    (void)manager->popScreen();
    return 0;
}
