#pragma once
// The SRTP master keys of one DTLS-SRTP association, split out of the exported keying
// material by RFC 5764 4.2: client key, server key, client salt, server salt. The client's
// halves protect what the client sends; each side's "local" key is the one it sends with.
// Value type; any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "MediaStack/Dtls/DtlsRole.h"
#include "MediaStack/Srtp/SrtpProfile.h"

namespace media {

struct SrtpKeys {
    SrtpProfile profile = SrtpProfile::Aes128CmSha1_80;
    std::vector<uint8_t> local; // master key then master salt, as libsrtp takes them
    std::vector<uint8_t> remote;

    // How many bytes to export for the profile.
    static size_t materialLength(SrtpProfile profile);
    // None when the material's length does not fit the profile.
    static std::optional<SrtpKeys> fromExportedMaterial(SrtpProfile profile, DtlsRole role,
                                                        std::span<const uint8_t> material);
};

} // namespace media
