#pragma once
// The one way work comes back to the main thread: posted to the main queue with its owner, and
// run there with the owner only if the owner still lives then. A weak owner is the rule (a
// result must not keep its object alive, nor reach it once it is gone); postToMainQueue also
// takes a shared owner, for the rare completion that must run whatever became of everyone
// else's references: it keeps the owner alive until the work has run.
//
// Callable from any thread. postToMainQueue never runs its work inline, not even when called
// on the main thread; the posted block runs and is released on the main thread. A bound handler
// (bindToMainQueue) called on the main thread runs at once: its result is already where it
// belongs, and a turn's delay would let it land after a later cancellation or teardown.
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "Foundation/Dispatch.h"

namespace kvn {

namespace BindToMainQueueDetail {

// Dispatch blocks are copied; work holding move-only state travels in a shared box instead.
template <typename Block>
void dispatchToMain(Block&& block)
{
    using Stored = std::decay_t<Block>;
    if constexpr (std::is_copy_constructible_v<Stored>) {
        dispatch_async(dispatch_get_main_queue(), std::forward<Block>(block));
    } else {
        dispatch_async(dispatch_get_main_queue(), [box = std::make_shared<Stored>(std::forward<Block>(block))] { (*box)(); });
    }
}

} // namespace BindToMainQueueDetail

// Runs fn(T&) on the main queue if the owner still lives then.
template <typename T, typename Fn>
void postToMainQueue(std::weak_ptr<T> owner, Fn&& fn)
{
    BindToMainQueueDetail::dispatchToMain([owner = std::move(owner), fn = std::forward<Fn>(fn)]() mutable {
        if (auto strong = owner.lock())
            fn(*strong);
    });
}

// Runs fn(T&) on the main queue, holding the owner until then. Move the caller's reference in
// when the owner must not be let go on the calling thread.
template <typename T, typename Fn>
void postToMainQueue(std::shared_ptr<T> owner, Fn&& fn)
{
    BindToMainQueueDetail::dispatchToMain([owner = std::move(owner), fn = std::forward<Fn>(fn)]() mutable {
        if (owner)
            fn(*owner);
    });
}

// A callable for handlers called on any thread: each call off the main thread posts
// fn(T&, arguments...) to the main queue, the arguments moved into the posted block, and runs it
// as postToMainQueue does; a call on the main thread runs fn at once if the owner lives.
// Copies of the callable share one fn, released with the last of them and of their blocks.
template <typename T, typename Fn>
auto bindToMainQueue(std::weak_ptr<T> owner, Fn&& fn)
{
    return [owner = std::move(owner), fn = std::make_shared<std::decay_t<Fn>>(std::forward<Fn>(fn))](auto&&... arguments) {
        if (dispatch_get_main_queue()->isCurrent()) {
            if (auto strong = owner.lock())
                (*fn)(*strong, std::forward<decltype(arguments)>(arguments)...);
            return;
        }
        using Arguments = std::tuple<std::decay_t<decltype(arguments)>...>;
        BindToMainQueueDetail::dispatchToMain([owner, fn, values = Arguments(std::forward<decltype(arguments)>(arguments)...)]() mutable {
            if (auto strong = owner.lock())
                std::apply([&](auto&... value) { (*fn)(*strong, std::move(value)...); }, values);
        });
    };
}

} // namespace kvn
