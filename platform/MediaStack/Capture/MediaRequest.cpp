// Placeholder until the local media branch lands: no camera or microphone here, so every
// request fails at once, on a thread of the stack's.
#include "MediaStack/Capture/MediaRequest.h"

#include <stdexcept>
#include <thread>

void UserMedia::getUserMedia(std::shared_ptr<MediaRequest> request)
{
    if (!request || !request->completion)
        return;
    std::thread([request] {
        auto completion = std::move(request->completion);
        completion(nullptr, nullptr, std::make_exception_ptr(std::runtime_error("no local media in this build")));
    }).detach();
}
