#pragma once
// The whole presentation state below a screen, as one line a test can compare: the chain of
// presented screens from `root` upwards, joined by " > ", each navigation controller followed
// by its stack in brackets, bottom first. Screens are named through `names`; a navigation
// controller without a name reads "Nav", any other unnamed screen "?". For example
//   "Nav[host check] > Nav[ident]"
// is a host's navigation controller with the check screen pushed, presenting a navigation
// controller with the ident screen. Header only (it needs the UIKit layer, which not every
// test links). Main thread only.
#include <map>
#include <memory>
#include <string>

#include "UIKit/UINavigationController.h"
#include "UIKit/UIViewController.h"

using PresentationNames = std::map<const UIViewController*, std::string>;

inline std::string describePresentation(const std::shared_ptr<UIViewController>& root, const PresentationNames& names = {})
{
    auto nameOf = [&](const std::shared_ptr<UIViewController>& controller, const char* fallback) {
        auto it = names.find(controller.get());
        return it != names.end() ? it->second : std::string(fallback);
    };
    std::string text;
    for (auto level = root; level; level = level->presentedViewController()) {
        if (!text.empty())
            text += " > ";
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(level)) {
            text += nameOf(level, "Nav") + "[";
            std::string stack;
            for (const auto& controller : navigation->viewControllers())
                stack += (stack.empty() ? "" : " ") + nameOf(controller, "?");
            text += stack + "]";
        } else {
            text += nameOf(level, "?");
        }
    }
    return text;
}
