#pragma once
// The description of an audio stream of a conference. So far its class-wide codec registry:
// the app registers a factory per encoding name, clock rate and channel count at start-up
// (as SDP names them: "opus/48000/2"); the link offers them, preferred ones first, and makes
// the codec agreed on, which gets the registered clock rate and channel count. Encoding
// names compare without regard to case.
// Any thread: the registry is guarded.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MediaStack/AudioCodecBase.h"

class AudioStreamDescription {
public:
    using CodecFactory = std::function<std::shared_ptr<AudioCodecBase>()>;

    struct RegisteredCodec {
        std::string encodingName;
        int clockRate = 0;
        int channels = 0;
    };

    // Registering the same name, clock rate and channels again replaces the entry.
    static void registerCodec(const std::string& encodingName, int clockRate, int channels, CodecFactory factory, bool preferred);
    static void unregisterCodec(const std::string& encodingName, int clockRate, int channels);

    // Preferred first, otherwise in the order of registration.
    static std::vector<RegisteredCodec> registeredCodecs();

    // A new codec with the clock rate and channels set, or none when nothing is registered so.
    static std::shared_ptr<AudioCodecBase> createCodec(const std::string& encodingName, int clockRate, int channels);
};
