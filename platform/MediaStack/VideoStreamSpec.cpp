#include "MediaStack/VideoStreamSpec.h"

#include "MediaStack/StreamSpecRegistry.h"

namespace {
struct Entry {
    std::string encodingName;
    VideoStreamSpec::CodecFactory factory;
};

StreamSpecRegistry<Entry>& registry()
{
    static StreamSpecRegistry<Entry> registry;
    return registry;
}

auto named(const std::string& encodingName)
{
    return [encodingName](const Entry& entry) { return StreamSpecRegistry<Entry>::sameName(entry.encodingName, encodingName); };
}
}

void VideoStreamSpec::registerCodec(const std::string& encodingName, CodecFactory factory, bool preferred)
{
    registry().put(Entry { encodingName, std::move(factory) }, preferred, named(encodingName));
}

void VideoStreamSpec::unregisterCodec(const std::string& encodingName) { registry().erase(named(encodingName)); }

std::vector<std::string> VideoStreamSpec::registeredCodecNames()
{
    std::vector<std::string> names;
    for (const auto& entry : registry().entries()) {
        names.push_back(entry.encodingName);
    }
    return names;
}

std::shared_ptr<VideoCodecBase> VideoStreamSpec::createCodec(const std::string& encodingName)
{
    for (const auto& entry : registry().entries()) {
        if (StreamSpecRegistry<Entry>::sameName(entry.encodingName, encodingName)) {
            return entry.factory ? entry.factory() : nullptr;
        }
    }
    return nullptr;
}
