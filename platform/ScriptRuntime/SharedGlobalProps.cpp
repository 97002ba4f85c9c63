#include "ScriptRuntime/SharedGlobalProps.h"

#include <algorithm>
#include <vector>

#include "Foundation/MainThreadChecker.h"

namespace {

// The objects make() gave that may still live; a handful at most (one per root layout set
// while controllers of the one before are still around).
std::vector<std::weak_ptr<const nlohmann::json>>& made()
{
    static std::vector<std::weak_ptr<const nlohmann::json>> objects;
    return objects;
}

} // namespace

SharedGlobalProps::Props SharedGlobalProps::make(nlohmann::json props)
{
    KVN_ASSERT_MAIN_THREAD();
    auto& objects = made();
    std::erase_if(objects, [](const auto& object) { return object.expired(); });
    auto shared = std::make_shared<const nlohmann::json>(std::move(props));
    objects.push_back(shared);
    return shared;
}

SharedGlobalProps::Props SharedGlobalProps::share(const nlohmann::json& props)
{
    KVN_ASSERT_MAIN_THREAD();
    if (&props == empty().get())
        return empty();
    for (const auto& object : made()) {
        if (auto shared = object.lock(); shared && shared.get() == &props)
            return shared;
    }
    return std::make_shared<const nlohmann::json>(props);
}

const SharedGlobalProps::Props& SharedGlobalProps::empty()
{
    static const Props object = std::make_shared<const nlohmann::json>(nlohmann::json::object());
    return object;
}
