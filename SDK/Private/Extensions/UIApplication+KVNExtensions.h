#pragma once
// Whether the app lets each screen choose its status-bar style (the info key
// "UIViewControllerBasedStatusBarAppearance"). Main queue.

namespace KVNExtensions {

// The info key read as a flag when it is a number (or boolean); true when it is absent or
// of another kind, as the platform defaults to screen-based appearance.
bool viewControllerBasedStatusBarAppearanceEnabled();

} // namespace KVNExtensions
