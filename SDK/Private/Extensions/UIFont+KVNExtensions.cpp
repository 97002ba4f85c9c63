#include "Private/Extensions/UIFont+KVNExtensions.h"

#include "Foundation/NSString.h"
#include "Private/Helper/KVNLog.h"
#include "public/KavoniAppearance.h"

namespace KVNExtensions {

namespace {

// Older systems have no weighted system font; the weighted helpers then fall back to a
// named face of the classic system family. Our system font always offers weights.
constexpr bool systemFontOffersWeights = true;
const char* const classicSystemFamily = "HelveticaNeue";

} // namespace

std::shared_ptr<UIFont> regularFontOfSize(CGFloat size)
{
    const auto& name = KavoniAppearance::sharedAppearance()->fontNameRegular();
    if (!name) {
        if (systemFontOffersWeights)
            return UIFont::systemFontOfSize_weight(size, UIFontWeightRegular);
        return UIFont::systemFontOfSize(size);
    }
    if (auto font = UIFont::fontWithName_size(*name, size))
        return font;
    KVNLogLocated(__FILE__, __LINE__,
                  "Could not find font named: %@. Please verify provided fontNameRegular and check if font was added to "
                  "project properly.",
                  *name);
    return UIFont::systemFontOfSize(size);
}

std::shared_ptr<UIFont> mediumFontOfSize(CGFloat size)
{
    std::optional<std::string> name = KavoniAppearance::sharedAppearance()->fontNameMedium();
    if (!name) {
        if (systemFontOffersWeights)
            return UIFont::systemFontOfSize_weight(size, UIFontWeightMedium);
        name = NSString::stringWithFormat("%@-Medium", classicSystemFamily);
    }
    if (auto font = UIFont::fontWithName_size(*name, size))
        return font;
    KVNLogLocated(__FILE__, __LINE__,
                  "Could not find font with name %@. Please verify provided fontNameMedium and check if font was added to "
                  "project properly.",
                  *name);
    return UIFont::boldSystemFontOfSize(size);
}

std::shared_ptr<UIFont> lightFontOfSize(CGFloat size)
{
    std::optional<std::string> name = KavoniAppearance::sharedAppearance()->fontNameLight();
    if (!name) {
        if (systemFontOffersWeights)
            return UIFont::systemFontOfSize_weight(size, UIFontWeightLight);
        name = NSString::stringWithFormat("%@-Light", classicSystemFamily);
    }
    if (auto font = UIFont::fontWithName_size(*name, size))
        return font;
    KVNLogLocated(__FILE__, __LINE__,
                  "Could not find font with name %@. Please verify provided fontNameLight and check if font was added to "
                  "project properly.",
                  *name);
    return UIFont::systemFontOfSize(size);
}

} // namespace KVNExtensions
