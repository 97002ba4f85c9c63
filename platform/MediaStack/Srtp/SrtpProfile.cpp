#include "MediaStack/Srtp/SrtpProfile.h"

namespace media {

SrtpProfileInfo profileInfo(SrtpProfile profile)
{
    switch (profile) {
    case SrtpProfile::Aes128CmSha1_80:
        return { "SRTP_AES128_CM_SHA1_80", 16, 14 };
    case SrtpProfile::AeadAes128Gcm:
        return { "SRTP_AEAD_AES_128_GCM", 16, 12 };
    }
    return { "", 0, 0 };
}

std::optional<SrtpProfile> srtpProfileFromId(unsigned long id)
{
    switch (id) {
    case static_cast<unsigned long>(SrtpProfile::Aes128CmSha1_80):
        return SrtpProfile::Aes128CmSha1_80;
    case static_cast<unsigned long>(SrtpProfile::AeadAes128Gcm):
        return SrtpProfile::AeadAes128Gcm;
    }
    return std::nullopt;
}

} // namespace media
