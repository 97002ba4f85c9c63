#include "ScriptRuntime/ScreenStackController.h"

void ScreenStackController::initWithLayout_screens(const nlohmann::json& layout, const std::vector<std::shared_ptr<UIViewController>>& screens)
{
    init();
    setViewControllers(screens);
    if (layout.is_object() && layout.contains("title") && layout["title"].is_string())
        setTitle(layout["title"].get<std::string>());
    else if (!screens.empty())
        setTitle(screens.front()->title());
}
