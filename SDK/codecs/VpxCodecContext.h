#pragma once
// Internal to the codecs (include from .cpp files only): a libvpx codec context that is
// destroyed with its owner once libvpx has set it up; a context whose set-up failed is left
// alone.
#include <vpx/vpx_codec.h>

struct VpxCodecContext {
    vpx_codec_ctx_t context {};
    bool initialized = false;

    VpxCodecContext() = default;
    ~VpxCodecContext()
    {
        if (initialized) {
            vpx_codec_destroy(&context);
        }
    }
    VpxCodecContext(const VpxCodecContext&) = delete;
    VpxCodecContext& operator=(const VpxCodecContext&) = delete;
};
