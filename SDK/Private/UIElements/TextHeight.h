#pragma once
// The height a text takes wrapped at a width, the measure behind every class height method of
// the kit's cells and links, and the other half of that agreement: wrapping labels and links
// taking the height of the width their layout gave them. Main thread (the fonts follow the
// theme).
#include <memory>
#include <string>
#include <vector>

#include "CoreGraphics/CGGeometry.h"

class UIFont;
class UIView;

namespace kvn {

// The bounding height on line fragments at `width` with unlimited height, unrounded; 0 for an
// empty text or a width with no room.
CGFloat textHeight(const std::string& text, const std::shared_ptr<UIFont>& font, CGFloat width);

// Makes each wrapping label or link wrap at `width`; answers whether any changed. Owners
// call it from layoutSubviews with the width their constraints give the texts, the same
// width their class height methods measure at, and lay out again when it answers true.
bool wrapAtWidth(const std::vector<std::shared_ptr<UIView>>& views, CGFloat width);

} // namespace kvn
