#include "AVFoundation/AVCaptureSession.h"

#include <atomic>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "AVFoundation/AVError.h"
#include "AVFoundation/AVVideoSettings.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "Foundation/NSRunLoop.h"
#include "StillCapture.h"
#include "support/ColorNear.h"

namespace {

using Description = AVCaptureDevice::Description;

using Capture = kvn::test::StillCapture;

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

Decoded decodeJpeg(const NSData& jpeg)
{
    Decoded out;
    tjhandle handle = tjInitDecompress();
    int subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &out.width, &out.height, &subsampling, &colorspace) == 0) {
        out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
        if (tjDecompress2(handle, jpeg.data(), jpeg.size(), out.rgb.data(), out.width, 0, out.height, TJPF_RGB, 0) != 0)
            out = {};
    }
    tjDestroy(handle);
    return out;
}

using kvn::test::colorNear;

class CaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override { AVCaptureDevice::setDevicesForTesting(std::nullopt); }
    void TearDown() override { AVCaptureDevice::setDevicesForTesting(std::nullopt); }

    static std::shared_ptr<AVCaptureSession> sessionWith(Description description, bool running = true)
    {
        auto session = std::make_shared<AVCaptureSession>();
        session->addInput(std::make_shared<AVCaptureDeviceInput>(std::make_shared<AVCaptureDevice>(description)));
        if (running)
            session->startRunning();
        return session;
    }

    static Capture capture(const std::shared_ptr<AVCaptureStillImageOutput>& output, std::shared_ptr<AVCaptureConnection> connection)
    {
        return kvn::test::captureStill(output, std::move(connection));
    }

    static std::shared_ptr<AVCaptureStillImageOutput> attachedOutput(const std::shared_ptr<AVCaptureSession>& session)
    {
        auto output = std::make_shared<AVCaptureStillImageOutput>();
        EXPECT_TRUE(session->addOutput(output));
        return output;
    }
};

TEST_F(CaptureSessionTest, PresetsASessionTakesDependOnItsCamera)
{
    Description limited = Description::backCamera();
    limited.unsupportedSessionPresets = {AVCaptureSessionPreset1280x720};
    struct Case {
        const char* why;
        bool withCamera;
        AVCaptureSessionPreset preset;
        bool takes;
    } cases[] = {
        {"a camera without 720p refuses it", true, AVCaptureSessionPreset1280x720, false},
        {"but still takes 1080p", true, AVCaptureSessionPreset1920x1080, true},
        {"input priority is always possible", true, AVCaptureSessionPresetInputPriority, true},
        {"a name the session does not know", true, "AVCaptureSessionPreset4K", false},
        {"no camera: every known preset", false, AVCaptureSessionPreset1280x720, true},
        {"no camera: still no unknown ones", false, "", false},
    };
    for (const auto& c : cases) {
        auto session = c.withCamera ? sessionWith(limited) : std::make_shared<AVCaptureSession>();
        EXPECT_EQ(session->canSetSessionPreset(c.preset), c.takes) << c.why;
        const auto before = session->sessionPreset();
        EXPECT_EQ(session->setSessionPreset(c.preset), c.takes) << c.why;
        EXPECT_EQ(session->sessionPreset(), c.takes ? c.preset : before) << c.why << ": a refused preset leaves the old one";
    }
}

TEST_F(CaptureSessionTest, StillImageIsAJpegOfThePresetSizeShowingTheCamerasPicture)
{
    struct Case {
        AVCaptureSessionPreset preset;
        int width, height;
    } cases[] = {
        {AVCaptureSessionPreset1280x720, 1280, 720},
        {AVCaptureSessionPreset640x480, 640, 480},
        {AVCaptureSessionPresetMedium, 480, 360},
        {AVCaptureSessionPresetInputPriority, 320, 240}, // the size the camera captures at
    };
    auto session = sessionWith(Description::backCamera());
    session->setCaptureDimensions({320, 240});
    auto output = attachedOutput(session);
    EXPECT_EQ(output->outputSettings().at(AVVideoCodecKey), AVVideoCodecJPEG);
    for (const auto& c : cases) {
        ASSERT_TRUE(session->setSessionPreset(c.preset)) << c.preset;
        auto result = capture(output, output->connectionWithMediaType(AVMediaTypeVideo));
        ASSERT_TRUE(result.buffer) << c.preset;
        EXPECT_FALSE(result.error);
        EXPECT_FALSE(result.onCallerThread) << "the completion runs on the output's queue";
        auto jpeg = AVCaptureStillImageOutput::jpegStillImageNSDataRepresentation(result.buffer);
        ASSERT_TRUE(jpeg);
        auto picture = decodeJpeg(*jpeg);
        EXPECT_EQ(picture.width, c.width) << c.preset;
        EXPECT_EQ(picture.height, c.height) << c.preset;
    }

    // The rear camera's bars start white and end blue; after a switch the front camera's run
    // the other way.
    auto pictureOf = [&] {
        auto result = capture(output, output->connectionWithMediaType(AVMediaTypeVideo));
        return result.buffer ? decodeJpeg(result.buffer->jpegData()) : Decoded{};
    };
    auto rear = pictureOf();
    ASSERT_GT(rear.width, 0);
    EXPECT_TRUE(colorNear(rear.at(5, 5), 0xFFFFFF));
    EXPECT_TRUE(colorNear(rear.at(rear.width - 6, 5), 0x0000FF));
    session->removeInput(session->inputs().front());
    session->addInput(std::make_shared<AVCaptureDeviceInput>(std::make_shared<AVCaptureDevice>(Description::frontCamera())));
    auto front = pictureOf();
    ASSERT_GT(front.width, 0);
    EXPECT_TRUE(colorNear(front.at(5, 5), 0x0000FF));
    EXPECT_TRUE(colorNear(front.at(front.width - 6, 5), 0xFFFFFF));
}

TEST_F(CaptureSessionTest, FailedCapturesReportAnErrorAndTheNextOneSucceeds)
{
    auto session = sessionWith(Description::backCamera());
    auto output = attachedOutput(session);
    auto connection = output->connectionWithMediaType(AVMediaTypeVideo);
    output->failNextCapturesForTesting(2);
    for (int i = 0; i < 2; ++i) {
        auto failed = capture(output, connection);
        EXPECT_FALSE(failed.buffer);
        ASSERT_TRUE(failed.error);
        EXPECT_EQ(failed.error->domain(), AVFoundationErrorDomain);
    }
    EXPECT_TRUE(capture(output, connection).buffer);
    EXPECT_EQ(output->captureCountForTesting(), 3);

    output->failNextCapturesForTesting(1, AVCaptureStillImageOutput::CaptureFault::DamagedData);
    auto damaged = capture(output, connection);
    ASSERT_TRUE(damaged.buffer) << "a buffer comes, without an error";
    EXPECT_FALSE(damaged.error);
    EXPECT_EQ(decodeJpeg(damaged.buffer->jpegData()).width, 0) << "but its bytes are no picture";
}

TEST_F(CaptureSessionTest, CapturesWithoutARunningSessionFail)
{
    auto stopped = sessionWith(Description::backCamera(), false);
    auto output = attachedOutput(stopped);
    auto other = attachedOutput(sessionWith(Description::backCamera()));

    EXPECT_FALSE(std::make_shared<AVCaptureSession>()->addOutput(output)) << "an output belongs to one session";
    EXPECT_FALSE(std::make_shared<AVCaptureStillImageOutput>()->connectionWithMediaType(AVMediaTypeVideo)) << "no session, no connection";
    EXPECT_FALSE(output->connectionWithMediaType(AVMediaTypeAudio)) << "no microphone input";

    struct Case {
        const char* why;
        std::shared_ptr<AVCaptureConnection> connection;
    } cases[] = {
        {"the session does not run", output->connectionWithMediaType(AVMediaTypeVideo)},
        {"another output's connection", other->connectionWithMediaType(AVMediaTypeVideo)},
        {"no connection", nullptr},
    };
    for (const auto& c : cases) {
        auto result = capture(output, c.connection);
        EXPECT_FALSE(result.buffer) << c.why;
        ASSERT_TRUE(result.error) << c.why;
        EXPECT_EQ(result.error->code(), AVErrorSessionNotRunning) << c.why;
    }

    stopped->removeOutput(output);
    EXPECT_FALSE(output->session());
    EXPECT_FALSE(output->connectionWithMediaType(AVMediaTypeVideo)) << "a removed output has no connection";
}

TEST_F(CaptureSessionTest, OnlyJpegOutputSettingsAreTaken)
{
    AVCaptureStillImageOutput output;
    EXPECT_FALSE(output.setOutputSettings({{AVVideoCodecKey, "hvc1"}}));
    EXPECT_FALSE(output.setOutputSettings({}));
    EXPECT_TRUE(output.setOutputSettings({{AVVideoCodecKey, AVVideoCodecJPEG}}));
    EXPECT_EQ(output.outputSettings().at(AVVideoCodecKey), AVVideoCodecJPEG);
}

TEST(SyntheticCameraPicture, RefusesSizesNoCameraDelivers)
{
    for (auto [width, height] : {std::pair{0, 10}, {10, -1}, {kvn::SyntheticCameraPicture::maximumSide + 1, 10}})
        EXPECT_FALSE(kvn::SyntheticCameraPicture::draw(AVCaptureDevicePositionBack, 1, width, height)) << width << "x" << height;
    auto tiny = kvn::SyntheticCameraPicture::draw(AVCaptureDevicePositionBack, 12345, 1, 1);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->width(), 1u);
}

TEST(SyntheticCameraPicture, TheLowerPartChangesFromFrameToFrame)
{
    auto first = kvn::SyntheticCameraPicture::draw(AVCaptureDevicePositionBack, 1, 160, 120);
    auto second = kvn::SyntheticCameraPicture::draw(AVCaptureDevicePositionBack, 2, 160, 120);
    bool moved = false;
    for (size_t y = 80; y < 120 && !moved; ++y) {
        for (size_t x = 0; x < 160 && !moved; ++x)
            moved = first->pixelAt(x, y) != second->pixelAt(x, y);
    }
    EXPECT_TRUE(moved);
    EXPECT_EQ(first->pixelAt(80, 10), second->pixelAt(80, 10)) << "the bars stand still";
}

TEST(AudioSessionCategory, PlayAndRecordTakesBluetoothAndSpeaker)
{
    auto session = AVAudioSession::sharedInstance();
    session->resetForTesting();
    std::shared_ptr<NSError> error;
    EXPECT_TRUE(session->setCategory_withOptions_error(
        AVAudioSessionCategoryPlayAndRecord, AVAudioSessionCategoryOptionAllowBluetooth | AVAudioSessionCategoryOptionDefaultToSpeaker,
        &error));
    EXPECT_FALSE(error);
    EXPECT_EQ(session->category(), AVAudioSessionCategoryPlayAndRecord);
    EXPECT_EQ(session->categoryOptions(), 12u);

    EXPECT_FALSE(
        session->setCategory_withOptions_error(AVAudioSessionCategoryPlayback, AVAudioSessionCategoryOptionDefaultToSpeaker, &error))
        << "the speaker option belongs to play-and-record";
    EXPECT_TRUE(error);
    EXPECT_FALSE(session->setCategory_withOptions_error("AVAudioSessionCategoryKaraoke", 0, &error));
    EXPECT_EQ(session->category(), AVAudioSessionCategoryPlayAndRecord) << "a refused setting leaves the old one";
    session->resetForTesting();
}

} // namespace
