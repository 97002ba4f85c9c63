// Frames per second of the VP8 and Opus codec bridges beside libvpx and libopus called
// directly with the same settings, in the same run, and the ratio between them.
//
//   codec_bench [rounds]
//
// Each measurement runs `rounds` times (default 3), alternating bridge and direct, and the
// best round counts: the figures are what the machine can do, not what a busy moment let it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <opus/opus.h>
#include <vpx/vp8cx.h>
#include <vpx/vp8dx.h>
#include <vpx/vpx_decoder.h>
#include <vpx/vpx_encoder.h>

#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<void()>& run)
{
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Result {
    std::string codec, size, direction;
    double bridgeFps, directFps;
};

// Runs both sides `rounds` times, alternating; frames per second of the best round of each.
Result measure(std::string codec, std::string size, std::string direction, int frames, int rounds,
    const std::function<void()>& bridge, const std::function<void()>& direct)
{
    double bridgeBest = 1e9, directBest = 1e9;
    for (int r = 0; r < rounds; ++r) {
        bridgeBest = std::min(bridgeBest, secondsOf(bridge));
        directBest = std::min(directBest, secondsOf(direct));
    }
    return { std::move(codec), std::move(size), std::move(direction), frames / bridgeBest, frames / directBest };
}

// ---- VP8 ----

std::vector<std::shared_ptr<VideoFrame>> syntheticVideo(int width, int height, int count)
{
    std::vector<std::shared_ptr<VideoFrame>> frames;
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    for (int n = 0; n < count; ++n) {
        auto frame = std::make_shared<VideoFrame>();
        frame->width = width;
        frame->height = height;
        auto y = std::make_shared<std::vector<uint8_t>>(size_t(width) * height);
        auto u = std::make_shared<std::vector<uint8_t>>(size_t(cw) * ch);
        auto v = std::make_shared<std::vector<uint8_t>>(size_t(cw) * ch);
        for (int row = 0; row < height; ++row) {
            for (int col = 0; col < width; ++col) {
                // A drifting pattern with some texture, like a slowly moving camera.
                const double s = std::sin((col + n * 2) * 0.05) * std::cos((row + n) * 0.07);
                (*y)[size_t(row) * width + col] = uint8_t(128 + 90 * s + ((col * 7 + row * 13) & 15));
            }
        }
        for (int i = 0; i < cw * ch; ++i) {
            (*u)[size_t(i)] = uint8_t(110 + (i + n) % 20);
            (*v)[size_t(i)] = uint8_t(140 - (i + n) % 20);
        }
        frame->planes = { { y, width }, { u, cw }, { v, cw } };
        frames.push_back(frame);
    }
    return frames;
}

// libvpx set up as the bridge sets it up: same configuration, same controls.
struct DirectVp8Encoder {
    vpx_codec_ctx_t codec {};
    vpx_codec_enc_cfg_t config {};
    vpx_image_t image {};
    int64_t pts = 0;

    DirectVp8Encoder(int width, int height)
    {
        vpx_codec_enc_config_default(vpx_codec_vp8_cx(), &config, 0);
        config.g_timebase = { 1, 30 };
        config.rc_target_bitrate = 256;
        config.rc_end_usage = VPX_CBR;
        config.g_w = unsigned(width);
        config.g_h = unsigned(height);
        config.kf_mode = VPX_KF_AUTO;
        config.kf_min_dist = config.kf_max_dist = 300;
        config.g_lag_in_frames = 0;
        config.g_error_resilient = VPX_ERROR_RESILIENT_DEFAULT;
        config.g_pass = VPX_RC_ONE_PASS;
        config.rc_min_quantizer = 0;
        config.rc_max_quantizer = 47;
        config.g_profile = 0;
        config.rc_resize_allowed = 1;
        config.rc_resize_up_thresh = 100;
        config.rc_resize_down_thresh = 100;
        if (vpx_codec_enc_init(&codec, vpx_codec_vp8_cx(), &config, 0) != VPX_CODEC_OK) {
            std::fprintf(stderr, "libvpx encoder set-up failed\n");
            std::exit(1);
        }
        vpx_codec_control(&codec, VP8E_SET_STATIC_THRESHOLD, 1u);
        vpx_codec_control(&codec, VP8E_SET_CPUUSED, -12);
        vpx_codec_control(&codec, VP8E_SET_TOKEN_PARTITIONS, static_cast<int>(VP8_ONE_TOKENPARTITION));
        vpx_codec_control(&codec, VP8E_SET_NOISE_SENSITIVITY, 4u);
        vpx_codec_control(&codec, VP8E_SET_MAX_INTRA_BITRATE_PCT, 300u);
        static uint8_t placeholder;
        vpx_img_wrap(&image, VPX_IMG_FMT_I420, unsigned(width), unsigned(height), 1, &placeholder);
    }
    ~DirectVp8Encoder() { vpx_codec_destroy(&codec); }

    size_t encode(const VideoFrame& frame)
    {
        for (int p = 0; p < 3; ++p) {
            image.planes[p] = const_cast<uint8_t*>(frame.planes[size_t(p)].data->data());
            image.stride[p] = frame.planes[size_t(p)].stride;
        }
        vpx_codec_encode(&codec, &image, pts++, 3000, 0, VPX_DL_REALTIME);
        vpx_codec_iter_t iter = nullptr;
        while (const vpx_codec_cx_pkt_t* packet = vpx_codec_get_cx_data(&codec, &iter)) {
            if (packet->kind == VPX_CODEC_CX_FRAME_PKT) {
                return packet->data.frame.sz;
            }
        }
        return 0;
    }
};

std::vector<Result> benchVp8(int width, int height, int frameCount, int rounds)
{
    const auto frames = syntheticVideo(width, height, 30);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::vector<uint8_t>> encoded;

    auto bridgeEncode = [&] {
        Vp8Codec codec;
        encoded.clear();
        for (int n = 0; n < frameCount; ++n) {
            if (auto out = codec.encodeWithFrame(frames[size_t(n) % frames.size()])) {
                encoded.push_back(std::move(*out));
            }
        }
        codec.destroy();
    };
    size_t directBytes = 0;
    auto directEncode = [&] {
        DirectVp8Encoder encoder(width, height);
        for (int n = 0; n < frameCount; ++n) {
            directBytes += encoder.encode(*frames[size_t(n) % frames.size()]);
        }
    };
    std::vector<Result> results;
    results.push_back(measure("VP8", size, "encode", frameCount, rounds, bridgeEncode, directEncode));

    auto bridgeDecode = [&] {
        Vp8Codec codec;
        for (const auto& frame : encoded) {
            codec.decodeWithEncodedFrame(frame);
        }
        codec.destroy();
    };
    auto directDecode = [&] {
        vpx_codec_ctx_t decoder {};
        vpx_codec_dec_init(&decoder, vpx_codec_vp8_dx(), nullptr, 0);
        for (const auto& frame : encoded) {
            vpx_codec_decode(&decoder, frame.data(), unsigned(frame.size()), nullptr, VPX_DL_REALTIME);
            vpx_codec_iter_t iter = nullptr;
            while (vpx_codec_get_frame(&decoder, &iter)) { }
        }
        vpx_codec_destroy(&decoder);
    };
    results.push_back(measure("VP8", size, "decode", int(encoded.size()), rounds, bridgeDecode, directDecode));
    if (directBytes == 0 || encoded.empty()) {
        std::fprintf(stderr, "libvpx produced nothing\n");
    }
    return results;
}

// ---- Opus ----

std::vector<std::shared_ptr<AudioFrame>> syntheticAudio(int count)
{
    std::vector<std::shared_ptr<AudioFrame>> frames;
    for (int n = 0; n < count; ++n) {
        auto frame = std::make_shared<AudioFrame>();
        frame->data = std::make_shared<std::vector<uint8_t>>(960 * 2 * 2);
        auto* samples = reinterpret_cast<int16_t*>(frame->data->data());
        for (int i = 0; i < 960; ++i) {
            const double t = double(n * 960 + i) / 48000.0;
            // A voiced-like signal: a few harmonics with a slow envelope.
            const double s = 0.5 * std::sin(2 * M_PI * 180 * t) + 0.3 * std::sin(2 * M_PI * 360 * t) + 0.2 * std::sin(2 * M_PI * 900 * t);
            const auto value = int16_t(9000 * s * (0.6 + 0.4 * std::sin(2 * M_PI * 2 * t)));
            samples[2 * i] = samples[2 * i + 1] = value;
        }
        frame->length = 960 * 2 * 2;
        frames.push_back(frame);
    }
    return frames;
}

std::vector<Result> benchOpus(int frameCount, int rounds)
{
    const auto frames = syntheticAudio(50);
    std::vector<std::vector<uint8_t>> encoded;
    size_t directBytes = 0, decodedSamples = 0;

    auto bridgeEncode = [&] {
        OpusCodec codec;
        codec.setClockRate(48000);
        codec.setChannels(2);
        encoded.clear();
        for (int n = 0; n < frameCount; ++n) {
            if (auto out = codec.encodeWithFrame(frames[size_t(n) % frames.size()])) {
                encoded.push_back(std::move(*out));
            }
        }
        codec.destroy();
    };
    auto directEncode = [&] {
        int error = 0;
        OpusEncoder* encoder = opus_encoder_create(48000, 2, OPUS_APPLICATION_VOIP, &error);
        opus_encoder_ctl(encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
        opus_encoder_ctl(encoder, OPUS_SET_COMPLEXITY(5));
        opus_encoder_ctl(encoder, OPUS_SET_BITRATE(125 * 1024));
        std::vector<uint8_t> out(4000);
        for (int n = 0; n < frameCount; ++n) {
            const auto& frame = frames[size_t(n) % frames.size()];
            directBytes += size_t(std::max(0, opus_encode(encoder, reinterpret_cast<const opus_int16*>(frame->data->data()), 960, out.data(), 4000)));
        }
        opus_encoder_destroy(encoder);
    };
    std::vector<Result> results;
    results.push_back(measure("Opus", "20 ms", "encode", frameCount, rounds, bridgeEncode, directEncode));

    auto bridgeDecode = [&] {
        OpusCodec codec;
        codec.setClockRate(48000);
        codec.setChannels(2);
        for (const auto& packet : encoded) {
            codec.decodeWithEncodedFrame(packet);
        }
        codec.destroy();
    };
    auto directDecode = [&] {
        int error = 0;
        OpusDecoder* decoder = opus_decoder_create(48000, 2, &error);
        std::vector<opus_int16> pcm(960 * 2);
        for (const auto& packet : encoded) {
            decodedSamples += size_t(std::max(0, opus_decode(decoder, packet.data(), opus_int32(packet.size()), pcm.data(), 960, 0)));
        }
        opus_decoder_destroy(decoder);
    };
    results.push_back(measure("Opus", "20 ms", "decode", int(encoded.size()), rounds, bridgeDecode, directDecode));
    if (directBytes == 0 || decodedSamples == 0) {
        std::fprintf(stderr, "libopus produced nothing\n");
    }
    return results;
}

}

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<Result> results;
    for (const auto& r : benchVp8(320, 240, 300, rounds)) {
        results.push_back(r);
    }
    for (const auto& r : benchVp8(640, 480, 300, rounds)) {
        results.push_back(r);
    }
    for (const auto& r : benchOpus(2000, rounds)) {
        results.push_back(r);
    }
    std::printf("%-5s %-8s %-7s %12s %12s %14s\n", "codec", "size", "", "bridge fps", "direct fps", "bridge/direct");
    for (const auto& r : results) {
        std::printf("%-5s %-8s %-7s %12.1f %12.1f %14.3f\n", r.codec.c_str(), r.size.c_str(), r.direction.c_str(), r.bridgeFps, r.directFps, r.bridgeFps / r.directFps);
    }
    return 0;
}
