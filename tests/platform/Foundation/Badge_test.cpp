// Only the class a badge names can make one: an operation taking Badge<T> is T's alone.
#include <type_traits>

#include "Foundation/Badge.h"

namespace {

class Holder {
public:
    static constexpr bool canMakeItsOwnBadge() { return std::is_same_v<decltype(kvn::Badge<Holder>{}), kvn::Badge<Holder>>; }
};

static_assert(Holder::canMakeItsOwnBadge());
static_assert(!std::is_default_constructible_v<kvn::Badge<Holder>>, "a stranger must not be able to make another class's badge");
static_assert(!std::is_copy_constructible_v<kvn::Badge<Holder>> && !std::is_move_constructible_v<kvn::Badge<Holder>>,
              "a badge handed in must not be passed on to a third class");

} // namespace
