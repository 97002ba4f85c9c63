#pragma once
// The selected look the kit's list rows share: the theme's brand colour, faint. Main thread
// (the theme is read there).
#include <memory>

class UIView;

namespace kvn {

// A new plain view of the brand colour at alpha 0.15, for a cell's selected background.
std::shared_ptr<UIView> brandSelectionBackground();

} // namespace kvn
