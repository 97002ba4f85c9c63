#include "codecs/CocoaOpusDecoder.h"

#include <opus/opus.h>

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"

void CocoaOpusDecoder::DecoderDeleter::operator()(OpusDecoder* decoder) const { opus_decoder_destroy(decoder); }

CocoaOpusDecoder::~CocoaOpusDecoder() { destroy(); }

void CocoaOpusDecoder::initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime)
{
    destroy();
    m_frameSize = static_cast<int32_t>(static_cast<int64_t>(packetTime) * clockRate / 1000);
    m_outputLength = static_cast<int32_t>(static_cast<int64_t>(clockRate) * channels * packetTime / 500);
    m_channels = channels;
    int error = OPUS_OK;
    m_decoder.reset(opus_decoder_create(clockRate, channels, &error));
    if (error != OPUS_OK || !m_decoder || m_outputLength <= 0) {
        m_decoder.reset();
        CodecConsoleLog("Could not initialize decoder. %s", opus_strerror(error != OPUS_OK ? error : OPUS_BAD_ARG));
        throw InitializeException("Could not initialize decoder.");
    }
    m_output = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(m_outputLength));
    m_fecOutput = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(m_outputLength));
}

std::shared_ptr<CocoaOpusBuffer> CocoaOpusDecoder::decodeFrame_fec(const std::vector<uint8_t>* frame, bool fec)
{
    if (!m_decoder) {
        return nullptr;
    }
    std::shared_ptr<std::vector<uint8_t>> target;
    int samples;
    if (frame && !frame->empty()) {
        target = fec ? m_fecOutput : m_output;
        samples = opus_decode(m_decoder.get(), frame->data(), static_cast<opus_int32>(frame->size()), reinterpret_cast<opus_int16*>(target->data()), m_frameSize, fec ? 1 : 0);
    } else {
        target = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(m_outputLength));
        samples = opus_decode(m_decoder.get(), nullptr, 0, reinterpret_cast<opus_int16*>(target->data()), m_frameSize, 0);
    }
    if (samples < 1) {
        if (m_debugMode) {
            CodecConsoleLog("Could not decode frame.");
        }
        return nullptr;
    }
    auto buffer = std::make_shared<CocoaOpusBuffer>();
    buffer->data = target;
    buffer->index = 0;
    buffer->length = samples * m_channels * 2;
    return buffer;
}

void CocoaOpusDecoder::destroy()
{
    m_decoder.reset();
    m_output.reset();
    m_fecOutput.reset();
}
