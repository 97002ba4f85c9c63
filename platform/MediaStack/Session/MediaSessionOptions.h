#pragma once
// How a link's media session treats its streams: the repairs each side runs, the time after
// which a silent far side counts as gone, and our own sources' identities. A plain record.
#include <cstdint>
#include <string>

namespace media {

struct MediaSessionOptions {
    // Audio receive side.
    bool disablePLC = false;
    bool disableJitterBuffer = false;
    // Video.
    bool disableFEC = true;
    bool disablePLI = false;
    bool disableNackBuffer = false;
    // Seconds without a packet from the far side after media flowed (or after the transport
    // came up, when none ever did) before the session reports the stream dead.
    double deadStreamTimeout = 15.0;

    uint32_t localAudioSsrc = 0;
    uint32_t localVideoSsrc = 0;
    std::string cname;
};

} // namespace media
