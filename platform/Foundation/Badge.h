#pragma once
// An access token: only T can make a Badge<T>, so an operation that takes one as its first
// parameter can be called from T's code alone, without making T a friend of the whole class.
// The caller passes `{}`; the callee ignores it. Any thread (it is a type, nothing more).
namespace kvn {

template <typename T>
class Badge {
public:
    using Type = T;

private:
    friend T;
    constexpr Badge() = default;

    Badge(const Badge&) = delete;
    Badge& operator=(const Badge&) = delete;
    Badge(Badge&&) = delete;
    Badge& operator=(Badge&&) = delete;
};

} // namespace kvn
