#pragma once
// Colours as the theme and the widgets give them: 0xRRGGBB numbers, and a colour made
// lighter or darker by a brightness offset (pressed and dimmed states, panel shades).
// Pure functions; any thread.
#include <cstdint>
#include <memory>

#include "UIKit/UIColor.h"

namespace KVNExtensions {

// Red from bits 16-23, green 8-15, blue 0-7; opaque.
std::shared_ptr<UIColor> colorWithRGBHex(uint32_t hex);
// The same hue, saturation and alpha with the brightness moved by `offset`, kept in 0..1.
// A null colour gives null.
std::shared_ptr<UIColor> colorByAdjustingBrightnessWithOffset(const std::shared_ptr<UIColor>& color, double offset);

} // namespace KVNExtensions
