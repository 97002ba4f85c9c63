#include "MediaStack/VideoStreamDescription.h"

#include "MediaStack/StreamDescriptionRegistry.h"

namespace {
struct Entry {
    std::string encodingName;
    VideoStreamDescription::CodecFactory factory;
};

StreamDescriptionRegistry<Entry>& registry()
{
    static StreamDescriptionRegistry<Entry> registry;
    return registry;
}

auto named(const std::string& encodingName)
{
    return [encodingName](const Entry& entry) { return StreamDescriptionRegistry<Entry>::sameName(entry.encodingName, encodingName); };
}
}

void VideoStreamDescription::registerCodec(const std::string& encodingName, CodecFactory factory, bool preferred)
{
    registry().put(Entry { encodingName, std::move(factory) }, preferred, named(encodingName));
}

void VideoStreamDescription::unregisterCodec(const std::string& encodingName) { registry().erase(named(encodingName)); }

std::vector<std::string> VideoStreamDescription::registeredCodecNames()
{
    std::vector<std::string> names;
    for (const auto& entry : registry().entries()) {
        names.push_back(entry.encodingName);
    }
    return names;
}

std::shared_ptr<VideoCodecBase> VideoStreamDescription::createCodec(const std::string& encodingName)
{
    for (const auto& entry : registry().entries()) {
        if (StreamDescriptionRegistry<Entry>::sameName(entry.encodingName, encodingName)) {
            return entry.factory ? entry.factory() : nullptr;
        }
    }
    return nullptr;
}
