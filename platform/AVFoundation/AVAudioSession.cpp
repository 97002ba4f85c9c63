#include "AVFoundation/AVAudioSession.h"

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
}
