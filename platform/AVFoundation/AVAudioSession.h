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

#include <string>

#include "Foundation/Dispatch.h"
#include "Foundation/NSError.h"

enum AVAudioSessionRecordPermission : unsigned long {
    AVAudioSessionRecordPermissionUndetermined = 0x756e6474, // 'undt'
    AVAudioSessionRecordPermissionDenied = 0x64656e79,       // 'deny'
    AVAudioSessionRecordPermissionGranted = 0x67726e74,      // 'grnt'
};

using AVAudioSessionCategory = std::string;
extern const AVAudioSessionCategory AVAudioSessionCategoryAmbient;
extern const AVAudioSessionCategory AVAudioSessionCategorySoloAmbient;
extern const AVAudioSessionCategory AVAudioSessionCategoryPlayback;
extern const AVAudioSessionCategory AVAudioSessionCategoryRecord;
extern const AVAudioSessionCategory AVAudioSessionCategoryPlayAndRecord;

using AVAudioSessionCategoryOptions = unsigned long;
inline constexpr AVAudioSessionCategoryOptions AVAudioSessionCategoryOptionMixWithOthers = 0x1;
inline constexpr AVAudioSessionCategoryOptions AVAudioSessionCategoryOptionDuckOthers = 0x2;
inline constexpr AVAudioSessionCategoryOptions AVAudioSessionCategoryOptionAllowBluetooth = 0x4;
inline constexpr AVAudioSessionCategoryOptions AVAudioSessionCategoryOptionDefaultToSpeaker = 0x8;

class AVAudioSession {
public:
    static std::shared_ptr<AVAudioSession> sharedInstance();

    bool isInputAvailable() const;
    AVAudioSessionRecordPermission recordPermission() const;
    // Undetermined: the user is asked and the answer is kept. Otherwise the kept answer.
    void requestRecordPermission(std::function<void(bool granted)> block);

    // How the app's sound mixes with others' and where it plays. A category the session does
    // not know, or speaker routing outside play-and-record, is refused: false, *error says why
    // and the old setting stays. Starts as solo ambient without options.
    bool setCategory_withOptions_error(const AVAudioSessionCategory& category, AVAudioSessionCategoryOptions options,
                                       std::shared_ptr<NSError>* error = nullptr);
    AVAudioSessionCategory category() const;
    AVAudioSessionCategoryOptions categoryOptions() const;

    // Test controls ------------------------------------------------------------------------
    void setInputAvailableForTesting(bool available);
    void setRecordPermissionForTesting(AVAudioSessionRecordPermission permission);
    // What the user answers when asked.
    void setUserAnswerForTesting(bool grants);
    // How often requestRecordPermission was called.
    long requestCountForTesting() const;
    // Back to a fresh machine: input available, undetermined, a user who grants, count 0,
    // the starting category.
    void resetForTesting();

    AVAudioSession() = default;

private:
    mutable std::mutex m_mutex;
    bool m_inputAvailable = true;
    AVAudioSessionRecordPermission m_permission = AVAudioSessionRecordPermissionUndetermined;
    bool m_userGrants = true;
    long m_requestCount = 0;
    AVAudioSessionCategory m_category = AVAudioSessionCategorySoloAmbient;
    AVAudioSessionCategoryOptions m_categoryOptions = 0;
};
