#include "codecs/CocoaOpusDecoder.h"

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"

CocoaOpusDecoder::~CocoaOpusDecoder() { destroy(); }

void CocoaOpusDecoder::initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime)
{
    destroy();
    frameSize_ = static_cast<int32_t>(static_cast<int64_t>(packetTime) * clockRate / 1000);
    outputLength_ = static_cast<int32_t>(static_cast<int64_t>(clockRate) * channels * packetTime / 500);
    channels_ = channels;
    int error = OPUS_OK;
    decoder_ = opus_decoder_create(clockRate, channels, &error);
    if (error != OPUS_OK || !decoder_ || outputLength_ <= 0) {
        if (decoder_) {
            opus_decoder_destroy(decoder_);
            decoder_ = nullptr;
        }
        CodecConsoleLog("Could not initialize decoder. %s", opus_strerror(error != OPUS_OK ? error : OPUS_BAD_ARG));
        throw InitializeException("Could not initialize decoder.");
    }
    output_ = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(outputLength_));
    fecOutput_ = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(outputLength_));
}

std::shared_ptr<CocoaOpusBuffer> CocoaOpusDecoder::decodeFrame_fec(const std::vector<uint8_t>* frame, bool fec)
{
    if (!decoder_) {
        return nullptr;
    }
    std::shared_ptr<std::vector<uint8_t>> target;
    int samples;
    if (frame && !frame->empty()) {
        target = fec ? fecOutput_ : output_;
        samples = opus_decode(decoder_, frame->data(), static_cast<opus_int32>(frame->size()), reinterpret_cast<opus_int16*>(target->data()), frameSize_, fec ? 1 : 0);
    } else {
        target = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(outputLength_));
        samples = opus_decode(decoder_, nullptr, 0, reinterpret_cast<opus_int16*>(target->data()), frameSize_, 0);
    }
    if (samples < 1) {
        if (debugMode_) {
            CodecConsoleLog("Could not decode frame.");
        }
        return nullptr;
    }
    auto buffer = std::make_shared<CocoaOpusBuffer>();
    buffer->data = target;
    buffer->index = 0;
    buffer->length = samples * channels_ * 2;
    return buffer;
}

void CocoaOpusDecoder::destroy()
{
    if (decoder_) {
        opus_decoder_destroy(decoder_);
        decoder_ = nullptr;
    }
    output_.reset();
    fecOutput_.reset();
}
