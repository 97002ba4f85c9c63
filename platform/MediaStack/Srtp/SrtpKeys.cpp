#include "MediaStack/Srtp/SrtpKeys.h"

namespace media {

size_t SrtpKeys::materialLength(SrtpProfile profile) { return 2 * profileInfo(profile).masterLength(); }

std::optional<SrtpKeys> SrtpKeys::fromExportedMaterial(SrtpProfile profile, DtlsRole role, std::span<const uint8_t> material)
{
    const auto info = profileInfo(profile);
    if (info.keyLength == 0 || material.size() != materialLength(profile))
        return std::nullopt;
    auto clientKey = material.subspan(0, info.keyLength);
    auto serverKey = material.subspan(info.keyLength, info.keyLength);
    auto clientSalt = material.subspan(2 * info.keyLength, info.saltLength);
    auto serverSalt = material.subspan(2 * info.keyLength + info.saltLength, info.saltLength);

    auto join = [](std::span<const uint8_t> key, std::span<const uint8_t> salt) {
        std::vector<uint8_t> master(key.begin(), key.end());
        master.insert(master.end(), salt.begin(), salt.end());
        return master;
    };
    SrtpKeys keys;
    keys.profile = profile;
    auto client = join(clientKey, clientSalt);
    auto server = join(serverKey, serverSalt);
    keys.local = role == DtlsRole::Client ? client : server;
    keys.remote = role == DtlsRole::Client ? server : client;
    return keys;
}

} // namespace media
