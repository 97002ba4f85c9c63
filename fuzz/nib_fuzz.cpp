// An interface file ("<name>.nib.json") as a bundle ships it: a broken or hostile file is
// refused with UINibLoadingException, the one exception the loader's callers catch; any other
// escaping is a crash here. Properties: one view per top-level entry, nesting within the
// loader's depth, and the views lay out.
#include <algorithm>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "UIKit/UINib.h"
#include "UIKit/UIView.h"

namespace {

size_t depth(const UIView& view)
{
    size_t deepest = 0;
    for (const auto& child : view.subviews())
        deepest = std::max(deepest, depth(*child));
    return deepest + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::useThisThreadAsMain();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::shared_ptr<UIView>> views;
    try {
        views = UINib::viewsFromText_named(text, "fuzz");
    } catch (const UINibLoadingException&) {
        return 0;
    }
    const auto document = nlohmann::json::parse(text, nullptr, false);
    FUZZ_CHECK(document.is_object() && views.size() == document["objects"].size());
    for (const auto& view : views) {
        FUZZ_CHECK(depth(*view) <= 33);
        view->layoutIfNeeded();
    }
    return 0;
}
