#pragma once
// The app's audio session: whether there is an audio input to record from, and the user's
// permission to record (the microphone permission, which the capture devices' audio access
// shares).
//
// As on a phone, the first request asks the user and later ones answer what the user said;
// the answer comes on a global queue, never on the caller's thread. A headless machine has
// a synthetic microphone and a user who grants: tests script the input and the user's answer.
// Any thread.
#include <functional>
#include <memory>
#include <mutex>

#include "Foundation/Dispatch.h"

enum AVAudioSessionRecordPermission : unsigned long {
    AVAudioSessionRecordPermissionUndetermined = 0x756e6474, // 'undt'
    AVAudioSessionRecordPermissionDenied = 0x64656e79,       // 'deny'
    AVAudioSessionRecordPermissionGranted = 0x67726e74,      // 'grnt'
};

class AVAudioSession {
public:
    static std::shared_ptr<AVAudioSession> sharedInstance();

    bool isInputAvailable() const;
    AVAudioSessionRecordPermission recordPermission() const;
    // Undetermined: the user is asked and the answer is kept. Otherwise the kept answer.
    void requestRecordPermission(std::function<void(bool granted)> block);

    // Test controls ------------------------------------------------------------------------
    void setInputAvailableForTesting(bool available);
    void setRecordPermissionForTesting(AVAudioSessionRecordPermission permission);
    // What the user answers when asked.
    void setUserAnswerForTesting(bool grants);
    // How often requestRecordPermission was called.
    long requestCountForTesting() const;
    // Back to a fresh machine: input available, undetermined, a user who grants, count 0.
    void resetForTesting();

    AVAudioSession() = default;

private:
    mutable std::mutex m_mutex;
    bool m_inputAvailable = true;
    AVAudioSessionRecordPermission m_permission = AVAudioSessionRecordPermissionUndetermined;
    bool m_userGrants = true;
    long m_requestCount = 0;
};
