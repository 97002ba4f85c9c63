#pragma once
// Calls into a codec from a stream of the media session. A codec may throw where it cannot
// set itself up (its library refused); the stream logs that and goes on without the frame
// rather than letting the exception end the media thread.
// Media thread.
#include <exception>
#include <string>
#include <type_traits>

#include "MediaStack/MediaStackLog.h"

namespace media {

template <class Call>
auto callCodec(const char* operation, Call&& call) -> decltype(call())
{
    using Result = decltype(call());
    try {
        return call();
    } catch (const std::exception& error) {
        MediaStackLog::error(std::string("Codec ") + operation + " failed: " + error.what());
    } catch (...) {
        MediaStackLog::error(std::string("Codec ") + operation + " failed.");
    }
    if constexpr (!std::is_void_v<Result>)
        return Result{};
}

} // namespace media
