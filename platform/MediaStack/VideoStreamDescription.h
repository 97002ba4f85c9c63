#pragma once
// The description of a video stream of a conference. So far its class-wide codec registry:
// the app registers a factory per encoding name at start-up; when a link negotiates a
// stream it offers the registered names, preferred ones first, and makes the codec for the
// name agreed on. Encoding names compare without regard to case, as in SDP.
// Any thread: the registry is guarded.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MediaStack/VideoCodecBase.h"

class VideoStreamDescription {
public:
    using CodecFactory = std::function<std::shared_ptr<VideoCodecBase>()>;

    // Registering a name again replaces its factory and its place.
    static void registerCodec(const std::string& encodingName, CodecFactory factory, bool preferred);
    static void unregisterCodec(const std::string& encodingName);

    // The registered encoding names, preferred first, otherwise in the order of registration.
    static std::vector<std::string> registeredCodecNames();

    // A new codec from the factory registered for the name, or none.
    static std::shared_ptr<VideoCodecBase> createCodec(const std::string& encodingName);
};
