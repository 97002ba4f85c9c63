#pragma once
// Takes one still image and waits for it on the main run loop, noting on which thread the
// completion ran.
#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "Foundation/NSRunLoop.h"

namespace kvn::test {

struct StillCapture {
    CMSampleBufferRef buffer;
    std::shared_ptr<NSError> error;
    bool onCallerThread = false;
};

inline StillCapture captureStill(const std::shared_ptr<AVCaptureStillImageOutput>& output, std::shared_ptr<AVCaptureConnection> connection)
{
    auto result = std::make_shared<StillCapture>();
    auto done = std::make_shared<std::atomic<bool>>(false);
    const auto caller = std::this_thread::get_id();
    output->captureStillImageAsynchronouslyFromConnection_completionHandler(
        connection, [=](CMSampleBufferRef buffer, std::shared_ptr<NSError> error) {
            result->buffer = buffer;
            result->error = error;
            result->onCallerThread = std::this_thread::get_id() == caller;
            *done = true;
        });
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->spin_until([&] { return done->load(); }, 30.0));
    return *result;
}

} // namespace kvn::test
