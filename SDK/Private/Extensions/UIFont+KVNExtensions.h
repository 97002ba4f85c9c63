#pragma once
// The theme's three font weights. Each follows the font name the theme holds
// (KavoniAppearance fontNameRegular / fontNameMedium / fontNameLight); a name that names no
// installed font is logged and replaced by the system font, so text always has a font.
// Main queue (the theme is read there).
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIFont.h"

namespace KVNExtensions {

std::shared_ptr<UIFont> regularFontOfSize(CGFloat size);
// Falls back to the bold system font.
std::shared_ptr<UIFont> mediumFontOfSize(CGFloat size);
// Falls back to the plain system font.
std::shared_ptr<UIFont> lightFontOfSize(CGFloat size);

} // namespace KVNExtensions
