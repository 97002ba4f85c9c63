#include "Private/Tasks/VideoIdent/Identification/KavoniX509Certificate.h"

std::string KavoniX509Certificate::hexadecimalString() const
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : m_fingerPrint) {
        if (!text.empty())
            text.push_back(':');
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0f]);
    }
    return text;
}
