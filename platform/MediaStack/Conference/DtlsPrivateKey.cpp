#include "MediaStack/Conference/DtlsPrivateKey.h"

#include <openssl/rsa.h>
#include <openssl/x509.h>

std::shared_ptr<const DtlsPrivateKey> DtlsPrivateKey::readRsa(std::span<const uint8_t> der)
{
    if (der.empty())
        return nullptr;
    const unsigned char* cursor = der.data();
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &cursor, static_cast<long>(der.size())),
                                                            EVP_PKEY_free);
    if (!key || cursor != der.data() + der.size())
        return nullptr;
    return std::shared_ptr<const DtlsPrivateKey>(new DtlsPrivateKey(std::vector<uint8_t>(der.begin(), der.end())));
}
