#include "MediaStack/AudioStreamDescription.h"

#include "MediaStack/StreamDescriptionRegistry.h"

namespace {
struct Entry {
    AudioStreamDescription::RegisteredCodec codec;
    AudioStreamDescription::CodecFactory factory;
};

StreamDescriptionRegistry<Entry>& registry()
{
    static StreamDescriptionRegistry<Entry> registry;
    return registry;
}

auto matching(const std::string& encodingName, int clockRate, int channels)
{
    return [=](const Entry& entry) {
        return StreamDescriptionRegistry<Entry>::sameName(entry.codec.encodingName, encodingName) && entry.codec.clockRate == clockRate
            && entry.codec.channels == channels;
    };
}
}

void AudioStreamDescription::registerCodec(const std::string& encodingName, int clockRate, int channels, CodecFactory factory, bool preferred)
{
    registry().put(Entry { { encodingName, clockRate, channels }, std::move(factory) }, preferred, matching(encodingName, clockRate, channels));
}

void AudioStreamDescription::unregisterCodec(const std::string& encodingName, int clockRate, int channels)
{
    registry().erase(matching(encodingName, clockRate, channels));
}

std::vector<AudioStreamDescription::RegisteredCodec> AudioStreamDescription::registeredCodecs()
{
    std::vector<RegisteredCodec> codecs;
    for (const auto& entry : registry().entries()) {
        codecs.push_back(entry.codec);
    }
    return codecs;
}

std::shared_ptr<AudioCodecBase> AudioStreamDescription::createCodec(const std::string& encodingName, int clockRate, int channels)
{
    const auto matches = matching(encodingName, clockRate, channels);
    for (const auto& entry : registry().entries()) {
        if (matches(entry)) {
            auto codec = entry.factory ? entry.factory() : nullptr;
            if (codec) {
                codec->setClockRate(clockRate);
                codec->setChannels(channels);
            }
            return codec;
        }
    }
    return nullptr;
}
