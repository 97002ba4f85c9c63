#pragma once
// The SRTP protection profiles DTLS may negotiate (use_srtp, RFC 5764 and RFC 7714), with the
// sizes of their master key and salt. Values are the profile ids on the wire. Pure; any thread.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

enum class SrtpProfile : uint16_t {
    Aes128CmSha1_80 = 0x0001,
    AeadAes128Gcm = 0x0007,
};

struct SrtpProfileInfo {
    const char* openSslName;
    size_t keyLength;
    size_t saltLength;

    size_t masterLength() const { return keyLength + saltLength; }
};

SrtpProfileInfo profileInfo(SrtpProfile profile);
std::optional<SrtpProfile> srtpProfileFromId(unsigned long id);

} // namespace media
