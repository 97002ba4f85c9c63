#include "Private/UIElements/TextHeight.h"

#include <limits>

#include "Foundation/NSAttributedString.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "UIKit/NSStringDrawing.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"

namespace kvn {

CGFloat textHeight(const std::string& text, const std::shared_ptr<UIFont>& font, CGFloat width)
{
    if (text.empty() || !(width > 0))
        return 0;
    NSDictionary attributes;
    attributes[NSFontAttributeName] = font;
    return NSStringDrawing::boundingRectWithSize_options_attributes_context(text, CGSizeMake(width, std::numeric_limits<CGFloat>::max()),
                                                                            NSStringDrawingUsesLineFragmentOrigin, attributes, nullptr)
        .size.height;
}

bool wrapAtWidth(const std::vector<std::shared_ptr<UIView>>& views, CGFloat width)
{
    if (!(width > 0))
        return false;
    bool changed = false;
    for (const auto& view : views) {
        if (auto label = std::dynamic_pointer_cast<UILabel>(view); label && label->preferredMaxLayoutWidth() != width) {
            label->setPreferredMaxLayoutWidth(width);
            label->invalidateIntrinsicContentSize();
            changed = true;
        } else if (auto link = std::dynamic_pointer_cast<KVNUnderlineButton>(view); link && link->preferredMaxLayoutWidth() != width) {
            link->setPreferredMaxLayoutWidth(width);
            changed = true;
        }
    }
    return changed;
}

} // namespace kvn
