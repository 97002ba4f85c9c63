#include "AVFoundation/AVAudioSession.h"

#include <atomic>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/Dispatch.h"
#include "Foundation/NSRunLoop.h"

namespace {

using Request = std::function<void(std::function<void(bool)>)>;

struct Answer {
    bool granted = false;
    bool onMainThread = true;
};

// Makes the request and waits for its answer, which comes on another thread and is handed
// to the main queue, as the library does with it.
std::optional<Answer> ask(const Request& request)
{
    std::optional<Answer> answer;
    request([&answer](bool granted) {
        bool onMainThread = NSRunLoop::isMainThread();
        dispatch_async(dispatch_get_main_queue(), [&answer, granted, onMainThread] { answer = Answer{granted, onMainThread}; });
    });
    NSRunLoop::mainRunLoop()->spin_until([&] { return answer.has_value(); });
    return answer;
}

// The three ways the app asks for the two permissions.
struct Kind {
    const char* name;
    AVMediaType mediaType;
    Request request;
};

const Kind kinds[] = {
    {"record permission", AVMediaTypeAudio,
     [](std::function<void(bool)> block) { AVAudioSession::sharedInstance()->requestRecordPermission(std::move(block)); }},
    {"audio access", AVMediaTypeAudio,
     [](std::function<void(bool)> block) { AVCaptureDevice::requestAccessForMediaType_completionHandler(AVMediaTypeAudio, std::move(block)); }},
    {"video access", AVMediaTypeVideo,
     [](std::function<void(bool)> block) { AVCaptureDevice::requestAccessForMediaType_completionHandler(AVMediaTypeVideo, std::move(block)); }},
};

class PermissionTest : public ::testing::Test {
protected:
    void SetUp() override { AVCaptureDevice::resetAuthorizationForTesting(); }
    void TearDown() override { AVCaptureDevice::resetAuthorizationForTesting(); }
};

} // namespace

TEST_F(PermissionTest, HeadlessMachineHasAMicrophoneAndAUserWhoGrants)
{
    auto session = AVAudioSession::sharedInstance();
    EXPECT_TRUE(session->isInputAvailable());
    EXPECT_EQ(session->recordPermission(), AVAudioSessionRecordPermissionUndetermined);
    for (const auto& kind : kinds) {
        auto answer = ask(kind.request);
        ASSERT_TRUE(answer) << kind.name;
        EXPECT_TRUE(answer->granted) << kind.name;
        EXPECT_EQ(AVCaptureDevice::authorizationStatusForMediaType(kind.mediaType), AVAuthorizationStatusAuthorized) << kind.name;
    }
    EXPECT_EQ(session->recordPermission(), AVAudioSessionRecordPermissionGranted);
}

TEST_F(PermissionTest, FirstRequestAsksTheUserLaterOnesAnswerWhatWasKept)
{
    for (const auto& kind : kinds) {
        for (bool grants : {true, false}) {
            AVCaptureDevice::resetAuthorizationForTesting();
            AVCaptureDevice::setUserAnswerForTesting(kind.mediaType, grants);

            auto first = ask(kind.request);
            ASSERT_TRUE(first) << kind.name;
            EXPECT_EQ(first->granted, grants) << kind.name;
            EXPECT_FALSE(first->onMainThread) << kind.name; // the platform answers on a queue of its own
            EXPECT_EQ(AVCaptureDevice::authorizationStatusForMediaType(kind.mediaType),
                      grants ? AVAuthorizationStatusAuthorized : AVAuthorizationStatusDenied)
                << kind.name;

            // The user would now answer otherwise, but is not asked again.
            AVCaptureDevice::setUserAnswerForTesting(kind.mediaType, !grants);
            auto second = ask(kind.request);
            ASSERT_TRUE(second) << kind.name;
            EXPECT_EQ(second->granted, grants) << kind.name;
            EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(kind.mediaType), 2) << kind.name;
        }
    }
}

TEST_F(PermissionTest, DecidedStatusesAnswerWithoutAsking)
{
    struct Case {
        AVAuthorizationStatus status;
        bool granted;
    } cases[] = {
        {AVAuthorizationStatusAuthorized, true},
        {AVAuthorizationStatusDenied, false},
        {AVAuthorizationStatusRestricted, false},
    };
    for (const auto& kind : kinds) {
        for (const auto& c : cases) {
            AVCaptureDevice::resetAuthorizationForTesting();
            AVCaptureDevice::setUserAnswerForTesting(kind.mediaType, !c.granted);
            AVCaptureDevice::setAuthorizationStatusForTesting(kind.mediaType, c.status);
            auto answer = ask(kind.request);
            ASSERT_TRUE(answer) << kind.name << " " << c.status;
            EXPECT_EQ(answer->granted, c.granted) << kind.name << " " << c.status;
        }
    }
}

TEST_F(PermissionTest, MicrophoneDecisionIsOneForSessionAndCaptureDevices)
{
    auto session = AVAudioSession::sharedInstance();
    AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeAudio, AVAuthorizationStatusDenied);
    EXPECT_EQ(session->recordPermission(), AVAudioSessionRecordPermissionDenied);
    session->setRecordPermissionForTesting(AVAudioSessionRecordPermissionGranted);
    EXPECT_EQ(AVCaptureDevice::authorizationStatusForMediaType(AVMediaTypeAudio), AVAuthorizationStatusAuthorized);
    // The camera's decision is separate.
    EXPECT_EQ(AVCaptureDevice::authorizationStatusForMediaType(AVMediaTypeVideo), AVAuthorizationStatusNotDetermined);
}

TEST_F(PermissionTest, InputAvailabilityIsScripted)
{
    auto session = AVAudioSession::sharedInstance();
    session->setInputAvailableForTesting(false);
    EXPECT_FALSE(session->isInputAvailable());
    AVCaptureDevice::resetAuthorizationForTesting();
    EXPECT_TRUE(session->isInputAvailable());
}
