#pragma once
// Whether the media stack's local camera and microphone start on this machine, for the tests
// that run a real call: nullopt when they do, else why not (for GTEST_SKIP or a failure).
// Header only: it needs the library, which the shared helpers do not link. Main thread.
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSRunLoop.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"

namespace kvn::test {

inline std::optional<std::string> localMediaMissing(const std::shared_ptr<NSRunLoop>& loop)
{
    auto media = std::make_shared<KVNOrvelLocalMedia>();
    auto answer = std::make_shared<std::atomic<int>>(0); // 1 started, 2 failed
    media->startWithCallback(
        [answer](std::shared_ptr<LocalPreviewView> preview, std::exception_ptr failure) { *answer = failure || !preview ? 2 : 1; });
    loop->spin_until([&] { return *answer != 0; }, 30.0);
    media->stop();
    if (*answer == 1)
        return std::nullopt;
    return std::string("the media stack's local camera and microphone do not start here, so a real call has no preview, no "
                       "streams and no screenshots");
}

} // namespace kvn::test
