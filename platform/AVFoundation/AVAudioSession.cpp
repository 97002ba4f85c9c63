#include "AVFoundation/AVAudioSession.h"

#include "AVFoundation/AVError.h"

const AVAudioSessionCategory AVAudioSessionCategoryAmbient = "AVAudioSessionCategoryAmbient";
const AVAudioSessionCategory AVAudioSessionCategorySoloAmbient = "AVAudioSessionCategorySoloAmbient";
const AVAudioSessionCategory AVAudioSessionCategoryPlayback = "AVAudioSessionCategoryPlayback";
const AVAudioSessionCategory AVAudioSessionCategoryRecord = "AVAudioSessionCategoryRecord";
const AVAudioSessionCategory AVAudioSessionCategoryPlayAndRecord = "AVAudioSessionCategoryPlayAndRecord";

std::shared_ptr<AVAudioSession> AVAudioSession::sharedInstance()
{
    static const auto instance = std::make_shared<AVAudioSession>();
    return instance;
}

bool AVAudioSession::isInputAvailable() const
{
    std::lock_guard lock(m_mutex);
    return m_inputAvailable;
}

AVAudioSessionRecordPermission AVAudioSession::recordPermission() const
{
    std::lock_guard lock(m_mutex);
    return m_permission;
}

void AVAudioSession::requestRecordPermission(std::function<void(bool granted)> block)
{
    bool granted;
    {
        std::lock_guard lock(m_mutex);
        ++m_requestCount;
        if (m_permission == AVAudioSessionRecordPermissionUndetermined)
            m_permission = m_userGrants ? AVAudioSessionRecordPermissionGranted : AVAudioSessionRecordPermissionDenied;
        granted = m_permission == AVAudioSessionRecordPermissionGranted;
    }
    if (!block)
        return;
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [block = std::move(block), granted] { block(granted); });
}

void AVAudioSession::setInputAvailableForTesting(bool available)
{
    std::lock_guard lock(m_mutex);
    m_inputAvailable = available;
}

void AVAudioSession::setRecordPermissionForTesting(AVAudioSessionRecordPermission permission)
{
    std::lock_guard lock(m_mutex);
    m_permission = permission;
}

void AVAudioSession::setUserAnswerForTesting(bool grants)
{
    std::lock_guard lock(m_mutex);
    m_userGrants = grants;
}

long AVAudioSession::requestCountForTesting() const
{
    std::lock_guard lock(m_mutex);
    return m_requestCount;
}

void AVAudioSession::resetForTesting()
{
    std::lock_guard lock(m_mutex);
    m_inputAvailable = true;
    m_permission = AVAudioSessionRecordPermissionUndetermined;
    m_userGrants = true;
    m_requestCount = 0;
    m_category = AVAudioSessionCategorySoloAmbient;
    m_categoryOptions = 0;
}

bool AVAudioSession::setCategory_withOptions_error(const AVAudioSessionCategory& category, AVAudioSessionCategoryOptions options,
                                                   std::shared_ptr<NSError>* error)
{
    const bool known = category == AVAudioSessionCategoryAmbient || category == AVAudioSessionCategorySoloAmbient ||
        category == AVAudioSessionCategoryPlayback || category == AVAudioSessionCategoryRecord ||
        category == AVAudioSessionCategoryPlayAndRecord;
    const AVAudioSessionCategoryOptions knownOptions = AVAudioSessionCategoryOptionMixWithOthers | AVAudioSessionCategoryOptionDuckOthers |
        AVAudioSessionCategoryOptionAllowBluetooth | AVAudioSessionCategoryOptionDefaultToSpeaker;
    const bool speakerOutsidePlayAndRecord =
        (options & AVAudioSessionCategoryOptionDefaultToSpeaker) && category != AVAudioSessionCategoryPlayAndRecord;
    if (!known || (options & ~knownOptions) || speakerOutsidePlayAndRecord) {
        if (error)
            *error = NSError::errorWithDomain_code_userInfo(
                AVFoundationErrorDomain, AVErrorUnknown,
                {{NSLocalizedDescriptionKey, std::string("The audio session cannot take that category with those options.")}});
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_category = category;
    m_categoryOptions = options;
    if (error)
        *error = nullptr;
    return true;
}

AVAudioSessionCategory AVAudioSession::category() const
{
    std::lock_guard lock(m_mutex);
    return m_category;
}

AVAudioSessionCategoryOptions AVAudioSession::categoryOptions() const
{
    std::lock_guard lock(m_mutex);
    return m_categoryOptions;
}
