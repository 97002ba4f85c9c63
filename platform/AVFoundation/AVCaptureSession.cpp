#include "AVFoundation/AVCaptureSession.h"

#include <algorithm>
#include <cmath>

#include "AVFoundation/AVCaptureOutput.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "Foundation/NSRunLoop.h"

const AVCaptureSessionPreset AVCaptureSessionPresetHigh = "AVCaptureSessionPresetHigh";
const AVCaptureSessionPreset AVCaptureSessionPresetMedium = "AVCaptureSessionPresetMedium";
const AVCaptureSessionPreset AVCaptureSessionPresetLow = "AVCaptureSessionPresetLow";
const AVCaptureSessionPreset AVCaptureSessionPreset640x480 = "AVCaptureSessionPreset640x480";
const AVCaptureSessionPreset AVCaptureSessionPreset1280x720 = "AVCaptureSessionPreset1280x720";
const AVCaptureSessionPreset AVCaptureSessionPreset1920x1080 = "AVCaptureSessionPreset1920x1080";
const AVCaptureSessionPreset AVCaptureSessionPresetInputPriority = "AVCaptureSessionPresetInputPriority";
const AVCaptureSessionPreset AVCaptureSessionPresetPhoto = "AVCaptureSessionPresetPhoto";

namespace {

constexpr double kOwnFrameRate = 30;

} // namespace

std::optional<CMVideoDimensions> AVCaptureSession::knownPresetDimensions(const AVCaptureSessionPreset& preset)
{
    // High is the cameras' largest picture; Medium and Low the sizes a phone's cameras give.
    // Photo is the sensor's whole 4:3 picture.
    if (preset == AVCaptureSessionPresetPhoto)
        return CMVideoDimensions{2048, 1536};
    if (preset == AVCaptureSessionPreset1920x1080 || preset == AVCaptureSessionPresetHigh)
        return CMVideoDimensions{1920, 1080};
    if (preset == AVCaptureSessionPreset1280x720)
        return CMVideoDimensions{1280, 720};
    if (preset == AVCaptureSessionPreset640x480)
        return CMVideoDimensions{640, 480};
    if (preset == AVCaptureSessionPresetMedium)
        return CMVideoDimensions{480, 360};
    if (preset == AVCaptureSessionPresetLow)
        return CMVideoDimensions{192, 144};
    return std::nullopt;
}

bool AVCaptureSession::canSetSessionPresetLocked(const AVCaptureSessionPreset& preset) const
{
    if (preset != AVCaptureSessionPresetInputPriority && !knownPresetDimensions(preset))
        return false;
    return std::all_of(m_inputs.begin(), m_inputs.end(),
                       [&](const auto& input) { return input->device()->supportsAVCaptureSessionPreset(preset); });
}

bool AVCaptureSession::canSetSessionPreset(const AVCaptureSessionPreset& preset) const
{
    std::lock_guard lock(m_mutex);
    return canSetSessionPresetLocked(preset);
}

AVCaptureSessionPreset AVCaptureSession::sessionPreset() const
{
    std::lock_guard lock(m_mutex);
    return m_preset;
}

bool AVCaptureSession::setSessionPreset(const AVCaptureSessionPreset& preset)
{
    std::lock_guard lock(m_mutex);
    if (!canSetSessionPresetLocked(preset))
        return false;
    m_preset = preset;
    return true;
}

std::vector<std::shared_ptr<AVCaptureDeviceInput>> AVCaptureSession::inputs() const
{
    std::lock_guard lock(m_mutex);
    return m_inputs;
}

bool AVCaptureSession::hasInputWithMediaType(const AVMediaType& mediaType) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_inputs.begin(), m_inputs.end(), [&](const auto& input) { return input->device()->hasMediaType(mediaType); });
}

bool AVCaptureSession::canAddInput(const std::shared_ptr<AVCaptureDeviceInput>& input) const
{
    if (!input || !input->device())
        return false;
    std::lock_guard lock(m_mutex);
    return std::none_of(m_inputs.begin(), m_inputs.end(), [&](const auto& existing) {
        return existing == input || existing->device()->hasMediaType(AVMediaTypeVideo) == input->device()->hasMediaType(AVMediaTypeVideo);
    });
}

bool AVCaptureSession::addInput(const std::shared_ptr<AVCaptureDeviceInput>& input)
{
    if (!canAddInput(input))
        return false;
    std::lock_guard lock(m_mutex);
    m_inputs.push_back(input);
    return true;
}

void AVCaptureSession::removeInput(const std::shared_ptr<AVCaptureDeviceInput>& input)
{
    std::lock_guard lock(m_mutex);
    std::erase(m_inputs, input);
}

std::vector<std::shared_ptr<AVCaptureOutput>> AVCaptureSession::outputs() const
{
    std::lock_guard lock(m_mutex);
    return m_outputs;
}

bool AVCaptureSession::canAddOutput(const std::shared_ptr<AVCaptureOutput>& output) const { return output && !output->session(); }

bool AVCaptureSession::addOutput(const std::shared_ptr<AVCaptureOutput>& output)
{
    if (!canAddOutput(output))
        return false;
    output->setSession({}, weak_from_this());
    std::lock_guard lock(m_mutex);
    m_outputs.push_back(output);
    return true;
}

void AVCaptureSession::removeOutput(const std::shared_ptr<AVCaptureOutput>& output)
{
    if (!output)
        return;
    bool removed;
    {
        std::lock_guard lock(m_mutex);
        removed = std::erase(m_outputs, output) > 0;
    }
    if (removed)
        output->setSession({}, {});
}

void AVCaptureSession::startRunning()
{
    const double now = NSRunLoop::mainRunLoop()->now();
    std::lock_guard lock(m_mutex);
    if (m_running)
        return;
    m_running = true;
    m_startedAt = now;
}

void AVCaptureSession::stopRunning()
{
    std::lock_guard lock(m_mutex);
    m_running = false;
}

bool AVCaptureSession::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

std::shared_ptr<AVCaptureDevice> AVCaptureSession::videoDevice() const
{
    std::lock_guard lock(m_mutex);
    for (const auto& input : m_inputs) {
        if (input->device()->hasMediaType(AVMediaTypeVideo))
            return input->device();
    }
    return nullptr;
}

CMVideoDimensions AVCaptureSession::presetDimensions() const
{
    std::lock_guard lock(m_mutex);
    return knownPresetDimensions(m_preset).value_or(m_captureDimensions);
}

void AVCaptureSession::setCaptureDimensions(CMVideoDimensions dimensions)
{
    std::lock_guard lock(m_mutex);
    m_captureDimensions = dimensions;
}

void AVCaptureSession::setFrameNumber(uint64_t frameNumber)
{
    std::lock_guard lock(m_mutex);
    m_frameNumber = frameNumber;
    m_driven = true;
}

uint64_t AVCaptureSession::frameNumber() const
{
    const double now = NSRunLoop::mainRunLoop()->now();
    std::lock_guard lock(m_mutex);
    if (m_driven || !m_running)
        return m_frameNumber;
    return 1 + static_cast<uint64_t>(std::max(0.0, std::floor((now - m_startedAt) * kOwnFrameRate)));
}

AVCaptureVideoOrientation AVCaptureSession::defaultVideoOrientation() const
{
    std::lock_guard lock(m_mutex);
    return m_defaultOrientation;
}

void AVCaptureSession::setDefaultVideoOrientation(AVCaptureVideoOrientation orientation)
{
    if (orientation < AVCaptureVideoOrientationPortrait || orientation > AVCaptureVideoOrientationLandscapeLeft)
        return;
    std::lock_guard lock(m_mutex);
    m_defaultOrientation = orientation;
}

CGImageRef AVCaptureSession::currentPicture(int longestSide) const
{
    auto device = videoDevice();
    if (!device)
        return nullptr;
    auto size = presetDimensions();
    const int longer = std::max(size.width, size.height);
    if (longestSide > 0 && longestSide < longer) {
        size.width = std::max(1, static_cast<int>(std::lround(double(size.width) * longestSide / longer)));
        size.height = std::max(1, static_cast<int>(std::lround(double(size.height) * longestSide / longer)));
    }
    if (sessionPreset() == AVCaptureSessionPresetPhoto)
        return kvn::SyntheticCameraPicture::drawDocumentCard(device->position(), frameNumber(), size.width, size.height);
    return kvn::SyntheticCameraPicture::draw(device->position(), frameNumber(), size.width, size.height);
}
