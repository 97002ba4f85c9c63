#pragma once
// A stack of the script's screens, made from a stack layout
//   {"type": "stack", "title": "Home", "children": [screen layouts, bottom first]}
// Its title (the layout's, else its first screen's) names its tab when it is one.
// Main thread only.
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "UIKit/UINavigationController.h"

class ScreenStackController : public UINavigationController {
public:
    void initWithLayout_screens(const nlohmann::json& layout, const std::vector<std::shared_ptr<UIViewController>>& screens);
};
