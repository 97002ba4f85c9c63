#include "AVFoundation/AVCaptureDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVError.h"
#include "Foundation/Dispatch.h"

const AVCaptureDeviceType AVCaptureDeviceTypeBuiltInWideAngleCamera = "AVCaptureDeviceTypeBuiltInWideAngleCamera";
const AVCaptureDeviceType AVCaptureDeviceTypeBuiltInMicrophone = "AVCaptureDeviceTypeBuiltInMicrophone";

namespace {

template <class T>
bool contains(const std::vector<T>& values, T value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Unit coordinates; anything else (NaN included) is not a point of the picture.
bool isUnitPoint(CGPoint point)
{
    return point.x >= 0 && point.x <= 1 && point.y >= 0 && point.y <= 1;
}

std::string trimmed(const std::string& text)
{
    auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::vector<AVCaptureDevice::Description> defaultDescriptions()
{
    return {AVCaptureDevice::Description::backCamera(), AVCaptureDevice::Description::frontCamera()};
}

// KVN_CAMERAS: "back", "front" joined by commas, or "none". A value that does not read that way
// is reported once and the default set stands in for it.
std::vector<AVCaptureDevice::Description> configuredDescriptions()
{
    const char* text = std::getenv("KVN_CAMERAS");
    if (!text || !*text)
        return defaultDescriptions();
    std::string value(text);
    if (trimmed(value) == "none")
        return {};

    std::vector<AVCaptureDevice::Description> descriptions;
    bool ok = true;
    size_t start = 0;
    while (ok) {
        size_t comma = value.find(',', start);
        std::string name = trimmed(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (name == "back")
            descriptions.push_back(AVCaptureDevice::Description::backCamera());
        else if (name == "front")
            descriptions.push_back(AVCaptureDevice::Description::frontCamera());
        else
            ok = false;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (ok)
        return descriptions;

    static std::mutex warnedMutex;
    static std::string warnedValue;
    std::lock_guard lock(warnedMutex);
    if (warnedValue != value) {
        warnedValue = value;
        std::fprintf(stderr,
                     "AVCaptureDevice: ignoring KVN_CAMERAS=\"%s\": expected \"none\" or \"back\" and \"front\" "
                     "joined by commas; using a rear and a front camera\n",
                     value.c_str());
    }
    return defaultDescriptions();
}

struct DeviceList {
    std::mutex mutex;
    std::optional<std::vector<std::shared_ptr<AVCaptureDevice>>> devices;
};

DeviceList& deviceList()
{
    static DeviceList list;
    return list;
}

std::vector<std::shared_ptr<AVCaptureDevice>> makeDevices(const std::vector<AVCaptureDevice::Description>& descriptions)
{
    std::vector<std::shared_ptr<AVCaptureDevice>> devices;
    for (const auto& description : descriptions)
        devices.push_back(std::make_shared<AVCaptureDevice>(description));
    return devices;
}

std::vector<std::shared_ptr<AVCaptureDevice>> allDevices()
{
    auto& list = deviceList();
    std::lock_guard lock(list.mutex);
    if (!list.devices)
        list.devices = makeDevices(configuredDescriptions());
    return *list.devices;
}

} // namespace

AVCaptureDevice::Description AVCaptureDevice::Description::backCamera()
{
    Description d;
    d.position = AVCaptureDevicePositionBack;
    d.hasTorch = true;
    d.focusPointOfInterestSupported = true;
    d.exposurePointOfInterestSupported = true;
    d.focusModes = {AVCaptureFocusModeLocked, AVCaptureFocusModeAutoFocus, AVCaptureFocusModeContinuousAutoFocus};
    d.exposureModes = {AVCaptureExposureModeLocked, AVCaptureExposureModeAutoExpose,
                       AVCaptureExposureModeContinuousAutoExposure};
    return d;
}

AVCaptureDevice::Description AVCaptureDevice::Description::frontCamera()
{
    // A fixed-focus selfie camera: it exposes for the whole picture and cannot aim at a point.
    Description d;
    d.position = AVCaptureDevicePositionFront;
    d.focusModes = {AVCaptureFocusModeLocked};
    d.exposureModes = {AVCaptureExposureModeLocked, AVCaptureExposureModeAutoExpose,
                       AVCaptureExposureModeContinuousAutoExposure};
    return d;
}

AVCaptureDevice::AVCaptureDevice(Description description)
    : m_description(std::move(description))
{
    for (auto mode : {AVCaptureFocusModeContinuousAutoFocus, AVCaptureFocusModeAutoFocus, AVCaptureFocusModeLocked}) {
        if (contains(m_description.focusModes, mode)) {
            m_focusMode = mode;
            break;
        }
    }
    for (auto mode : {AVCaptureExposureModeContinuousAutoExposure, AVCaptureExposureModeAutoExpose,
                      AVCaptureExposureModeLocked}) {
        if (contains(m_description.exposureModes, mode)) {
            m_exposureMode = mode;
            break;
        }
    }
}

const AVCaptureDeviceType& AVCaptureDevice::deviceType() const
{
    return m_description.mediaType == AVMediaTypeAudio ? AVCaptureDeviceTypeBuiltInMicrophone
                                                       : AVCaptureDeviceTypeBuiltInWideAngleCamera;
}

std::shared_ptr<AVCaptureDevice> AVCaptureDevice::defaultDeviceWithMediaType(const AVMediaType& mediaType)
{
    auto devices = devicesWithMediaType(mediaType);
    if (devices.empty())
        return nullptr;
    if (mediaType == AVMediaTypeVideo) {
        for (const auto& device : devices) {
            if (device->position() == AVCaptureDevicePositionBack)
                return device;
        }
    }
    return devices.front();
}

std::shared_ptr<AVCaptureDevice> AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(
    const AVCaptureDeviceType& deviceType, const AVMediaType& mediaType, AVCaptureDevicePosition position)
{
    for (const auto& device : devicesWithMediaType(mediaType)) {
        if (device->deviceType() == deviceType
            && (position == AVCaptureDevicePositionUnspecified || device->position() == position))
            return device;
    }
    return nullptr;
}

std::vector<std::shared_ptr<AVCaptureDevice>> AVCaptureDevice::devicesWithMediaType(const AVMediaType& mediaType)
{
    std::vector<std::shared_ptr<AVCaptureDevice>> matching;
    for (auto& device : allDevices()) {
        if (device->m_description.mediaType == mediaType)
            matching.push_back(device);
    }
    return matching;
}

void AVCaptureDevice::setDevicesForTesting(std::optional<std::vector<Description>> descriptions)
{
    auto& list = deviceList();
    std::lock_guard lock(list.mutex);
    if (descriptions)
        list.devices = makeDevices(*descriptions);
    else
        list.devices.reset();
}

bool AVCaptureDevice::supportsAVCaptureSessionPreset(const std::string& preset) const
{
    return !contains(m_description.unsupportedSessionPresets, preset);
}

bool AVCaptureDevice::lockForConfiguration(std::shared_ptr<NSError>* error)
{
    std::lock_guard lock(m_mutex);
    ++m_lockCount;
    if (m_description.lockFails) {
        if (error) {
            *error = NSError::errorWithDomain_code_userInfo(
                AVFoundationErrorDomain, AVErrorDeviceLockedForConfigurationByAnotherProcess,
                {{NSLocalizedDescriptionKey, std::string("The device is locked for configuration by another process.")}});
        }
        return false;
    }
    m_locked = true;
    if (error)
        *error = nullptr;
    return true;
}

void AVCaptureDevice::unlockForConfiguration()
{
    std::lock_guard lock(m_mutex);
    m_locked = false;
}

long AVCaptureDevice::lockCountForTesting() const
{
    std::lock_guard lock(m_mutex);
    return m_lockCount;
}

bool AVCaptureDevice::isTorchModeSupported(AVCaptureTorchMode mode) const
{
    return m_description.hasTorch
        && (mode == AVCaptureTorchModeOff || mode == AVCaptureTorchModeOn || mode == AVCaptureTorchModeAuto);
}

AVCaptureTorchMode AVCaptureDevice::torchMode() const
{
    std::lock_guard lock(m_mutex);
    return m_torchMode;
}

void AVCaptureDevice::setTorchMode(AVCaptureTorchMode mode)
{
    std::lock_guard lock(m_mutex);
    if (m_locked && isTorchModeSupported(mode)) {
        m_torchMode = mode;
        // Mode On without a level is the torch at full strength.
        m_torchLevel = AVCaptureMaxAvailableTorchLevel;
    }
}

bool AVCaptureDevice::isTorchActive() const
{
    std::lock_guard lock(m_mutex);
    return m_description.hasTorch && m_torchMode == AVCaptureTorchModeOn;
}

float AVCaptureDevice::torchLevel() const
{
    std::lock_guard lock(m_mutex);
    return m_description.hasTorch && m_torchMode == AVCaptureTorchModeOn ? m_torchLevel : 0.0f;
}

bool AVCaptureDevice::setTorchModeOnWithLevel_error(float level, std::shared_ptr<NSError>* error)
{
    auto fail = [&](const char* description) {
        if (error)
            *error = NSError::errorWithDomain_code_userInfo(AVFoundationErrorDomain, AVErrorInvalidTorchLevel,
                                                            {{NSLocalizedDescriptionKey, std::string(description)}});
        return false;
    };
    std::lock_guard lock(m_mutex);
    if (!m_description.hasTorch)
        return fail("The device has no torch.");
    if (!m_locked)
        return fail("The device is not locked for configuration.");
    if (!(level > 0.0f && level <= AVCaptureMaxAvailableTorchLevel))
        return fail("The torch level must lie above 0 and at most 1.");
    m_torchMode = AVCaptureTorchModeOn;
    m_torchLevel = level;
    if (error)
        *error = nullptr;
    return true;
}

CGPoint AVCaptureDevice::focusPointOfInterest() const
{
    std::lock_guard lock(m_mutex);
    return m_focusPoint;
}

void AVCaptureDevice::setFocusPointOfInterest(CGPoint point)
{
    std::lock_guard lock(m_mutex);
    if (m_locked && m_description.focusPointOfInterestSupported && isUnitPoint(point))
        m_focusPoint = point;
}

bool AVCaptureDevice::isFocusModeSupported(AVCaptureFocusMode mode) const
{
    return contains(m_description.focusModes, mode);
}

AVCaptureFocusMode AVCaptureDevice::focusMode() const
{
    std::lock_guard lock(m_mutex);
    return m_focusMode;
}

void AVCaptureDevice::setFocusMode(AVCaptureFocusMode mode)
{
    std::lock_guard lock(m_mutex);
    if (m_locked && isFocusModeSupported(mode))
        m_focusMode = mode;
}

CGPoint AVCaptureDevice::exposurePointOfInterest() const
{
    std::lock_guard lock(m_mutex);
    return m_exposurePoint;
}

void AVCaptureDevice::setExposurePointOfInterest(CGPoint point)
{
    std::lock_guard lock(m_mutex);
    if (m_locked && m_description.exposurePointOfInterestSupported && isUnitPoint(point))
        m_exposurePoint = point;
}

bool AVCaptureDevice::isExposureModeSupported(AVCaptureExposureMode mode) const
{
    return contains(m_description.exposureModes, mode);
}

AVCaptureExposureMode AVCaptureDevice::exposureMode() const
{
    std::lock_guard lock(m_mutex);
    return m_exposureMode;
}

void AVCaptureDevice::setExposureMode(AVCaptureExposureMode mode)
{
    std::lock_guard lock(m_mutex);
    if (m_locked && isExposureModeSupported(mode))
        m_exposureMode = mode;
}

// Access ---------------------------------------------------------------------------------

namespace {

struct AccessRecord {
    AVAuthorizationStatus status = AVAuthorizationStatusNotDetermined;
    bool userGrants = true;
    long requests = 0;
};

struct AccessStore {
    std::mutex mutex;
    std::map<AVMediaType, AccessRecord> records;
};

AccessStore& accessStore()
{
    static AccessStore store;
    return store;
}

AVAuthorizationStatus statusForRecordPermission(AVAudioSessionRecordPermission permission)
{
    switch (permission) {
    case AVAudioSessionRecordPermissionGranted:
        return AVAuthorizationStatusAuthorized;
    case AVAudioSessionRecordPermissionDenied:
        return AVAuthorizationStatusDenied;
    default:
        return AVAuthorizationStatusNotDetermined;
    }
}

AVAudioSessionRecordPermission recordPermissionForStatus(AVAuthorizationStatus status)
{
    switch (status) {
    case AVAuthorizationStatusAuthorized:
        return AVAudioSessionRecordPermissionGranted;
    case AVAuthorizationStatusDenied:
    case AVAuthorizationStatusRestricted:
        return AVAudioSessionRecordPermissionDenied;
    default:
        return AVAudioSessionRecordPermissionUndetermined;
    }
}

} // namespace

AVAuthorizationStatus AVCaptureDevice::authorizationStatusForMediaType(const AVMediaType& mediaType)
{
    if (mediaType == AVMediaTypeAudio)
        return statusForRecordPermission(AVAudioSession::sharedInstance()->recordPermission());
    auto& store = accessStore();
    std::lock_guard lock(store.mutex);
    auto it = store.records.find(mediaType);
    return it == store.records.end() ? AVAuthorizationStatusNotDetermined : it->second.status;
}

void AVCaptureDevice::requestAccessForMediaType_completionHandler(const AVMediaType& mediaType, std::function<void(bool granted)> handler)
{
    if (mediaType == AVMediaTypeAudio) {
        AVAudioSession::sharedInstance()->requestRecordPermission(std::move(handler));
        return;
    }
    bool granted;
    {
        auto& store = accessStore();
        std::lock_guard lock(store.mutex);
        auto& record = store.records[mediaType];
        ++record.requests;
        if (record.status == AVAuthorizationStatusNotDetermined)
            record.status = record.userGrants ? AVAuthorizationStatusAuthorized : AVAuthorizationStatusDenied;
        granted = record.status == AVAuthorizationStatusAuthorized;
    }
    if (!handler)
        return;
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
                   [handler = std::move(handler), granted] { handler(granted); });
}

void AVCaptureDevice::setAuthorizationStatusForTesting(const AVMediaType& mediaType, AVAuthorizationStatus status)
{
    if (mediaType == AVMediaTypeAudio) {
        AVAudioSession::sharedInstance()->setRecordPermissionForTesting(recordPermissionForStatus(status));
        return;
    }
    auto& store = accessStore();
    std::lock_guard lock(store.mutex);
    store.records[mediaType].status = status;
}

void AVCaptureDevice::setUserAnswerForTesting(const AVMediaType& mediaType, bool grants)
{
    if (mediaType == AVMediaTypeAudio) {
        AVAudioSession::sharedInstance()->setUserAnswerForTesting(grants);
        return;
    }
    auto& store = accessStore();
    std::lock_guard lock(store.mutex);
    store.records[mediaType].userGrants = grants;
}

long AVCaptureDevice::accessRequestCountForTesting(const AVMediaType& mediaType)
{
    if (mediaType == AVMediaTypeAudio)
        return AVAudioSession::sharedInstance()->requestCountForTesting();
    auto& store = accessStore();
    std::lock_guard lock(store.mutex);
    auto it = store.records.find(mediaType);
    return it == store.records.end() ? 0 : it->second.requests;
}

void AVCaptureDevice::resetAuthorizationForTesting()
{
    {
        auto& store = accessStore();
        std::lock_guard lock(store.mutex);
        store.records.clear();
    }
    AVAudioSession::sharedInstance()->resetForTesting();
}
