#pragma once
// Child removal and the library's status-bar style for its screens. The style helpers act
// only when the theme asks for light content and the app lets the application, not each
// screen, decide the status bar. Main queue.
#include <memory>

#include "UIKit/UIViewController.h"

namespace KVNExtensions {

// Only when `child`'s parent is `parent`: removes it from the parent, tells it it moved to
// no parent and takes its view out of the view tree.
void removeViewController(const std::shared_ptr<UIViewController>& parent, const std::shared_ptr<UIViewController>& child);
// Light content for the library's screens.
void adjustStatusBarStyleAnimated(const std::shared_ptr<UIViewController>& viewController, bool animated);
// The default style again.
void resetStatusBarStyleAnimated(const std::shared_ptr<UIViewController>& viewController, bool animated);

} // namespace KVNExtensions
